#include "transactions/command_records.h"

#include <algorithm>
#include <cstring>

#include "protocol/packets.h"

namespace records {

namespace {

// What one read asks the source for: large enough that a file is read in few calls, small
// enough that the buffer stays a fixed, small size whatever the file's.
constexpr size_t kReadChunk = 64 * 1024;

}  // namespace

long MemorySource::read(uint8_t* buffer, size_t max) {
    const size_t n = std::min(max, size_ - at_);
    if (n > 0) std::memcpy(buffer, data_ + at_, n);
    at_ += n;
    return static_cast<long>(n);
}

bool RecordReader::fill(size_t count) {
    while (buffer_.size() - begin_ < count) {
        if (failed_) return false;
        // Keep only what is not yet taken, at the front.
        if (begin_ > 0) {
            buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<long>(begin_));
            begin_ = 0;
        }
        const size_t kept = buffer_.size();
        buffer_.resize(kept + kReadChunk);
        const long got = source_.read(buffer_.data() + kept, kReadChunk);
        buffer_.resize(kept + (got > 0 ? static_cast<size_t>(got) : 0));
        if (got < 0) failed_ = true;
        if (got <= 0) return false;
    }
    return true;
}

RecordReader::Step RecordReader::bad(std::string& why, std::string reason) {
    bad_ = true;
    why = failed_ ? "it could not be read at byte " + std::to_string(offset_ + (buffer_.size() - begin_))
                  : std::move(reason);
    return Step::Bad;
}

RecordReader::Step RecordReader::next(std::vector<uint8_t>& packet, std::string& why) {
    packet.clear();
    if (bad_) return Step::Bad;
    if (!fill(1)) return failed_ ? bad(why, {}) : Step::End;

    const uint64_t recordAt = offset_;
    if (!fill(npa::kStart.size()) ||
        !std::equal(npa::kStart.begin(), npa::kStart.end(), buffer_.begin() + static_cast<long>(begin_))) {
        return bad(why, "no start packet at byte " + std::to_string(recordAt));
    }
    begin_ += npa::kStart.size();
    offset_ += npa::kStart.size();

    const uint64_t packetAt = offset_;
    if (!fill(3) || buffer_[begin_] != npa::SOP) {
        return bad(why, "no packet after the start packet at byte " + std::to_string(packetAt));
    }
    const size_t length = 3u + npa::ReadDataLen(&buffer_[begin_]);
    // Every packet carries at least its flags and command byte, which the link reads.
    if (length < npa::HEADER_SIZE) {
        return bad(why, "the packet at byte " + std::to_string(packetAt) + " is shorter than a packet header");
    }
    if (length > npa::MAX_COMMAND) {
        return bad(why, "the packet at byte " + std::to_string(packetAt) + " is longer than " +
                            std::to_string(npa::MAX_COMMAND) + " bytes");
    }
    if (!fill(length)) return bad(why, "the packet at byte " + std::to_string(packetAt) + " is cut short");
    packet.assign(buffer_.begin() + static_cast<long>(begin_), buffer_.begin() + static_cast<long>(begin_ + length));
    begin_ += length;
    offset_ += length;
    return Step::Record;
}

}  // namespace records
