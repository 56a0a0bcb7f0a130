// The parallel reader thread: one read transaction per request from a waiter. ParallelReassembly
// finds and joins the packets of a message; this thread drops the replies that are not ours and
// hands the rest to the waiter through response slot 0.
#include <cstring>
#include <vector>

#include "link/link_private.h"
#include "link/parallel_reassembly.h"
#include "protocol/packets.h"

namespace {

bool Stopping() { return SlcGlobals().readerStop.load(std::memory_order_acquire); }

// What the waiter wants now: read when a packet is complete, so that a packet that completes
// after a new wait began is judged for that wait, and one that completed before it is not.
struct Waiter {
    uint8_t expected = 0;
    bool acceptAlerts = false;
    uint32_t serial = 0;
};

Waiter CurrentWaiter() {
    SlcState& g = SlcGlobals();
    std::lock_guard<std::mutex> lock(g.transactionInfo);
    return Waiter{g.command, g.acceptAlerts, g.requestSerial};
}

void StoreMarker(int32_t marker) {
    SlcState& g = SlcGlobals();
    const uint32_t serial = CurrentWaiter().serial;
    {
        std::lock_guard<std::mutex> lock(g.responseMutex);
        g.slotLength[0] = marker;
        g.slotSerial[0] = serial;
        g.answeredSerial = serial;
    }
    SlcSignal(g.semResponse);
}

void GiveUp() {
    SlcLog(SLC_LOG_TRACE, "Error: quit getting data in the middle of a response");
    StoreMarker(-1);
}

// After a read that failed without a byte. A device that went away (the printer switched off,
// the cable pulled) fails every read at once; without a pause the reader would spin and log
// each attempt until the transaction ends.
void PauseAfterFailedRead() {
    if (!Stopping()) SlcSleep(SlcTimingTable().readErrorPauseMs);
}

// The reassembly's input on the port: reads with the port's time-outs, the reader's stop flag and
// the platform's clock.
class ChannelInput : public ParallelInput {
public:
    explicit ChannelInput(platform::Channel& channel) : channel_(channel) {}
    bool read(uint8_t* buffer, uint32_t count, uint32_t& got) override {
        return ParNT95ReadFile(channel_, buffer, count, got);
    }
    bool stopping() override { return Stopping(); }
    void pauseAfterFailedRead() override { PauseAfterFailedRead(); }
    uint32_t nowMs() override { return platform::current().clock->tickCount(); }

private:
    platform::Channel& channel_;
};

enum class Verdict { Keep, Discard };

Verdict Judge(const uint8_t* header, const Waiter& waiter) {
    const uint8_t flags = header[3];
    const uint8_t expected = waiter.expected;
    if ((flags & npa::FLAG_ERROR) != 0 && (flags & npa::FLAG_RESPONSE) == 0) {
        SlcLog(SLC_LOG_TRACE, "ParReadPort() - unsolicited error reply, discarding\n");
        return Verdict::Discard;
    }
    // An alert is never the reply to a command; only the offline exchange waits for one.
    if (!waiter.acceptAlerts && (header[4] & 0xF0) == 0xF0) {
        SlcLog(SLC_LOG_TRACE, "ParReadPort() - alert while a command's reply is awaited, discarding\n");
        return Verdict::Discard;
    }
    if (expected != 0 && expected != header[4]) {
        SlcLog(SLC_LOG_TRACE, "ParReadPort() - response doesn't match the command we sent (%02X), discarding\n",
               expected);
        return Verdict::Discard;
    }
    if ((flags & (npa::FLAG_ERROR | npa::FLAG_ERROR_DETAIL)) == (npa::FLAG_ERROR | npa::FLAG_ERROR_DETAIL)) {
        SlcLog(SLC_LOG_TRACE, "ParReadPort(): It's a command error, discarding.\n");
        return Verdict::Discard;
    }
    SlcLog(SLC_LOG_TRACE, "ParReadPort() - solicited reply, matches our command\n");
    return Verdict::Keep;
}

void StoreReply(uint8_t* header, const std::vector<uint8_t>& message, uint32_t serial) {
    SlcState& g = SlcGlobals();
    if (message.size() + npa::HEADER_SIZE > SLC_SLOT_SIZE) {
        SlcLog(SLC_LOG_TRACE, "ParReadPort() - INTERNAL buffer is too small\n");
        std::lock_guard<std::mutex> lock(g.responseMutex);
        g.slotLength[0] = -2;
        g.slotSerial[0] = serial;
        g.answeredSerial = serial;
        SlcSignal(g.semResponse);
        return;
    }
    SlcLog(SLC_LOG_TRACE, "ParReadPort() - copying\n");
    const uint32_t length = static_cast<uint32_t>(message.size() + npa::HEADER_SIZE);
    npa::WriteDataLen(header, static_cast<uint16_t>(message.size() + 2));
    {
        std::lock_guard<std::mutex> lock(g.responseMutex);
        std::memcpy(g.responseSlots[0], header, npa::HEADER_SIZE);
        if (!message.empty()) std::memcpy(g.responseSlots[0] + npa::HEADER_SIZE, message.data(), message.size());
        g.slotLength[0] = static_cast<int32_t>(length);
        g.slotSerial[0] = serial;
        g.answeredSerial = serial;
    }
    SlcSignal(g.semResponse);
    // Only this thread writes the slot, so reading it for the dump needs no lock.
    SlcLogHex(g.responseSlots[0], length);
}

// One read transaction: ends once a reply (or a failure marker) is stored, or on stop.
void ReadTransaction(platform::Channel& channel) {
    ChannelInput input(channel);
    ParallelReassembly reassembly(SlcTimingTable().readGiveUpMs, SlcGlobals().loggingLevel);
    for (;;) {
        switch (reassembly.next(input)) {
            case ParallelReassembly::Outcome::Stopped: return;
            case ParallelReassembly::Outcome::GaveUp:
                if (!Stopping()) GiveUp();
                return;
            case ParallelReassembly::Outcome::Message: break;
        }
        uint8_t header[npa::HEADER_SIZE];
        std::memcpy(header, reassembly.header(), sizeof header);
        const Waiter waiter = CurrentWaiter();
        if (Judge(header, waiter) == Verdict::Discard) continue;
        StoreReply(header, reassembly.message(), waiter.serial);
        return;
    }
}

}  // namespace

