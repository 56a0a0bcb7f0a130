// The USB reader thread against read pipes the test feeds by hand: how it ends, and what it does
// with failing reads.
#include <gtest/gtest.h>

#include <chrono>

#include "link/link_private.h"
#include "link/usb_private.h"
#include "sim/sim_platform.h"
#include "tests/link/fake_usb.h"
#include "tests/link/usb_test_util.h"

using namespace usbtest;

namespace {

using Clock = std::chrono::steady_clock;

class UsbReader : public ::testing::Test {
protected:
    void SetUp() override {
        sim_.setSleepScale(0);
        sim_.setLoggingLevel(SLC_LOG_PUBLIC | SLC_LOG_TRACE);
        platform::Platform p = sim_.interfaces();
        p.usb = &usb_;
        platform::install(p);
        SlcResetForTesting();
        SlcTimingTable() = SlcDefaultTiming();
        SlcTimingTable().usbReadWaitMs = 20;
        usb_.add(0, 1, "MFG:Altrin;CMD:QNPAP;MODEL:Pressline T90;", "A");
        ASSERT_EQ(SlcOpenPort(kPort), SLC_OK);
    }
    void TearDown() override {
        SlcResetForTesting();
        SlcTimingTable() = SlcDefaultTiming();
    }

    // Waits for one message (starting the reader when needed).
    int wait(Bytes& message, uint32_t waitMs = 2000) {
        SlcTimingTable().responseWaitMs = waitMs;
        message.assign(SLC_SLOT_SIZE, 0);
        uint32_t length = SLC_SLOT_SIZE;
        const int rc = UsbGetResponse(message.data(), &length, 0);
        message.resize(length);
        return rc;
    }

    bool logged(const std::string& line) const { return sim_.logText().find(line) != std::string::npos; }

    sim::SimPlatform sim_;
    FakeUsb usb_;
};

TEST_F(UsbReader, CloseEndsAReaderWaitingInsideAMessage) {
    const Bytes reply = Sized(70);
    usb_.reads.push(Slice(reply, 0, 32));  // the rest never comes
    Bytes message;
    EXPECT_EQ(wait(message, 100), SLC_SEND_READFAIL);
    const auto before = Clock::now();
    EXPECT_EQ(SlcClosePort(kPort), SLC_OK);
    EXPECT_LT(Clock::now() - before, std::chrono::milliseconds(500));
    EXPECT_FALSE(SlcGlobals().readThreadRunning);
}

TEST_F(UsbReader, CancelEndsALongReadAtOnce) {
    SlcTimingTable().usbReadWaitMs = 30000;
    Bytes message;
    usb_.reads.push(Sized(9));
    ASSERT_EQ(wait(message), SLC_OK);  // the reader now sits in a long read
    const auto before = Clock::now();
    {
        std::lock_guard<std::mutex> lock(SlcGlobals().transactionInfo);
        SlcGlobals().expectingResponse = false;
    }
    SlcGlobals().readerStop.store(true);
    UsbCancelReader();
    SlcStopReader();
    EXPECT_LT(Clock::now() - before, std::chrono::milliseconds(2000));
    EXPECT_FALSE(SlcGlobals().readThreadRunning);
    EXPECT_FALSE(logged("ReadPkt(): after ReadFileEx"));  // a cancelled read is no pipe error
}

TEST_F(UsbReader, ReadErrorPausesReopensAndLosesThePartialMessage) {
    const Bytes first = Sized(40, 0x11, 0xE0, 1);
    const Bytes second = Sized(12, 0x11, 0xE0, 2);
    usb_.reads.push(Slice(first, 0, 32));
    usb_.reads.pushError();
    usb_.reads.push(second);
    Bytes message;
    ASSERT_EQ(wait(message), SLC_OK);
    EXPECT_EQ(message, second);
    EXPECT_TRUE(logged("ReadPkt(): after ReadFileEx(not pendingIO) call got lastError:5\n"));
    const std::vector<uint32_t> sleeps = sim_.sleeps();
    EXPECT_NE(std::find(sleeps.begin(), sleeps.end(), SlcDefaultTiming().pipeErrorPauseMs), sleeps.end());
}

TEST_F(UsbReader, ReadPipeIsOpenedAfreshForEveryMessage) {
    Bytes message;
    const size_t before = usb_.openCount();  // the test open of SlcOpenPort
    usb_.reads.push(Sized(9, 0x11, 0xE0, 1));
    ASSERT_EQ(wait(message), SLC_OK);
    usb_.reads.push(Sized(9, 0x11, 0xE0, 2));
    ASSERT_EQ(wait(message), SLC_OK);
    EXPECT_EQ(message, Sized(9, 0x11, 0xE0, 2));
    // The second message came through a pipe opened after the first one.
    EXPECT_GE(usb_.openCount(), before + 2);
}

TEST_F(UsbReader, AlertsAndRepliesGoToSlotsCommandErrorsDoNot) {
    Bytes message;
    usb_.reads.push(Packet(0x98, 0xE0, {0xE7, 0x00}));  // command error
    usb_.reads.push(Packet(0x01, 0xF0, {0xE7, 0x0C, 0x01, 0x01}));
    ASSERT_EQ(wait(message), SLC_OK);
    EXPECT_EQ(message[4], 0xF0);
    EXPECT_TRUE(logged("UsbReadPort(): It's a command error, tossing.\n"));
    EXPECT_TRUE(logged("UsbReadPort(): It's an alert!\n"));
}

TEST_F(UsbReader, MessageLargerThanASlotIsHandedOutAsTooLarge) {
    Bytes message;
    for (const Bytes& t : Transfers(Sized(3000))) usb_.reads.push(t);
    EXPECT_EQ(wait(message), SLC_SEND_TOOLARGE);
    usb_.reads.push(Sized(9));
    EXPECT_EQ(wait(message), SLC_OK);
    EXPECT_EQ(message, Sized(9));
}

}  // namespace
