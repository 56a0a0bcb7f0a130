#include "platform/linux/parallel.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
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
    LinuxSystemInfo system(bed.roots());
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