void ParReadPort() {
    SlcState& g = SlcGlobals();
    SlcLog(SLC_LOG_TRACE, "ParReadPort()\n");
    for (;;) {
        SlcLog(SLC_LOG_TRACE, "ParReadPort() : Before wfso(G_hSemGoRead)\n");
        g.semGoRead.acquire();
        SlcLog(SLC_LOG_TRACE, "ParReadPort() : Returned from wfso(G_hSemGoRead)\n");
        if (!Stopping()) SlcSleep(SlcTimingTable().readPauseMs);

        SlcLog(SLC_LOG_TRACE, "ParReadPort(): before getting G_hTransactionInfo\n");
        platform::Channel* channel = nullptr;
        uint32_t serial = 0;
        {
            std::lock_guard<std::mutex> lock(g.transactionInfo);
            if (!g.expectingResponse || g.parallel == nullptr) {
                g.readThreadRunning = false;
                break;
            }
            channel = g.parallel;
            serial = g.requestSerial;
        }
        {
            // The wait that asked for this transaction already has its answer (read by a
            // transaction that ran ahead): reading on would take the next packet (the second
            // of the offline exchange) into the slot before the waiter has emptied it.
            std::lock_guard<std::mutex> lock(g.responseMutex);
            if (g.answeredSerial == serial) continue;
        }
        SlcLog(SLC_LOG_TRACE, "ParReadPort(): after getting G_hTransactionInfo\n");
        ReadTransaction(*channel);
    }
    SlcLog(SLC_LOG_TRACE, "ParReadPort(), no one is expecting a response, exiting...\n");
    SlcLog(SLC_LOG_TRACE, "ParReadPort(), Closed G_hReadThread\n");
    SlcLog(SLC_LOG_TRACE, "ParReadPort(), going to call _endthreadex  after setting handle to NULL\n");
}
