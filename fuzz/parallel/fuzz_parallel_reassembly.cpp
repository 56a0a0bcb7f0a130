// Arbitrary reads into the parallel reassembly, as a printer (or a broken cable) could hand them
// over. Input: one option byte, then records of a length byte (0: a read that timed out with
// nothing; taken modulo 65, so at most 64 bytes) and that many bytes. Each read moves the clock
// by 100 ms. Option bit 0 turns every log level on (so the log formats run too).
// Every message comes from bytes that were fed, starts with SOP and ends with a packet that does
// not continue.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz/fuzz_check.h"
#include "fuzz/quiet_link.h"
#include "link/limits.h"
#include "link/parallel_reassembly.h"

using fuzz::Check;

namespace {

class FuzzInput : public ParallelInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool read(uint8_t* buffer, uint32_t count, uint32_t& got) override {
        now_ += 100;
        got = 0;
        if (pending_ == 0) {
            if (at_ >= size_) return true;
            pending_ = data_[at_++] % 65;
            if (pending_ == 0) return true;  // this read timed out
            pending_ = std::min(pending_, size_ - at_);
        }
        const size_t n = std::min<size_t>(pending_, count);
        std::memcpy(buffer, data_ + at_, n);
        at_ += n;
        pending_ -= n;
        fed_ += n;
        got = static_cast<uint32_t>(n);
        return true;
    }
    bool stopping() override { return at_ >= size_ && pending_ == 0; }
    void pauseAfterFailedRead() override {}
    uint32_t nowMs() override { return now_; }
    size_t fed() const { return fed_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
    size_t pending_ = 0;
    size_t fed_ = 0;
    uint32_t now_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const bool logEverything = (data[0] & 1) != 0;
    fuzz::UseQuietLink(logEverything);
    FuzzInput input(data + 1, size - 1);
    ParallelReassembly reassembly(1000, fuzz::LinkLogLevel(logEverything));
    for (int calls = 0; calls < 100000; ++calls) {
        const ParallelReassembly::Outcome outcome = reassembly.next(input);
        if (outcome == ParallelReassembly::Outcome::Stopped) break;
        if (outcome != ParallelReassembly::Outcome::Message) continue;
        Check(reassembly.header()[0] == npa::SOP);
        Check((reassembly.header()[3] & npa::FLAG_CONTINUE) == 0);
        Check(reassembly.message().size() <= input.fed());
        Check(reassembly.message().size() <= SLC_SLOT_SIZE + 0xFFFF);
    }
    return 0;
}
