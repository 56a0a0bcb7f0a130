// The wait for a stored message, one for every transport: a transport's reader thread stores
// what it read in the response slots and signals semResponse; the caller's thread waits here,
// takes the stored messages, lets the transport's rule judge them and hands the answer back.
#include <chrono>
#include <cstring>

#include "link/link_private.h"
#include "protocol/packets.h"

namespace {

// Takes every stored message out of the transport's slots, oldest slot first.
void TakeStored(const SlcResponseWait& wait, std::vector<SlcSlotMessage>& out) {
    SlcState& g = SlcGlobals();
    std::lock_guard<std::mutex> lock(g.responseMutex);
    for (int slot = 0; slot < wait.slots && slot < SLC_SLOT_COUNT; ++slot) {
        const int32_t length = g.slotLength[slot];
        if (length == 0) continue;
        if (wait.logSlots) SlcLog(SLC_LOG_TRACE, "%s() - found response in slot %d\n", wait.name, slot);
        SlcSlotMessage message;
        message.length = length;
        message.serial = g.slotSerial[slot];
        // A marker keeps the header, so that the judge can tell whose message it was.
        const size_t kept = length > 0 ? static_cast<size_t>(length) : npa::HEADER_SIZE;
        message.bytes.assign(g.responseSlots[slot], g.responseSlots[slot] + kept);
        out.push_back(std::move(message));
        g.slotLength[slot] = 0;
    }
}

}  // namespace

int SlcAwaitMessages(const SlcResponseWait& wait, std::vector<SlcSlotMessage>& taken) {
    SlcState& g = SlcGlobals();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait.waitMs);
    for (;;) {
        SlcLog(SLC_LOG_TRACE, "%s() : Before wfso(G_hSemResponse)\n", wait.name);
        const bool signalled = g.semResponse.try_acquire_until(deadline);
        SlcLog(SLC_LOG_TRACE, "%s() : Returned from wfso(G_hSemResponse)\n", wait.name);
        if (!signalled) {
            if (wait.notesLateReply) g.lateReplyPossible = true;
            SlcLog(SLC_LOG_TRACE, "%s() - RESPONSE_WAIT_TIMEOUT occured after %d ms, returning SLC_SEND_READFAIL\n",
                   wait.name, static_cast<int>(wait.loggedWaitMs));
            return SLC_SEND_READFAIL;
        }
        SlcLog(SLC_LOG_TRACE, "%s() - The read thread got a response and signalled us\n", wait.name);

        std::vector<SlcSlotMessage> stored;
        TakeStored(wait, stored);
        if (stored.empty()) {
            if (wait.logSlots) {
                SlcLog(SLC_LOG_TRACE, "%s() - Since LookAgain is true, we will look for a response\n", wait.name);
            }
            continue;
        }
        const size_t before = taken.size();
        for (SlcSlotMessage& message : stored) {
            if (!wait.judge || wait.judge(message) == SlcVerdict::Take) taken.push_back(std::move(message));
        }
        // Everything this signal brought was dropped: the wait goes on within the same time.
        if (taken.size() > before) return SLC_OK;
    }
}

int SlcAwaitReply(const SlcResponseWait& wait, uint8_t* reply, uint32_t* replyLength) {
    const uint32_t capacity = (reply != nullptr && replyLength != nullptr) ? *replyLength : 0;
    if (replyLength != nullptr) *replyLength = 0;
    std::vector<SlcSlotMessage> taken;
    const int rc = SlcAwaitMessages(wait, taken);
    if (rc != SLC_OK) return rc;

    // Of several replies announced by one signal the most recent one is the answer.
    const SlcSlotMessage& answer = taken.back();
    if (answer.length == SLC_SLOT_FAILED) {
        if (wait.logOutcome) SlcLog(SLC_LOG_TRACE, "%s() - read failure\n", wait.name);
        return SLC_FAIL;
    }
    const bool tooLarge = answer.length < 0 || (capacity == 0 ? wait.noBufferIsTooLarge
                                                              : static_cast<uint32_t>(answer.length) > capacity);
    if (tooLarge) {
        if (wait.logOutcome) SlcLog(SLC_LOG_TRACE, "%s() - response too large\n", wait.name);
        return SLC_SEND_TOOLARGE;
    }
    if (wait.logOutcome) SlcLog(SLC_LOG_TRACE, "%s() - success\n", wait.name);
    if (capacity > 0) {
        std::memcpy(reply, answer.bytes.data(), answer.bytes.size());
        *replyLength = static_cast<uint32_t>(answer.length);
    }
    return SLC_OK;
}

void SlcDropStoredMessages(const char* name) {
    SlcState& g = SlcGlobals();
    std::lock_guard<std::mutex> lock(g.responseMutex);
    for (int slot = 0; slot < SLC_SLOT_COUNT; ++slot) {
        if (g.slotLength[slot] == 0) continue;
        SlcLog(SLC_LOG_TRACE, "%s() - dropping a stored message (command byte %02X) from slot %d\n", name,
               g.responseSlots[slot][4], slot);
        g.slotLength[slot] = 0;
    }
    (void)g.semResponse.try_acquire();
}

void SlcDrainLateReplies(const char* name, const std::function<void()>& rearm) {
    SlcState& g = SlcGlobals();
    if (!g.lateReplyPossible) return;
    g.lateReplyPossible = false;
    const uint32_t drainMs = SlcTimingTable().lateReplyDrainMs;
    SlcLog(SLC_LOG_TRACE, "%s() - an earlier wait timed out: dropping late replies for %u ms\n", name, drainMs);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(drainMs);
    for (;;) {
        if (rearm) rearm();
        if (!g.semResponse.try_acquire_until(deadline)) break;
        // A signal without a stored message (the reader's marker of a failed read) drops nothing.
        SlcDropStoredMessages(name);
    }
}
