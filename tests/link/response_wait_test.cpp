// The link's one wait for a stored message, fed by hand-filled response slots: which message
// answers, what is dropped, and what the caller gets back.
#include <chrono>
#include <cstring>
#include <thread>

#include "link_fixture.h"

namespace linktest {
namespace {

class ResponseWait : public LinkTest {
protected:
    void SetUp() override {
        LinkTest::SetUp();
        sim_->setLoggingLevel(SLC_LOG_TRACE);
        SlcInit();
    }

    // What a reader does: a message (or a marker with its header) in a slot, then the signal.
    void Store(int slot, const Bytes& message, int32_t length = 0, uint32_t serial = 0) {
        SlcState& g = SlcGlobals();
        {
            std::lock_guard<std::mutex> lock(g.responseMutex);
            std::memcpy(g.responseSlots[slot], message.data(), message.size());
            g.slotLength[slot] = length != 0 ? length : static_cast<int32_t>(message.size());
            g.slotSerial[slot] = serial;
        }
        SlcSignal(g.semResponse);
    }

    static Bytes Reply(uint8_t command, uint8_t tag) { return Bytes{0xA5, 0x00, 0x03, 0x11, command, tag}; }

    static SlcResponseWait Wait(uint32_t waitMs) {
        SlcResponseWait wait;
        wait.name = "TestWait";
        wait.waitMs = waitMs;
        wait.loggedWaitMs = 4321;
        return wait;
    }
};

TEST_F(ResponseWait, MostRecentTakenMessageAnswersAndDroppedOnesDoNot) {
    Store(0, Reply(0xE0, 1));
    Store(1, Reply(0xE1, 2));
    Store(2, Reply(0xE0, 3));
    SlcResponseWait wait = Wait(500);
    wait.judge = [](const SlcSlotMessage& m) { return m.bytes[4] == 0xE0 ? SlcVerdict::Take : SlcVerdict::Drop; };
    uint8_t reply[16] = {};
    uint32_t length = sizeof reply;
    ASSERT_EQ(SlcAwaitReply(wait, reply, &length), SLC_OK);
    ASSERT_EQ(length, 6u);
    EXPECT_EQ(reply[5], 3);
    std::lock_guard<std::mutex> lock(SlcGlobals().responseMutex);
    for (int32_t slotLength : SlcGlobals().slotLength) EXPECT_EQ(slotLength, 0);
}

TEST_F(ResponseWait, EverythingDroppedEndsInTheTimeOutWithinTheWait) {
    Store(0, Reply(0xE1, 1));
    SlcResponseWait wait = Wait(60);
    wait.judge = [](const SlcSlotMessage&) { return SlcVerdict::Drop; };
    uint8_t reply[16] = {};
    uint32_t length = sizeof reply;
    EXPECT_EQ(SlcAwaitReply(wait, reply, &length), SLC_SEND_READFAIL);
    EXPECT_EQ(length, 0u);
    EXPECT_TRUE(LogHas("TestWait() - RESPONSE_WAIT_TIMEOUT occured after 4321 ms, returning SLC_SEND_READFAIL\n"));
}

TEST_F(ResponseWait, OnlyTheTransportsSlotsAreScanned) {
    Store(1, Reply(0xE0, 1));
    SlcResponseWait wait = Wait(60);
    wait.slots = 1;
    std::vector<SlcSlotMessage> taken;
    EXPECT_EQ(SlcAwaitMessages(wait, taken), SLC_SEND_READFAIL);
    EXPECT_TRUE(taken.empty());
    std::lock_guard<std::mutex> lock(SlcGlobals().responseMutex);
    EXPECT_EQ(SlcGlobals().slotLength[1], 6);  // left for a wait that scans it
}

TEST_F(ResponseWait, MarkersAndBuffersDecideTheCode) {
    uint8_t reply[4] = {};
    uint32_t length = sizeof reply;
    Store(0, Reply(0xE0, 1), SLC_SLOT_FAILED);
    EXPECT_EQ(SlcAwaitReply(Wait(500), reply, &length), SLC_FAIL);

    length = sizeof reply;
    Store(0, Reply(0xE0, 1), SLC_SLOT_TOO_LARGE);
    EXPECT_EQ(SlcAwaitReply(Wait(500), reply, &length), SLC_SEND_TOOLARGE);

    length = sizeof reply;  // six bytes into four
    Store(0, Reply(0xE0, 1));
    EXPECT_EQ(SlcAwaitReply(Wait(500), reply, &length), SLC_SEND_TOOLARGE);
    EXPECT_EQ(length, 0u);

    // A reply that fills the buffer exactly fits.
    uint8_t exact[6] = {};
    length = sizeof exact;
    Store(0, Reply(0xE0, 1));
    EXPECT_EQ(SlcAwaitReply(Wait(500), exact, &length), SLC_OK);
    EXPECT_EQ(length, 6u);
    EXPECT_EQ(exact[4], 0xE0);

    // Without a buffer the reply is dropped, or too large when the transport says so.
    Store(0, Reply(0xE0, 1));
    EXPECT_EQ(SlcAwaitReply(Wait(500), nullptr, nullptr), SLC_OK);
    SlcResponseWait strict = Wait(500);
    strict.noBufferIsTooLarge = true;
    Store(0, Reply(0xE0, 1));
    EXPECT_EQ(SlcAwaitReply(strict, nullptr, nullptr), SLC_SEND_TOOLARGE);
}

TEST_F(ResponseWait, DropStoredMessagesEmptiesSlotsAndTheSignal) {
    Store(0, Reply(0xE0, 1));
    Store(2, Reply(0xF0, 2));
    SlcDropStoredMessages("TestSend");
    EXPECT_TRUE(LogHas("TestSend() - dropping a stored message (command byte F0) from slot 2\n"));
    std::vector<SlcSlotMessage> taken;
    EXPECT_EQ(SlcAwaitMessages(Wait(30), taken), SLC_SEND_READFAIL);
    EXPECT_TRUE(taken.empty());
}

// A late reply to a wait that timed out is awaited and dropped before the next request, once;
// without a time-out nothing is awaited.
TEST_F(ResponseWait, LateRepliesAreDrainedOnlyAfterATimeOut) {
    SlcTimingTable().lateReplyDrainMs = 300;
    std::vector<SlcSlotMessage> taken;
    ASSERT_EQ(SlcAwaitMessages(Wait(20), taken), SLC_SEND_READFAIL);
    ASSERT_TRUE(SlcGlobals().lateReplyPossible);

    int rearmed = 0;
    std::thread reader([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        Store(1, Reply(0xE0, 7));
    });
    SlcDrainLateReplies("TestSend", [&rearmed] { ++rearmed; });
    reader.join();
    EXPECT_TRUE(LogHas("TestSend() - an earlier wait timed out: dropping late replies for 300 ms\n"));
    EXPECT_TRUE(LogHas("TestSend() - dropping a stored message (command byte E0) from slot 1\n"));
    EXPECT_EQ(rearmed, 2);  // at the start and after the message dropped
    EXPECT_FALSE(SlcGlobals().lateReplyPossible);

    // Nothing timed out since: the next request goes out at once, and its reply is kept.
    Store(0, Reply(0xE0, 8));
    const auto start = std::chrono::steady_clock::now();
    SlcDrainLateReplies("TestSend", {});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    ASSERT_EQ(SlcAwaitMessages(Wait(100), taken), SLC_OK);
    EXPECT_EQ(taken.back().bytes[5], 8);
}

}  // namespace
}  // namespace linktest
