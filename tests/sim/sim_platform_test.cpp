// The simulated platform: settings, log, clock, parallel and USB channels backed by virtual
// printers (time-outs, cancel, 32-byte transfers), the printer list, and the POSIX file helpers.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "sim/sim_platform.h"
#include "sim_test_util.h"

using namespace simtest;
using namespace std::chrono;

namespace {

long ElapsedMs(steady_clock::time_point start) {
    return static_cast<long>(duration_cast<milliseconds>(steady_clock::now() - start).count());
}

const Bytes kTraySizeRead = Cat({Start(), Read(0x0105)});

}  // namespace

TEST(SimPlatformStore, LevelIsCreatedWhenMissingAndTheLogTellsWhetherItWasTouched) {
    sim::SimPlatform sim;
    auto p = sim.interfaces();
    EXPECT_EQ(p.settings->loggingLevel(), 0u);
    EXPECT_TRUE(sim.loggingLevelCreated());
    sim.setLoggingLevel(19);
    EXPECT_EQ(p.settings->loggingLevel(), 19u);

    EXPECT_FALSE(sim.logCreated());
    p.log->truncate();
    EXPECT_TRUE(sim.logCreated());
    EXPECT_FALSE(sim.logWritten());
    p.log->append("10:00:00 5: a\n\n");
    p.log->append("10:00:00 6: b\n");
    EXPECT_EQ(sim.logLines(), (std::vector<std::string>{"10:00:00 5: a", "", "10:00:00 6: b"}));
    sim.setLogUnwritable(true);
    p.log->truncate();
    p.log->append("lost\n");
    EXPECT_EQ(sim.logLines().size(), 3u);
}

TEST(SimPlatformClock, SleepsAreScaledAndRecorded) {
    sim::SimPlatform sim;
    auto p = sim.interfaces();
    sim.setSleepScale(0);
    const auto start = steady_clock::now();
    p.clock->sleepMs(5000);
    p.clock->sleepMs(385);
    EXPECT_LT(ElapsedMs(start), 1000);
    EXPECT_EQ(sim.sleeps(), (std::vector<uint32_t>{5000, 385}));
    EXPECT_EQ(p.clock->timeOfDay().size(), 8u);
}

TEST(SimPlatformParallel, PortNamesWriteOnlyPortsAndOpenFailures) {
    sim::SimPlatform sim;
    auto p = sim.interfaces();
    sim::VirtualPrinter& lpt1 = sim.addParallelPrinter("LPT1:");
    sim.addParallelPrinter("LPT2", /*writeOnly=*/true);
    int error = 0;
    EXPECT_NE(p.parallel->open("LPT1", error), nullptr);
    EXPECT_NE(p.parallel->open("LPT1:", error), nullptr);
    EXPECT_EQ(sim.parallelPrinter("LPT1"), &lpt1);
    EXPECT_EQ(p.parallel->open("LPT3:", error), nullptr);
    EXPECT_EQ(error, ENOENT);

    EXPECT_TRUE(p.system->parallelPortIsWriteOnly("LPT2:"));
    EXPECT_FALSE(p.system->parallelPortIsWriteOnly("LPT1:"));
    EXPECT_EQ(p.parallel->open("LPT2:", error), nullptr);
    EXPECT_EQ(error, EACCES);
    auto copy = p.parallel->openWriteOnly("LPT2:", error);
    ASSERT_NE(copy, nullptr);
    const uint8_t bytes[] = {1, 2, 3};
    EXPECT_EQ(copy->write(bytes, 3), 3);
    EXPECT_EQ(sim.parallelPrinter("LPT2")->receivedBytes(), (Bytes{1, 2, 3}));
    uint8_t buffer[4];
    EXPECT_EQ(copy->read(buffer, 4), -1);

    sim::Faults f;
    f.openFails = true;
    lpt1.setFaults(f);
    EXPECT_EQ(p.parallel->open("LPT1:", error), nullptr);
    EXPECT_EQ(error, ENODEV);

    EXPECT_EQ(p.system->osKind(), platform::OsKind::TwoWay);
    sim.setOsKind(platform::OsKind::OneWay);
    EXPECT_EQ(p.system->osKind(), platform::OsKind::OneWay);
}

