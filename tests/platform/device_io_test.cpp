// The bounded, cancellable I/O under every parallel and USB channel, against a pty whose master
// plays the printer.
#include "platform/linux/device_io.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/linux/parallel.h"
#include "testbed.h"

using namespace platform::linux_impl;
using Clock = std::chrono::steady_clock;

namespace {

long long msSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

std::shared_ptr<OpenNode> openSlave(const testbed::PtyPair& pty) {
    int error = 0;
    return openDeviceNode(pty.slavePath(), O_RDWR, error);
}

}  // namespace

TEST(CommTimeoutBounds, FollowTheSerialPortConvention) {
    platform::CommTimeouts none;
    EXPECT_EQ(parallelReadBounds(none, 128).totalMs, kDefaultParallelReadMs);  // never unbounded
    platform::CommTimeouts query{50, 5, 2500, 10, 2500};
    ReadBounds b = parallelReadBounds(query, 128);
    EXPECT_EQ(b.totalMs, 2500 + 5 * 128);
    EXPECT_EQ(b.intervalMs, 50);
    EXPECT_EQ(parallelWriteMs(query, 39), 2500 + 10 * 39);
    EXPECT_EQ(parallelWriteMs(none, 39), kDefaultWriteMs);
    platform::CommTimeouts immediate{0xFFFFFFFFu, 0, 0, 0, 0};
    EXPECT_EQ(parallelReadBounds(immediate, 10).totalMs, 0);
    platform::CommTimeouts huge{0, 0xFFFFFFFFu, 0xFFFFFFFFu, 0, 0};
    EXPECT_GT(parallelReadBounds(huge, 4096).totalMs, 0);  // saturates instead of wrapping
}

TEST(DeviceIo, ReadsEndAtTheirBounds) {
    testbed::PtyPair pty;
    ASSERT_TRUE(pty.ok());
    auto node = openSlave(pty);
    ASSERT_TRUE(node);
    DeviceIo io(node);
    uint8_t buf[64];

    auto start = Clock::now();
    EXPECT_EQ(io.read(buf, sizeof buf, {150, 0, false}), 0);  // silence: 0 after the total
    EXPECT_GE(msSince(start), 140);
    EXPECT_LT(msSince(start), 1000);

    // A gap longer than the interval ends a read that has bytes, long before the total.
    pty.send("abc");
    start = Clock::now();
    EXPECT_EQ(io.read(buf, sizeof buf, {3000, 40, false}), 3);
    EXPECT_LT(msSince(start), 1000);

    // Without an interval the read fills its buffer from pieces that come apart.
    std::thread late([&] {
        pty.send("12");
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        pty.send("345");
    });
    EXPECT_EQ(io.read(buf, 5, {2000, 0, false}), 5);
    late.join();
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 5), "12345");

    // A USB transfer returns what came at once, never more than asked.
    pty.send(std::string(40, 'x'));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(io.read(buf, 32, {1000, 0, true}), 32);
    EXPECT_EQ(io.read(buf, 32, {1000, 0, true}), 8);
}

TEST(DeviceIo, CancelWakesABlockedReaderAndFailsLaterReads) {
    testbed::PtyPair pty;
    auto node = openSlave(pty);
    ASSERT_TRUE(node);
    DeviceIo io(node);
    uint8_t buf[8];
    long result = 0;
    auto start = Clock::now();
    std::thread reader([&] { result = io.read(buf, sizeof buf, {5000, 0, false}); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    io.cancel();
    reader.join();
    EXPECT_EQ(result, -1);
    EXPECT_LT(msSince(start), 1000);
    EXPECT_EQ(io.lastError(), ECANCELED);
    start = Clock::now();
    EXPECT_EQ(io.read(buf, sizeof buf, {5000, 0, false}), -1);
    EXPECT_LT(msSince(start), 100);
    // Writes still go out: the writer side of a port is not the reader being stopped.
    EXPECT_EQ(io.write(reinterpret_cast<const uint8_t*>("ok"), 2, 1000), 2);
}

TEST(DeviceIo, ATerminalPassesEveryByteUnchanged) {
    testbed::PtyPair pty;
    auto node = openSlave(pty);
    ASSERT_TRUE(node);
    DeviceIo io(node);
    const std::string packet("\xA5\x00\x03\x0D\x0A\x1B\x03\x11\x13\x7F\x00", 11);
    EXPECT_EQ(io.write(reinterpret_cast<const uint8_t*>(packet.data()), packet.size(), 1000), 11);
    EXPECT_EQ(pty.receive(11, 1000), packet);
    pty.send(packet);
    uint8_t buf[32];
    ASSERT_EQ(io.read(buf, 11, {1000, 0, false}), 11);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 11), packet);
}

TEST(DeviceIo, AVanishedDeviceFailsAtOnce) {
    testbed::PtyPair pty;
    auto node = openSlave(pty);
    ASSERT_TRUE(node);
    DeviceIo io(node);
    pty.closeMaster();
    uint8_t buf[8];
    auto start = Clock::now();
    EXPECT_EQ(io.read(buf, sizeof buf, {3000, 0, false}), -1);
    EXPECT_NE(io.lastError(), 0);
    EXPECT_EQ(io.write(buf, sizeof buf, 3000), -1);
    EXPECT_LT(msSince(start), 1000);
}

TEST(DeviceNode, MissingNodesReportTheirErrno) {
    int error = 0;
    EXPECT_FALSE(openDeviceNode("/nonexistent/devpanel/lp0", O_RDWR, error));
    EXPECT_EQ(error, ENOENT);
}
