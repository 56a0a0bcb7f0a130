// The simulated platform: settings, log, clock, parallel and USB channels backed by virtual
// printers (time-outs, cancel, 32-byte transfers), the printer list, and the file reads, lock and
// interruption helpers of platform/ that it and the programs share (their POSIX side; the whole-
// file writes are tested in tests/platform/whole_files_test.cpp).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "platform/file_lock.h"
#include "platform/interruption.h"
#include "platform/paths.h"
#include "platform/whole_files.h"
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

TEST(LocalFiles, OpenCreatesPrivateFilesAndNeverFollowsLinks) {
    TempDir dir;
    platform::LocalFiles files;
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

TEST(LocalFiles, TempFilesAreUniqueAndBeginWithThePrefix) {
    TempDir dir;
    platform::LocalTempFiles temp(dir.path());
    int error = 0;
    const std::string a = temp.create("LPT1:", error), b = temp.create("LPT1:", error);
    ASSERT_FALSE(a.empty());
    EXPECT_NE(a, b);
    EXPECT_EQ(a.rfind(dir.path() + "/LPT1:", 0), 0u);
    struct stat st {};
    ASSERT_EQ(::stat(a.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    platform::LocalTempFiles nowhere(dir.file("missing"));
    EXPECT_EQ(nowhere.create("LPT1:", error), "");
    EXPECT_EQ(error, ENOENT);
}

// --- ReadWholeFile: only a regular file, read whole up to a bound, links followed or refused.

namespace {

struct ReadCase {
    const char* name;
    void (*make)(const std::string& dir, const std::string& path);
    platform::LinkAtPath links;
    platform::ReadWholeStatus expected;
    const char* bytes;  // when Ok
};

constexpr size_t kReadLimit = 8;

void Put(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

const ReadCase kReadCases[] = {
    {"Regular", [](const std::string&, const std::string& f) { Put(f, "a b\r\n\xff"); }, platform::LinkAtPath::Refuse,
     platform::ReadWholeStatus::Ok, "a b\r\n\xff"},
    {"Empty", [](const std::string&, const std::string& f) { Put(f, ""); }, platform::LinkAtPath::Refuse,
     platform::ReadWholeStatus::Ok, ""},
    {"ExactlyTheLimit", [](const std::string&, const std::string& f) { Put(f, "12345678"); },
     platform::LinkAtPath::Refuse, platform::ReadWholeStatus::Ok, "12345678"},
    {"OneByteOverTheLimit", [](const std::string&, const std::string& f) { Put(f, "123456789"); },
     platform::LinkAtPath::Refuse, platform::ReadWholeStatus::TooLarge, ""},
    {"Missing", [](const std::string&, const std::string&) {}, platform::LinkAtPath::Refuse,
     platform::ReadWholeStatus::Missing, ""},
    {"Folder", [](const std::string&, const std::string& f) { std::filesystem::create_directory(f); },
     platform::LinkAtPath::Follow, platform::ReadWholeStatus::NotRegular, ""},
    {"FifoWithoutWriter", [](const std::string&, const std::string& f) { ::mkfifo(f.c_str(), 0600); },
     platform::LinkAtPath::Follow, platform::ReadWholeStatus::NotRegular, ""},
    {"LinkFollowed",
     [](const std::string& d, const std::string& f) {
         Put(d + "/real", "via");
         std::filesystem::create_symlink(d + "/real", f);
     },
     platform::LinkAtPath::Follow, platform::ReadWholeStatus::Ok, "via"},
    {"LinkRefused",
     [](const std::string& d, const std::string& f) {
         Put(d + "/real", "via");
         std::filesystem::create_symlink(d + "/real", f);
     },
     platform::LinkAtPath::Refuse, platform::ReadWholeStatus::Link, ""},
    {"LinkToAFifoFollowed",
     [](const std::string& d, const std::string& f) {
         ::mkfifo((d + "/pipe").c_str(), 0600);
         std::filesystem::create_symlink(d + "/pipe", f);
     },
     platform::LinkAtPath::Follow, platform::ReadWholeStatus::NotRegular, ""},
};

class ReadWhole : public ::testing::TestWithParam<ReadCase> {};

}  // namespace

TEST_P(ReadWhole, GivesTheBytesOfARegularFileAndRefusesEverythingElse) {
    TempDir dir;
    const std::string path = dir.file("target");
    GetParam().make(dir.path(), path);
    std::string bytes = "stale";
    int error = -1;
    const auto started = steady_clock::now();
    EXPECT_EQ(platform::ReadWholeFile(path, kReadLimit, bytes, error, GetParam().links), GetParam().expected);
    EXPECT_LT(ElapsedMs(started), 2000) << "never waits for a writer";
    if (GetParam().expected == platform::ReadWholeStatus::Ok) {
        EXPECT_EQ(bytes, GetParam().bytes);
    } else {
        EXPECT_EQ(bytes, "") << "nothing is handed back from a refused file";
    }
    EXPECT_EQ(error, GetParam().expected == platform::ReadWholeStatus::Missing ? ENOENT : 0);
}

INSTANTIATE_TEST_SUITE_P(WholeFiles, ReadWhole, ::testing::ValuesIn(kReadCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- FileLock: exclusive between holders, a bounded wait, released by release() or the end.

class FileLockWait : public ::testing::TestWithParam<int> {};

TEST_P(FileLockWait, ABusyLockIsGivenUpAfterTheWaitAndNotLongerThanThat) {
    TempDir dir;
    const std::string path = dir.file("state.lock");
    platform::FileLock holder, other;
    int error = -1;
    ASSERT_EQ(holder.acquire(path, 0, error), platform::FileLock::Result::Locked);
    const int waitMs = GetParam();
    const auto started = steady_clock::now();
    EXPECT_EQ(other.acquire(path, waitMs, error), platform::FileLock::Result::Busy);
    const long took = ElapsedMs(started);
    EXPECT_GE(took, waitMs);
    EXPECT_LT(took, waitMs + 500);
    EXPECT_FALSE(other.held());
    EXPECT_EQ(error, 0);
    holder.release();
    EXPECT_EQ(other.acquire(path, waitMs, error), platform::FileLock::Result::Locked);
}

INSTANTIATE_TEST_SUITE_P(FileLocks, FileLockWait, ::testing::Values(0, 30, 200),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "Wait" + std::to_string(info.param) + "ms";
                         });

TEST(FileLocks, AWaiterGetsTheLockWhenTheHolderLetsGoDuringTheWait) {
    TempDir dir;
    const std::string path = dir.file("state.lock");
    int error = 0;
    auto holder = std::make_unique<platform::FileLock>();
    ASSERT_EQ(holder->acquire(path, 0, error), platform::FileLock::Result::Locked);
    std::thread letGo([&] {
        std::this_thread::sleep_for(milliseconds(50));
        holder.reset();  // the end of the object releases the lock
    });
    platform::FileLock waiter;
    const auto started = steady_clock::now();
    EXPECT_EQ(waiter.acquire(path, 5000, error), platform::FileLock::Result::Locked);
    letGo.join();
    EXPECT_LT(ElapsedMs(started), 2000);
    EXPECT_EQ(waiter.acquire(path, 0, error), platform::FileLock::Result::Locked) << "held already";
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(FileLocks, ALockFileThatCannotBeOpenedIsSaidToBeOne) {
    TempDir dir;
    int error = 0;
    platform::FileLock lock;
    std::filesystem::create_symlink(dir.file("elsewhere"), dir.file("link.lock"));
    EXPECT_EQ(lock.acquire(dir.file("link.lock"), 0, error), platform::FileLock::Result::OpenFailed);
    EXPECT_EQ(error, ELOOP);
    EXPECT_FALSE(std::filesystem::exists(dir.file("elsewhere"))) << "never created through the link";
    EXPECT_EQ(lock.acquire(dir.file("missing/x.lock"), 0, error), platform::FileLock::Result::OpenFailed);
    EXPECT_EQ(error, ENOENT);
    EXPECT_FALSE(lock.held());
}

// --- InterruptionWatch: a stop request sets the flag instead of ending the program.

namespace {

std::atomic<int> g_previousHandlerRuns{0};
extern "C" void CountingHandler(int) { g_previousHandlerRuns.fetch_add(1); }

class StopRequest : public ::testing::TestWithParam<int> {};

}  // namespace

TEST_P(StopRequest, SetsTheNewestWatchFlagAndTheOldHandlingComesBack) {
    const int sig = GetParam();
    struct sigaction counting {}, original {};
    counting.sa_handler = CountingHandler;
    sigemptyset(&counting.sa_mask);
    ASSERT_EQ(sigaction(sig, &counting, &original), 0);
    g_previousHandlerRuns = 0;

    std::atomic<bool> outer{true}, inner{false};
    {
        platform::InterruptionWatch outerWatch(outer);
        EXPECT_FALSE(outer.load()) << "a new watch starts cleared";
        {
            platform::InterruptionWatch innerWatch(inner);
            ASSERT_EQ(::raise(sig), 0);
            EXPECT_TRUE(inner.load());
            EXPECT_FALSE(outer.load()) << "only the newest watch hears it";
            ASSERT_EQ(::raise(sig), 0);  // a second request changes nothing more
            EXPECT_TRUE(inner.load());
        }
        ASSERT_EQ(::raise(sig), 0);
        EXPECT_TRUE(outer.load()) << "the outer watch is back once the inner one ended";
    }
    EXPECT_EQ(g_previousHandlerRuns.load(), 0);
    ASSERT_EQ(::raise(sig), 0);
    EXPECT_EQ(g_previousHandlerRuns.load(), 1) << "the handler from before the watches is back";
    sigaction(sig, &original, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Interruption, StopRequest, ::testing::Values(SIGINT, SIGTERM),
                         [](const auto& info) { return info.param == SIGINT ? "Sigint" : "Sigterm"; });

// --- Paths: the parts of a path, what is at one, who may write it, private folders.

TEST(Paths, FolderNameAndSiblingOfAPath) {
    struct Case {
        const char* path;
        const char* folder;
        const char* name;
        const char* sibling;  // of "offline.dat"
    };
    for (const Case& c : {Case{"/a/b/x.npa", "/a/b", "x.npa", "/a/b/offline.dat"},
                          Case{"x.npa", ".", "x.npa", "offline.dat"}, Case{"/x.npa", "/", "x.npa", "/offline.dat"},
                          Case{"dir/", "dir", "", "dir/offline.dat"}}) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(platform::FolderOfPath(c.path), c.folder);
        EXPECT_EQ(platform::FileNameOfPath(c.path), c.name);
        EXPECT_EQ(platform::SiblingPath(c.path, "offline.dat"), c.sibling);
    }
}

TEST(Paths, OwnerBitsDecideEvenForTheSuperuserAndFoldersAreMadePrivate) {
    TempDir dir;
    const std::string file = dir.file("f");
    Put(file, "x");
    EXPECT_TRUE(platform::UserMayRead(file));
    EXPECT_TRUE(platform::UserMayWrite(file));
    ::chmod(file.c_str(), 0400);
    EXPECT_TRUE(platform::UserMayRead(file));
    EXPECT_FALSE(platform::UserMayWrite(file)) << "a file its owner made read-only is not ours to replace";
    ::chmod(file.c_str(), 0200);
    EXPECT_FALSE(platform::UserMayRead(file));
    EXPECT_FALSE(platform::UserMayWrite(dir.file("missing")));

    int error = -1;
    const std::string nested = dir.file("a/b/c");
    ASSERT_TRUE(platform::MakePrivateFolders(nested, error)) << error;
    EXPECT_EQ(error, 0);
    for (const std::string& folder : {dir.file("a"), dir.file("a/b"), nested}) {
        struct stat st {};
        ASSERT_EQ(::stat(folder.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u) << folder;
    }
    EXPECT_TRUE(platform::MakePrivateFolders(nested, error)) << "a folder that exists is fine";
    EXPECT_FALSE(platform::MakePrivateFolders(file + "/sub", error));
    EXPECT_EQ(error, ENOTDIR);
    EXPECT_EQ(platform::KindOfPath(nested, error), platform::Files::Kind::Folder);
    EXPECT_EQ(platform::KindOfPath(file, error), platform::Files::Kind::Regular);
    EXPECT_EQ(platform::KindOfPath(file + "/sub", error), platform::Files::Kind::Missing);
    EXPECT_EQ(error, ENOTDIR);
}