TEST(SimPlatformParallel, DeviceIdThroughTheChannel) {
    sim::SimPlatform sim;
    sim::VirtualPrinter& printer = sim.addParallelPrinter("LPT1:");
    int error = 0;
    auto port = sim.interfaces().parallel->open("LPT1:", error);
    uint8_t id[4096];
    size_t length = 0;
    ASSERT_TRUE(port->readDeviceId(id, sizeof id, length));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(id), length), printer.deviceId());
    ASSERT_TRUE(port->readDeviceId(id, 12, length));
    EXPECT_EQ(length, 12u) << "cut to the buffer";
    sim::Faults f;
    f.deviceIdUnreadable = true;
    printer.setFaults(f);
    EXPECT_FALSE(port->readDeviceId(id, sizeof id, length));
}

TEST(SimPlatformParallel, ReadsHonourCommTimeouts) {
    sim::SimPlatform sim;
    sim::VirtualPrinter& printer = sim.addParallelPrinter("LPT1:");
    int error = 0;
    auto port = sim.interfaces().parallel->open("LPT1:", error);
    uint8_t buffer[128];

    // Nothing set: the short default wait.
    auto start = steady_clock::now();
    EXPECT_EQ(port->read(buffer, 3), 0);
    EXPECT_LT(ElapsedMs(start), 1000);

    // Total time-out: an empty read lasts about readTotalConstant + multiplier * n.
    platform::CommTimeouts t;
    t.readTotalConstant = 100;
    t.readTotalMultiplier = 1;
    ASSERT_TRUE(port->setTimeouts(t));
    platform::CommTimeouts back;
    ASSERT_TRUE(port->getTimeouts(back));
    EXPECT_EQ(back.readTotalConstant, 100u);
    start = steady_clock::now();
    EXPECT_EQ(port->read(buffer, 100), 0);
    const long waited = ElapsedMs(start);
    EXPECT_GE(waited, 190);
    EXPECT_LT(waited, 2000);

    // A late reply within the total time-out is read; the interval ends a short read early.
    t = {};
    t.readTotalConstant = 3000;
    t.readInterval = 30;
    ASSERT_TRUE(port->setTimeouts(t));
    sim::Faults f;
    f.replyDelayMs = 60;
    printer.setFaults(f);
    ASSERT_EQ(port->write(kTraySizeRead.data(), kTraySizeRead.size()), static_cast<long>(kTraySizeRead.size()));
    start = steady_clock::now();
    EXPECT_EQ(port->read(buffer, sizeof buffer), 10);
    EXPECT_LT(ElapsedMs(start), 2000);

    // Exactly what was asked for, the rest stays for the next read.
    printer.setFaults({});
    port->write(kTraySizeRead.data(), kTraySizeRead.size());
    EXPECT_EQ(port->read(buffer, 3), 3);
    EXPECT_EQ(port->read(buffer, sizeof buffer), 7);
}

TEST(SimPlatformParallel, CancelEndsAWaitingReadAndLaterOnes) {
    sim::SimPlatform sim;
    sim.addParallelPrinter("LPT1:");
    int error = 0;
    auto port = sim.interfaces().parallel->open("LPT1:", error);
    platform::CommTimeouts t;
    t.readTotalConstant = 10000;
    port->setTimeouts(t);
    long result = 0;
    uint8_t buffer[8];
    const auto start = steady_clock::now();
    std::thread reader([&] { result = port->read(buffer, sizeof buffer); });
    std::this_thread::sleep_for(milliseconds(30));
    port->cancel();
    reader.join();
    EXPECT_EQ(result, -1);
    EXPECT_LT(ElapsedMs(start), 3000);
    EXPECT_EQ(port->read(buffer, sizeof buffer), -1);
    EXPECT_EQ(port->lastError(), ECANCELED);
}

TEST(SimPlatformParallel, DisconnectFailsWritesAndReads) {
    sim::SimPlatform sim;
    sim::VirtualPrinter& printer = sim.addParallelPrinter("LPT1:");
    int error = 0;
    auto port = sim.interfaces().parallel->open("LPT1:", error);
    sim::Faults f;
    f.disconnectAfterBytes = 20;
    printer.setFaults(f);
    EXPECT_EQ(port->write(kTraySizeRead.data(), kTraySizeRead.size()), 20) << "a partial write";
    EXPECT_EQ(port->write(kTraySizeRead.data(), 1), -1);
    uint8_t buffer[8];
    EXPECT_EQ(port->read(buffer, sizeof buffer), -1);
}

