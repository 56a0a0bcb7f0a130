#include "link/parallel_reassembly.h"

#include "link/limits.h"
#include "link/slc.h"

namespace {

constexpr uint32_t kHeaderHunt = 3;     // SOP and DataLen
constexpr uint32_t kMaxSkipCount = 10;  // empty reads tolerated inside a message

}  // namespace

// Reads exactly count bytes into place; false when the input fell silent first.
bool ParallelReassembly::fill(ParallelInput& input, uint8_t* place, uint32_t count) {
    uint32_t got = 0;
    input.read(place, count, got);
    return got == count;
}

// Step one of a packet: three bytes that begin with SOP, found by shifting past up to two stray
// bytes.
ParallelReassembly::Hunt ParallelReassembly::huntHeader(ParallelInput& input, bool inMessage) {
    uint8_t* header = header_;
    uint32_t skipCount = 0;
    for (;;) {
        if (input.stopping()) return Hunt::Stopped;
        if (trace_) SlcLog(SLC_LOG_TRACE, "ParReadPort() - before ParNT95ReadFile()\n");
        uint32_t got = 0;
        const bool readFailed = !input.read(header, kHeaderHunt, got);
        if (got > kHeaderHunt) got = kHeaderHunt;
        lastReadFailed_ = readFailed;
        if (trace_) SlcLog(SLC_LOG_TRACE, "ParReadPort() - after ParNT95ReadFile(), BytesRead=%d\n", static_cast<int>(got));
        if (data_) SlcLogHex(header, got);

        if (got == 0) {
            if (readFailed && !input.stopping()) input.pauseAfterFailedRead();
            if (!inMessage) continue;
            if (skipCount < kMaxSkipCount) {
                ++skipCount;
                if (trace_) SlcLog(SLC_LOG_TRACE, "no bytes, SkipCount is now %d\n", static_cast<int>(skipCount));
                continue;
            }
            return Hunt::GaveUp;
        }
        if (header[0] == npa::SOP) {
            return got == kHeaderHunt || fill(input, header + got, kHeaderHunt - got) ? Hunt::Header : Hunt::Unusable;
        }
        if (data_) SlcLog(SLC_LOG_DATA, "got something, but SOP is not first byte:");
        if (data_) SlcLogHex(header, got);
        if (got >= 2 && header[1] == npa::SOP) {
            if (trace_) SlcLog(SLC_LOG_TRACE, "SOP is 2nd byte, shifting\n");
            header[0] = header[1];
            header[1] = header[2];
            return fill(input, header + got - 1, kHeaderHunt - (got - 1)) ? Hunt::Header : Hunt::Unusable;
        }
        if (got == kHeaderHunt && header[2] == npa::SOP) {
            if (trace_) SlcLog(SLC_LOG_TRACE, "SOP is 3rd byte, shifting\n");
            header[0] = header[2];
            return fill(input, header + 1, 2) ? Hunt::Header : Hunt::Unusable;
        }
        // Neither stray byte is followed by SOP: drop them and keep hunting.
    }
}

// Reads the dataLen bytes after the header. False when the packet stayed incomplete for longer
// than giveUpMs or the input is stopping.
bool ParallelReassembly::readPacketData(ParallelInput& input, uint8_t* data, uint32_t dataLen) {
    uint32_t total = 0;
    bool clockRunning = false;
    uint32_t emptySince = 0;
    while (total < dataLen) {
        if (input.stopping()) return false;
        if (trace_) SlcLog(SLC_LOG_TRACE, "ParReadPort() - before ParNT95ReadFile(2)\n");
        uint32_t got = 0;
        const bool readOk = input.read(data + total, dataLen - total, got);
        if (got > dataLen - total) got = dataLen - total;
        if (trace_) SlcLog(SLC_LOG_TRACE, "ParReadPort() - after ParNT95ReadFile(2)\n");
        if (!readOk && got == 0 && !input.stopping()) input.pauseAfterFailedRead();
        if (got > 0) {
            if (data_) SlcLog(SLC_LOG_DATA, "ParReadPort() - read %d bytes:\n", static_cast<int>(got));
            if (data_) SlcLogHex(data + total, got);
            total += got;
            clockRunning = false;
            continue;
        }
        const uint32_t now = input.nowMs();
        if (!clockRunning) {
            emptySince = now;
            clockRunning = true;
        }
        const uint32_t elapsed = now - emptySince;
        if (trace_) SlcLog(SLC_LOG_TRACE, "ParReadPort(): Successful read with no data : Timeout value is = %ld\n",
               static_cast<long>(elapsed));
        if (elapsed > giveUpMs_) {
            if (trace_) SlcLog(SLC_LOG_TRACE, "ParReadPort(): Read 10 Second Timeout occurred \n");
            return false;
        }
    }
    return true;
}

ParallelReassembly::Outcome ParallelReassembly::next(ParallelInput& input) {
    message_.clear();
    bool inMessage = false;
    for (;;) {
        const Hunt hunt = huntHeader(input, inMessage);
        if (hunt == Hunt::Stopped) return Outcome::Stopped;
        if (hunt == Hunt::GaveUp) return Outcome::GaveUp;
        if (trace_) SlcLog(SLC_LOG_TRACE, "ParReadPort() - outside second while() (read the first 3 bytes), Error=%d\n",
               lastReadFailed_ ? 1 : 0);
        if (hunt == Hunt::Unusable) continue;

        const uint32_t dataLen = npa::ReadDataLen(header_);
        if (trace_) SlcLog(SLC_LOG_TRACE, "ParReadPort() - DataLen=%d\n", static_cast<int>(dataLen));
        // Every packet carries at least its flags and command byte.
        if (dataLen < 2) continue;

        std::vector<uint8_t> packet(dataLen, 0);
        if (!readPacketData(input, packet.data(), dataLen)) {
            // A packet cut short is no reply: the waiter is told it failed rather than handed zeros.
            return input.stopping() ? Outcome::Stopped : Outcome::GaveUp;
        }
        header_[3] = packet[0];
        header_[4] = packet[1];
        if (trace_) SlcLog(SLC_LOG_TRACE, "ParReadPort() - read %d total bytes\n", static_cast<int>(dataLen));
        if (data_) SlcLog(SLC_LOG_DATA, "ParReadPort() - Header:");
        if (data_) SlcLogHex(header_, npa::HEADER_SIZE);
        if (data_) SlcLog(SLC_LOG_DATA, "ParReadPort() - Data:");
        if (data_) SlcLogHex(packet.data() + 2, dataLen - 2);
        if (trace_) SlcLog(SLC_LOG_TRACE, "ParReadPort() - got response\n");

        // A message beyond a slot is only counted, not kept: it ends as "too large" anyway.
        if (message_.size() <= SLC_SLOT_SIZE) message_.insert(message_.end(), packet.begin() + 2, packet.end());
        inMessage = !message_.empty();

        if ((header_[3] & npa::FLAG_CONTINUE) != 0) {
            inMessage = true;
            continue;
        }
        if (trace_) SlcLog(SLC_LOG_TRACE, "ParReadPort() - no continuation\n");
        return Outcome::Message;
    }
}
