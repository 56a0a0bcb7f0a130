// The records of a command file (a start packet, then one packet), read one at a time from an
// NpaCommandSource so that a file of any size is checked and sent in bounded memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "transactions/transactions.h"

namespace records {

class RecordReader {
public:
    enum class Step { Record, End, Bad };

    explicit RecordReader(NpaCommandSource& source) : source_(source) {}
    // The next record's packet (its start packet left out). Bad, with the reason in why, for
    // bytes that are not a whole record or a read that failed; the reader stays Bad afterwards.
    Step next(std::vector<uint8_t>& packet, std::string& why);

private:
    // True once count bytes are buffered from begin_; false at the end of the file or on a failed
    // read (failed_ set).
    bool fill(size_t count);
    Step bad(std::string& why, std::string reason);

    NpaCommandSource& source_;
    std::vector<uint8_t> buffer_;
    size_t begin_ = 0;
    uint64_t offset_ = 0;  // the file offset of buffer_[begin_]
    bool failed_ = false;
    bool bad_ = false;
};

// A command file already in memory.
class MemorySource : public NpaCommandSource {
public:
    MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    explicit MemorySource(const std::vector<uint8_t>& bytes) : MemorySource(bytes.data(), bytes.size()) {}
    long read(uint8_t* buffer, size_t max) override;
    bool rewind() override {
        at_ = 0;
        return true;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

}  // namespace records