TEST(SimPlatformUsb, EnumerationByClassWithSerialNumbers) {
    sim::SimPlatform sim;
    auto p = sim.interfaces();
    sim.addUsbPrinter(1, "SER-A");
    sim.addUsbPrinter(2, "SER-B");
    sim.addUsbPrinter(3, "", /*interfaceClass=*/0);
    sim::VirtualPrinter& broken = sim.addUsbPrinter(4, "SER-D");
    sim::Faults f;
    f.deviceIdUnreadable = true;
    broken.setFaults(f);

    std::vector<platform::UsbInterface> found;
    ASSERT_TRUE(p.usb->enumerate(1, 20, found));
    ASSERT_EQ(found.size(), 2u) << "the one whose ID cannot be read is left out";
    EXPECT_EQ(found[0].devicePath, "sim-usb/lp0");
    EXPECT_EQ(found[1].serialNumber, "SER-B");
    const std::string id(found[1].deviceId.begin(), found[1].deviceId.end());
    EXPECT_NE(id.find("MODEL:Pressline T90;"), std::string::npos);
    EXPECT_NE(id.find("SERIALNUMBER:SER-B;"), std::string::npos);

    found.clear();
    ASSERT_TRUE(p.usb->enumerate(1, 1, found));
    EXPECT_EQ(found.size(), 1u);
    found.clear();
    ASSERT_TRUE(p.usb->enumerate(0, 20, found));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].serialNumber, "");

    platform::UsbInterface itf;
    ASSERT_TRUE(p.usb->interfaceForPort(2, itf));
    EXPECT_EQ(itf.devicePath, sim.usbDevicePath(2));
    EXPECT_EQ(itf.serialNumber, "SER-B");
    EXPECT_FALSE(p.usb->interfaceForPort(9, itf));

    sim.setUsbEnumerationFails(true);
    EXPECT_FALSE(p.usb->enumerate(1, 20, found));
}

TEST(SimPlatformUsb, PipesCarryCommandsAndTransfersOfAtMost32Bytes) {
    sim::SimPlatform sim;
    auto p = sim.interfaces();
    sim::VirtualPrinter& printer = sim.addUsbPrinter(1, "SER-A");
    int error = 0;
    auto out = p.usb->openPipe("sim-usb/lp0", platform::UsbPipe::Write, error);
    auto in = p.usb->openPipe("sim-usb/lp0", platform::UsbPipe::Read, error);
    ASSERT_TRUE(out && in);
    const Bytes batch = Cat({Start(), Batch({0x0101, 0x0102, 0x0103, 0x0104, 0x0105, 0x0106, 0x0107, 0x0501})});
    ASSERT_EQ(out->write(batch.data(), batch.size()), static_cast<long>(batch.size()));
    EXPECT_EQ(printer.receivedPackets().size(), 2u);

    uint8_t buffer[512];
    Bytes reply;
    std::vector<long> sizes;
    for (long n; (n = in->read(buffer, sizeof buffer, 50)) > 0;) {
        sizes.push_back(n);
        reply.insert(reply.end(), buffer, buffer + n);
    }
    EXPECT_EQ(sizes, (std::vector<long>{32, 10})) << "a 42-byte reply as 32 + 10";
    EXPECT_EQ(reply, printer.sentBytes());
    EXPECT_EQ(in->read(buffer, 4, 0), 0);

    // A reader waiting on the pipe is ended by cancel().
    long result = 0;
    std::thread reader([&] { result = in->read(buffer, 32, 10000); });
    std::this_thread::sleep_for(milliseconds(20));
    in->cancel();
    reader.join();
    EXPECT_EQ(result, -1);

    EXPECT_EQ(p.usb->openPipe("sim-usb/lp7", platform::UsbPipe::Read, error), nullptr);
    EXPECT_EQ(error, ENOENT);
    printer.disconnect();
    EXPECT_EQ(p.usb->openPipe("sim-usb/lp0", platform::UsbPipe::Write, error), nullptr);
    EXPECT_EQ(error, ENODEV);
    EXPECT_EQ(out->write(batch.data(), batch.size()), -1);
}

TEST(SimPlatformUsb, TwoIdenticalPrintersAreTwoDevices) {
    sim::SimPlatform sim;
    auto p = sim.interfaces();
    sim::VirtualPrinter& a = sim.addUsbPrinter(1, "AAA1");
    sim::VirtualPrinter& b = sim.addUsbPrinter(2, "BBB2");
    int error = 0;
    auto pipe = p.usb->openPipe(sim.usbDevicePath(2), platform::UsbPipe::Write, error);
    pipe->write(kTraySizeRead.data(), kTraySizeRead.size());
    EXPECT_TRUE(a.receivedPackets().empty());
    EXPECT_EQ(b.receivedPackets().size(), 2u);
    EXPECT_EQ(sim.usbPrinter(1), &a);
}

