#include "platform/linux/parallel.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <thread>

#include "platform/linux/port_names.h"
#include "platform/port_name.h"
#include "testbed.h"

using namespace platform::linux_impl;

TEST(ParallelPortNames, AcceptOnlyLptWithAPortNumber) {
    EXPECT_EQ(platform::ParallelPortNumber("LPT1:"), 1);
    EXPECT_EQ(platform::ParallelPortNumber("LPT1"), 1);
    EXPECT_EQ(platform::ParallelPortNumber("LPT12:"), 12);
    for (const char* bad : {"LPT", "LPT:", "LPT0:", "LPT01", "lpt1:", "LPT1::", "LPT1x", "LPT256", "USB001", " LPT1"})
        EXPECT_FALSE(platform::ParallelPortNumber(bad)) << bad;
    EXPECT_EQ(usbPortName(0), "USB001");
    EXPECT_EQ(usbPortName(11), "USB012");
}

class ParallelPortsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        bed.addParallelNode(0, pty.slavePath());
    }
    testbed::Testbed bed;
    testbed::PtyPair pty;
    LinuxParallelPorts ports{bed.roots()};
};

TEST_F(ParallelPortsTest, OpensLptOneAsLpZeroForTwoWayTraffic) {
    int error = -1;
    auto channel = ports.open("LPT1:", error);
    ASSERT_TRUE(channel) << error;
    EXPECT_EQ(channel->write(reinterpret_cast<const uint8_t*>("hi"), 2), 2);
    EXPECT_EQ(pty.receive(2, 1000), "hi");
    pty.send("ok");
    uint8_t buf[4];
    EXPECT_EQ(channel->read(buf, 2), 2);

    EXPECT_FALSE(ports.open("LPT2:", error));  // no dev/lp1
    EXPECT_EQ(error, ENOENT);
    // The node a failure message names.
    EXPECT_EQ(ports.deviceNode("LPT2:"), bed.roots().devPath("dev/lp1"));
    EXPECT_EQ(ports.deviceNode("LPTX"), "LPTX");
    EXPECT_FALSE(ports.open("LPTX", error));
}

TEST_F(ParallelPortsTest, TimeoutsBoundReadsAsTheyAreSet) {
    int error = 0;
    auto channel = ports.open("LPT1", error);
    ASSERT_TRUE(channel);
    platform::CommTimeouts t;
    ASSERT_TRUE(channel->getTimeouts(t));
    EXPECT_EQ(t.readTotalConstant, 0u);
    platform::CommTimeouts query{50, 5, 200, 10, 2500};
    ASSERT_TRUE(channel->setTimeouts(query));
    ASSERT_TRUE(channel->getTimeouts(t));
    EXPECT_EQ(t.readTotalConstant, 200u);
    uint8_t buf[128];
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(channel->read(buf, 20, 0), 0);  // the channel's own time-outs, not the argument
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(ms, 290);  // 200 + 5 * 20
    EXPECT_LT(ms, 1500);
}

TEST_F(ParallelPortsTest, DeviceIdComesFromTheAutoprobeText) {
    bed.addAutoprobe(0, {"CLASS:PRINTER;", "MODEL:Pressline T90;", "MANUFACTURER:Corvane;", "COMMAND SET:PJL,QNPAP;"});
    int error = 0;
    auto channel = ports.open("LPT1:", error);
    ASSERT_TRUE(channel);
    uint8_t buf[4096];
    size_t length = 0;
    ASSERT_TRUE(channel->readDeviceId(buf, sizeof buf, length));
    const std::string expected = "CLASS:PRINTER;MODEL:Pressline T90;MANUFACTURER:Corvane;COMMAND SET:PJL,QNPAP;";
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), length), expected);
    // A small buffer gets what fits, never more.
    uint8_t small[10];
    ASSERT_TRUE(channel->readDeviceId(small, sizeof small, length));
    EXPECT_EQ(length, sizeof small);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(small), length), expected.substr(0, 10));
}

