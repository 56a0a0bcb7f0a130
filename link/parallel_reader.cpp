// The parallel reader thread: one read transaction per request from a waiter. It hunts for a
// packet header, reads the packet, joins continued packets, drops replies that are not ours and
// hands the rest to the waiter through response slot 0.
#include <cstring>
#include <vector>

#include "link/link_private.h"
#include "protocol/packets.h"

namespace {

constexpr uint32_t kHeaderHunt = 3;     // SOP and DataLen
constexpr uint32_t kMaxSkipCount = 10;  // empty reads tolerated inside a message

enum class Hunt { Header, Unusable, End };

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

// Reads exactly count bytes into place; false when the device fell silent first.
bool Fill(platform::Channel& channel, uint8_t* place, uint32_t count) {
    uint32_t got = 0;
    ParNT95ReadFile(channel, place, count, got);
    return got == count;
}

// Step one of a packet: three bytes that begin with SOP, found by shifting past up to two stray
// bytes. End means the transaction is over (stopped, or given up inside a message).
Hunt HuntHeader(platform::Channel& channel, uint8_t* header, bool inMessage, bool& readFailed) {
    uint32_t skipCount = 0;
    for (;;) {
        if (Stopping()) return Hunt::End;
        SlcLog(SLC_LOG_TRACE, "ParReadPort() - before ParNT95ReadFile()\n");
        uint32_t got = 0;
        readFailed = !ParNT95ReadFile(channel, header, kHeaderHunt, got);
        SlcLog(SLC_LOG_TRACE, "ParReadPort() - after ParNT95ReadFile(), BytesRead=%d\n", static_cast<int>(got));
        SlcLogHex(header, got);

        if (got == 0) {
            if (readFailed) PauseAfterFailedRead();
            if (!inMessage) continue;
            if (skipCount < kMaxSkipCount) {
                ++skipCount;
                SlcLog(SLC_LOG_TRACE, "no bytes, SkipCount is now %d\n", static_cast<int>(skipCount));
                continue;
            }
            GiveUp();
            return Hunt::End;
        }
        if (header[0] == npa::SOP) {
            return got == kHeaderHunt || Fill(channel, header + got, kHeaderHunt - got) ? Hunt::Header : Hunt::Unusable;
        }
        SlcLog(SLC_LOG_DATA, "got something, but SOP is not first byte:");
        SlcLogHex(header, got);
        if (got >= 2 && header[1] == npa::SOP) {
            SlcLog(SLC_LOG_TRACE, "SOP is 2nd byte, shifting\n");
            header[0] = header[1];
            header[1] = header[2];
            return Fill(channel, header + got - 1, kHeaderHunt - (got - 1)) ? Hunt::Header : Hunt::Unusable;
        }
        if (got == kHeaderHunt && header[2] == npa::SOP) {
            SlcLog(SLC_LOG_TRACE, "SOP is 3rd byte, shifting\n");
            header[0] = header[2];
            return Fill(channel, header + 1, 2) ? Hunt::Header : Hunt::Unusable;
        }
        // Neither stray byte is followed by SOP: drop them and keep hunting.
    }
}

// Reads the dataLen bytes after the header. False when the packet stayed incomplete for longer
// than readGiveUpMs or the reader is being stopped.
bool ReadPacketData(platform::Channel& channel, uint8_t* data, uint32_t dataLen) {
    platform::Clock& clock = *platform::current().clock;
    uint32_t total = 0;
    bool clockRunning = false;
    uint32_t emptySince = 0;
    while (total < dataLen) {
        if (Stopping()) return false;
        SlcLog(SLC_LOG_TRACE, "ParReadPort() - before ParNT95ReadFile(2)\n");
        uint32_t got = 0;
        const bool readOk = ParNT95ReadFile(channel, data + total, dataLen - total, got);
        SlcLog(SLC_LOG_TRACE, "ParReadPort() - after ParNT95ReadFile(2)\n");
        if (!readOk && got == 0) PauseAfterFailedRead();
        if (got > 0) {
            SlcLog(SLC_LOG_DATA, "ParReadPort() - read %d bytes:\n", static_cast<int>(got));
            SlcLogHex(data + total, got);
            total += got;
            clockRunning = false;
            continue;
        }
        const uint32_t now = clock.tickCount();
        if (!clockRunning) {
            emptySince = now;
            clockRunning = true;
        }
        const uint32_t elapsed = now - emptySince;
        SlcLog(SLC_LOG_TRACE, "ParReadPort(): Successful read with no data : Timeout value is = %ld\n",
               static_cast<long>(elapsed));
        if (elapsed > SlcTimingTable().readGiveUpMs) {
            SlcLog(SLC_LOG_TRACE, "ParReadPort(): Read 10 Second Timeout occurred \n");
            return false;
        }
    }
    return true;
}

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
    std::vector<uint8_t> message;
    bool inMessage = false;
    for (;;) {
        uint8_t header[npa::HEADER_SIZE] = {};
        bool readFailed = false;
        const Hunt hunt = HuntHeader(channel, header, inMessage, readFailed);
        if (hunt == Hunt::End) return;
        SlcLog(SLC_LOG_TRACE, "ParReadPort() - outside second while() (read the first 3 bytes), Error=%d\n",
               readFailed ? 1 : 0);
        if (hunt == Hunt::Unusable) continue;

        const uint32_t dataLen = npa::ReadDataLen(header);
        SlcLog(SLC_LOG_TRACE, "ParReadPort() - DataLen=%d\n", static_cast<int>(dataLen));
        // Every packet carries at least its flags and command byte.
        if (dataLen < 2) continue;

        std::vector<uint8_t> packet(dataLen, 0);
        if (!ReadPacketData(channel, packet.data(), dataLen)) {
            // A packet cut short is no reply: tell the waiter it failed rather than hand on zeros.
            if (!Stopping()) GiveUp();
            return;
        }
        header[3] = packet[0];
        header[4] = packet[1];
        SlcLog(SLC_LOG_TRACE, "ParReadPort() - read %d total bytes\n", static_cast<int>(dataLen));
        SlcLog(SLC_LOG_DATA, "ParReadPort() - Header:");
        SlcLogHex(header, npa::HEADER_SIZE);
        SlcLog(SLC_LOG_DATA, "ParReadPort() - Data:");
        SlcLogHex(packet.data() + 2, dataLen - 2);
        SlcLog(SLC_LOG_TRACE, "ParReadPort() - got response\n");

        // A message beyond a slot is only counted, not kept: it ends as "too large" anyway.
        if (message.size() <= SLC_SLOT_SIZE) message.insert(message.end(), packet.begin() + 2, packet.end());
        inMessage = !message.empty();

        if ((header[3] & npa::FLAG_CONTINUE) != 0) {
            inMessage = true;
            continue;
        }
        SlcLog(SLC_LOG_TRACE, "ParReadPort() - no continuation\n");
        const Waiter waiter = CurrentWaiter();
        if (Judge(header, waiter) == Verdict::Discard) {
            message.clear();
            inMessage = false;
            continue;
        }
        StoreReply(header, message, waiter.serial);
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