TEST(SimPlatformSetup, VirtualSetupInstallsOnePrinterThatKeepsItsSettings) {
    TempDir dir;
    const std::string state = dir.file("virtual.state");
    {
        auto sim = sim::MakeVirtualSetup(state);
        const platform::Platform& p = platform::current();
        std::vector<platform::InstalledPrinter> list;
        ASSERT_TRUE(p.printers->list(list));
        ASSERT_EQ(list.size(), 1u);
        EXPECT_EQ(list[0].name, "Altrin Pressline T90");
        EXPECT_EQ(list[0].driverName, "Altrin Pressline T90");
        EXPECT_EQ(list[0].port, "USB001");
        platform::UsbInterface itf;
        ASSERT_TRUE(p.usb->interfaceForPort(1, itf));
        int error = 0;
        auto out = p.usb->openPipe(itf.devicePath, platform::UsbPipe::Write, error);
        const Bytes writes = Cat({Start(), Of(npa::kOffline), Start(), Write(0x0101, {0x01}), Start(), Of(npa::kOnline)});
        out->write(writes.data(), writes.size());
    }
    auto again = sim::MakeVirtualSetup(state);
    EXPECT_EQ(again->usbPrinter(1)->value(0x0101), Bytes{0x01});
}

TEST(SimPlatformSetup, VirtualSetupRefusesAStateFileItCannotUse) {
    TempDir dir;
    const std::string state = dir.file("virtual.state");
    std::ofstream(state) << "0101 01\n0105 01\n0106 00\n0107 00\n0111 00\n0112 00\nnot a setting\n";
    std::string problem = "stale";
    EXPECT_EQ(sim::MakeVirtualSetup(state, &problem), nullptr);
    EXPECT_NE(problem.find(state + " is damaged at line 7; move it away to start from the defaults"), std::string::npos)
        << problem;
    EXPECT_EQ(sim::MakeVirtualSetup(state), nullptr) << "without a place for the sentence";

    std::filesystem::remove(state);
    auto fresh = sim::MakeVirtualSetup(state, &problem);
    ASSERT_NE(fresh, nullptr) << "a missing state file starts from the defaults";
    EXPECT_EQ(problem, "");
}

TEST(PosixFiles, OpenCreatesPrivateFilesAndNeverFollowsLinks) {
    TempDir dir;
    platform::PosixFiles files;
    int error = 0;
    const std::string path = dir.file("settings.npa");
    {
        auto f = files.open(path, false, error);
        ASSERT_NE(f, nullptr) << error;
        const uint8_t data[] = {0xA5, 0x00, 0x0D, 0x0A, 0xFF};
        EXPECT_EQ(f->write(data, sizeof data), 5);
    }
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    {
        auto f = files.open(path, false, error);  // kept
        uint8_t back[8];
        EXPECT_EQ(f->read(back, sizeof back, 0), 5);
        EXPECT_EQ(back[4], 0xFF);
    }
    {
        auto f = files.open(path, true, error);  // emptied
        uint8_t back[8];
        EXPECT_EQ(f->read(back, sizeof back, 0), 0);
        f->cancel();
        EXPECT_EQ(f->write(back, 1), -1);
    }
    ASSERT_EQ(::symlink(path.c_str(), dir.file("link").c_str()), 0);
    EXPECT_EQ(files.open(dir.file("link"), false, error), nullptr);
    EXPECT_EQ(error, ELOOP);
    EXPECT_EQ(files.open(dir.file("missing/x"), false, error), nullptr);
    EXPECT_EQ(error, ENOENT);
    EXPECT_TRUE(files.remove(path));
    EXPECT_FALSE(files.remove(path));
}

TEST(PosixFiles, TempFilesAreUniqueAndBeginWithThePrefix) {
    TempDir dir;
    platform::PosixTempFiles temp(dir.path());
    int error = 0;
    const std::string a = temp.create("LPT1:", error), b = temp.create("LPT1:", error);
    ASSERT_FALSE(a.empty());
    EXPECT_NE(a, b);
    EXPECT_EQ(a.rfind(dir.path() + "/LPT1:", 0), 0u);
    struct stat st {};
    ASSERT_EQ(::stat(a.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    platform::PosixTempFiles nowhere(dir.file("missing"));
    EXPECT_EQ(nowhere.create("LPT1:", error), "");
    EXPECT_EQ(error, ENOENT);
}
