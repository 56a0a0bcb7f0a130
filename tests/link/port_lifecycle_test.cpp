// Which port is open, and what opening, closing and shutting down do to it and to the reader.
#include <chrono>
#include <fstream>

#include "link_fixture.h"

namespace linktest {
namespace {

using PortLifecycle = LinkTest;

int SendBatch(const char* port) {
    const Bytes request = BatchRead();
    uint8_t reply[2048];
    uint32_t length = sizeof reply;
    return SlcSendCommand(port, request.data(), static_cast<uint32_t>(request.size()), reply, &length);
}

TEST_F(PortLifecycle, OnlyTheOpenPortIsServed) {
    sim_->setLoggingLevel(SLC_LOG_PUBLIC);
    sim::VirtualPrinter& lpt1 = AddPrinter({}, "LPT1:");
    sim::VirtualPrinter& lpt2 = AddPrinter({}, "LPT2:");
    EXPECT_EQ(SlcClosePort(nullptr), SLC_OK);
    EXPECT_EQ(SlcSendCommand("", npa::kRegisterAlert.data(), 7, nullptr, nullptr), SLC_NOT_OPEN);
    ASSERT_EQ(SlcOpenPort("LPT2:"), SLC_OK);
    lpt1.clearWire();
    lpt2.clearWire();

    EXPECT_EQ(SendBatch("LPT1:"), SLC_NOT_OPEN);
    EXPECT_TRUE(LogHas("port LPT1: is not open\n"));
    EXPECT_EQ(SlcOffline("LPT1:", 1), SLC_NOT_OPEN);
    EXPECT_TRUE(LogHas("SlcOffline(LPT1:, offline) - port is not open\n"));
    EXPECT_EQ(SendBatch("lpt2:"), SLC_NOT_OPEN);  // names compare case-sensitively
    EXPECT_EQ(SlcClosePort("LPT1:"), SLC_OK);
    EXPECT_TRUE(lpt1.receivedBytes().empty());
    EXPECT_TRUE(lpt2.receivedBytes().empty());
    EXPECT_EQ(SlcGlobals().openPort, "LPT2:");
    EXPECT_EQ(SendBatch("LPT2:"), SLC_OK);
}

TEST_F(PortLifecycle, OpeningAnotherPortReleasesTheFirstWithoutSending) {
    sim_->setLoggingLevel(SLC_LOG_PUBLIC);
    sim::VirtualPrinter& lpt1 = AddPrinter({}, "LPT1:");
    AddPrinter({}, "LPT2:");
    ASSERT_EQ(SlcOpenPort("LPT1:"), SLC_OK);
    ASSERT_EQ(SendBatch("LPT1:"), SLC_OK);
    EXPECT_TRUE(SlcGlobals().readThread.joinable());
    lpt1.clearWire();

    ASSERT_EQ(SlcOpenPort("LPT2:"), SLC_OK);
    EXPECT_TRUE(LogHas("SlcOpenPort(LPT2:) - currently open port [LPT1:] will be closed\n"));
    EXPECT_TRUE(LogHas("SlcOpenPort(LPT2:) - returning 0\n"));
    EXPECT_FALSE(SlcGlobals().readThread.joinable());  // the old port's reader was ended and joined
    EXPECT_TRUE(lpt1.receivedBytes().empty());
    EXPECT_EQ(SendBatch("LPT2:"), SLC_OK);
    EXPECT_EQ(SendBatch("LPT1:"), SLC_NOT_OPEN);
    EXPECT_TRUE(lpt1.receivedBytes().empty());
}

TEST_F(PortLifecycle, CloseAndShutdownEndAHuntingReaderPromptly) {
    sim::VirtualPrinter& printer = AddPrinter();
    SlcTimingTable().responseWaitMs = 50;
    for (bool viaShutdown : {false, true}) {
        SCOPED_TRACE(viaShutdown);
        printer.setFaults({});
        ASSERT_EQ(SlcOpenPort("LPT1:"), SLC_OK);
        sim::Faults silent;
        silent.silent = true;
        printer.setFaults(silent);
        ASSERT_EQ(SendBatch("LPT1:"), SLC_SEND_READFAIL);  // the reader is still hunting
        ASSERT_TRUE(SlcGlobals().readThread.joinable());

        const auto start = std::chrono::steady_clock::now();
        if (viaShutdown) {
            SlcShutdown();
        } else {
            EXPECT_EQ(SlcClosePort("LPT1:"), SLC_OK);
            EXPECT_TRUE(SlcGlobals().openPort.empty());
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
        EXPECT_FALSE(SlcGlobals().readThread.joinable());
        EXPECT_FALSE(SlcGlobals().readThreadRunning);
        SlcResetForTesting();
    }
}

TEST_F(PortLifecycle, FilePortLeavesAnOldFileAloneUntilItIsComplete) {
    const std::string path = TempPath("settings.npa");
    {
        std::ofstream old(path, std::ios::binary);
        old << std::string(500, 'x');
    }
    // Opened and closed without anything written: the old file keeps every byte.
    ASSERT_EQ(SlcOpenPort(platform::PortName::CommandFile(path)), SLC_OK);
    EXPECT_NE(SlcClosePort(path.c_str()), SLC_OK);
    {
        // Closed again before the next close replaces the file (Windows refuses to replace a
        // file that another handle holds open).
        std::ifstream in(path, std::ios::binary | std::ios::ate);
        EXPECT_EQ(in.tellg(), 500);
    }

    // A complete one replaces it whole (no tail of the older, longer file).
    ASSERT_EQ(SlcOpenPort(platform::PortName::CommandFile(path)), SLC_OK);
    ASSERT_EQ(SlcOffline(path.c_str(), 1), SLC_OK);
    ASSERT_EQ(SlcOffline(path.c_str(), 0), SLC_OK);
    ASSERT_EQ(SlcClosePort(path.c_str()), SLC_OK);
    std::ifstream done(path, std::ios::binary | std::ios::ate);
    EXPECT_EQ(done.tellg(), static_cast<std::streamoff>(npa::kStart.size() + npa::kFileOnline.size()));

    EXPECT_EQ(SlcOpenPort(platform::PortName::CommandFile(TempPath("no-such-folder/x.npa"))), SLC_FAIL);
    EXPECT_TRUE(SlcGlobals().openPort.empty());
}

// A name no kind accepts (a malformed network name among them) is refused before anything is
// touched: never taken for a command file, and the open port stays open.
TEST_F(PortLifecycle, ANameNoKindAcceptsIsRefusedAndNeverAFile) {
    sim_->setLoggingLevel(SLC_LOG_PUBLIC);
    AddPrinter({}, "LPT1:");
    ASSERT_EQ(SlcOpenPort("LPT1:"), SLC_OK);
    const std::string mistyped = TempPath("LTP1:");
    for (const std::string& name : {mistyped, std::string("socket://[::1")}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(SlcOpenPort(name.c_str()), SLC_FAIL);
        EXPECT_EQ(SlcLastProblem(), platform::PortName::Parse(name).problem());
        EXPECT_NE(SlcLastProblem().find("LPTn: (or LPTn) for a parallel port, USBnnn for a USB port or socket://HOST[:PORT][?options] for a network printer"),
                  std::string::npos);
        EXPECT_TRUE(LogHas("SlcOpenPort(" + name + ") - returning -1\n"));
    }
    EXPECT_FALSE(std::ifstream(mistyped).good());
    EXPECT_EQ(SlcGlobals().openPort, "LPT1:");
    EXPECT_EQ(SendBatch("LPT1:"), SLC_OK);
}

}  // namespace
}  // namespace linktest