TEST_F(ParallelPortsTest, DeviceIdFailsCleanlyWithoutAProbeOrANegotiablePort) {
    int error = 0;
    auto channel = ports.open("LPT1:", error);
    ASSERT_TRUE(channel);
    uint8_t buf[256];
    size_t length = 99;
    EXPECT_FALSE(channel->readDeviceId(buf, sizeof buf, length));
    EXPECT_EQ(length, 0u);
    EXPECT_NE(channel->lastError(), 0);

    bed.addAutoprobe(0, {});  // the kernel found no device on the port
    EXPECT_FALSE(channel->readDeviceId(buf, sizeof buf, length));
    bed.remove("proc");

    // A ppdev node that does not take the negotiation requests (here a pty) fails at once.
    testbed::PtyPair other;
    bed.link("dev/parport0", other.slavePath());
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(channel->readDeviceId(buf, sizeof buf, length));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST_F(ParallelPortsTest, WriteOnlyNodesTakeTheOneWayCopy) {
    LinuxSystemInfo system(bed.roots(), ports);
    EXPECT_EQ(system.osKind(), platform::OsKind::TwoWay);
    ASSERT_EQ(::chmod(pty.slavePath().c_str(), 0620), 0);
    EXPECT_FALSE(system.parallelPortIsWriteOnly("LPT1:"));
    ASSERT_EQ(::chmod(pty.slavePath().c_str(), 0220), 0);
    EXPECT_TRUE(system.parallelPortIsWriteOnly("LPT1:"));
    EXPECT_TRUE(system.parallelPortIsWriteOnly("LPT1"));
    EXPECT_FALSE(system.parallelPortIsWriteOnly("LPT2:"));  // missing: not a write-only port
    EXPECT_FALSE(system.parallelPortIsWriteOnly("COM1"));

    int error = 0;
    auto copy = ports.openWriteOnly("LPT1:", error);
    ASSERT_TRUE(copy) << error;
    EXPECT_EQ(copy->write(reinterpret_cast<const uint8_t*>("\x1B%-12345X"), 9), 9);
    EXPECT_EQ(pty.receive(9, 1000), "\x1B%-12345X");
    uint8_t buf[4];
    EXPECT_EQ(copy->read(buf, sizeof buf, 0), -1);
    ::chmod(pty.slavePath().c_str(), 0620);
}

TEST_F(ParallelPortsTest, StatusOfANodeWithoutStatusLinesCannotBeTold) {
    platform::ParallelStatus status;
    int error = 0;
    EXPECT_FALSE(ports.readStatus("LPT1:", status, error));  // a pty
    EXPECT_EQ(error, ENOTTY);
    EXPECT_FALSE(ports.readStatus("LPT2:", status, error));
    EXPECT_EQ(error, ENOENT);
    EXPECT_FALSE(ports.readStatus("COM1", status, error));
}

// A port that carries bytes to the printer only: the lp driver reads no device ID for it and
// fails every read at once with EIO. With the status lines saying the printer is ready, the port
// is driven one way; any other sign of a reverse channel, or any status but ready, keeps it two-way
// (where the open then says what is wrong).
struct ReverseChannelCase {
    const char* name;
    bool readsFail;                                  // dev/lp0 fails reads with EIO (else: a pty)
    std::vector<std::string> autoprobe;              // the kernel's probe text
    std::optional<platform::ParallelStatus> status;  // nullopt: the lines cannot be read
    bool oneWay;
};

class PortWithoutReverseChannel : public ::testing::TestWithParam<ReverseChannelCase> {
protected:
    testbed::Testbed bed;
    testbed::PtyPair pty;
};

TEST_P(PortWithoutReverseChannel, IsOneWayOnlyWhenItsPrinterIsReady) {
    const ReverseChannelCase& c = GetParam();
    if (c.readsFail) {
        bed.addParallelNodeWithoutReverseChannel(0);
    } else {
        ASSERT_TRUE(pty.ok());
        bed.addParallelNode(0, pty.slavePath());
    }
    bed.addAutoprobe(0, c.autoprobe);
    testbed::ParallelPortsWithStatus ports(bed.roots());
    ports.status = c.status;
    LinuxSystemInfo system(bed.roots(), ports);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(system.parallelPortIsWriteOnly("LPT1:"), c.oneWay);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500)) << "nothing waits";
    if (!c.readsFail) {
        EXPECT_EQ(pty.receive(1, 50), "") << "the printer is sent nothing";
    }
}

const platform::ParallelStatus kReady{true, false, false};

INSTANTIATE_TEST_SUITE_P(
    Parallel, PortWithoutReverseChannel,
    ::testing::Values(ReverseChannelCase{"ReadyPrinter", true, {}, kReady, true},
                      ReverseChannelCase{"PaperOut", true, {}, platform::ParallelStatus{true, true, false}, false},
                      ReverseChannelCase{"OffLine", true, {}, platform::ParallelStatus{false, false, false}, false},
                      ReverseChannelCase{"Fault", true, {}, platform::ParallelStatus{true, false, true}, false},
                      ReverseChannelCase{"StatusUnknown", true, {}, std::nullopt, false},
                      ReverseChannelCase{"PortThatReads", false, {}, kReady, false},
                      ReverseChannelCase{"PortWithADeviceId", true,
                                         {"MANUFACTURER:Altrin;", "MODEL:Pressline T90;", "COMMAND SET:PJL, NPAP,;"},
                                         kReady, false}),
    [](const ::testing::TestParamInfo<ReverseChannelCase>& info) { return std::string(info.param.name); });
