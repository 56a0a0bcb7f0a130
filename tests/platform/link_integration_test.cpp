// The whole printer link and NPA layer over the real Linux platform, against devpanel-printer
// processes on pseudo-terminals placed in a testbed root: the transports, time-outs and device
// nodes are the ones a real workstation uses; only the printer is virtual.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "link/link_testing.h"
#include "link/timing.h"
#include "config/profile.h"
#include "transactions/transactions.h"
#include "platform/linux/linux_platform.h"
#include "testbed.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

// What the virtual printer answers to the device-ID request, as the kernel's probe lists it.
const std::vector<std::string> kAutoprobe = {"CLASS:PRINTER;", "MODEL:Pressline T90;", "MANUFACTURER:Altrin;",
                                             "COMMAND SET:PCL,PJL,POSTSCRIPT, NPAP,;"};

std::string usbDeviceId(const std::string& serial) {
    return "MANUFACTURER:Altrin;COMMAND SET:PCL,PJL,POSTSCRIPT, NPAP,;MODEL:Pressline T90;CLASS:PRINTER;"
           "SERIALNUMBER:" + serial + ";";
}

Bytes readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The NPA packets in what the host sent (PJL text between them is skipped).
std::vector<Bytes> packetsOf(const Bytes& wire) {
    std::vector<Bytes> packets;
    size_t i = 0;
    while (i + 3 <= wire.size()) {
        if (wire[i] != 0xA5) {
            ++i;
            continue;
        }
        size_t length = 3 + ((size_t{wire[i + 1]} << 8) | wire[i + 2]);
        if (i + length > wire.size()) break;
        packets.emplace_back(wire.begin() + static_cast<long>(i), wire.begin() + static_cast<long>(i + length));
        i += length;
    }
    return packets;
}

bool isStart(const Bytes& p) { return p.size() == 19 && p[3] == 0x80; }
bool isOffline(const Bytes& p, int offline) {
    return p.size() == 9 && p[4] == 0xE0 && p[5] == 0xE7 && p[6] == 0x0C && p[7] == offline;
}
bool isSettingWrite(const Bytes& p) { return p.size() >= 9 && p[4] == 0xE0 && p[5] == 0xE7 && p[6] == 0x02; }
bool isBatchRead(const Bytes& p) { return p.size() >= 8 && p[4] == 0xE0 && p[5] == 0xE7 && p[6] == 0x20; }

size_t countIf(const std::vector<Bytes>& packets, bool (*pred)(const Bytes&)) {
    size_t n = 0;
    for (const auto& p : packets) n += pred(p) ? 1 : 0;
    return n;
}

class LinuxLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = std::make_unique<testbed::Testbed>();
        env_.emplace_back(std::make_unique<testbed::ScopedEnv>("DEVPANEL_DEV_ROOT", root_->root()));
        env_.emplace_back(std::make_unique<testbed::ScopedEnv>("DEVPANEL_SYS_ROOT", root_->root()));
        env_.emplace_back(std::make_unique<testbed::ScopedEnv>("DEVPANEL_PROC_ROOT", root_->root()));
        env_.emplace_back(std::make_unique<testbed::ScopedEnv>("XDG_CONFIG_HOME", root_->path("home/config")));
        env_.emplace_back(std::make_unique<testbed::ScopedEnv>("XDG_STATE_HOME", root_->path("home/state")));
        ::mkdir(root_->path("tmp").c_str(), 0700);
        env_.emplace_back(std::make_unique<testbed::ScopedEnv>("TMPDIR", root_->path("tmp")));
        // The link logs everything, so a failure here shows its trace.
        root_->writeFile("home/config/devpanel/link.conf", "LoggingLevel=19\n", 0600);
        SetConfigPath(DEVPANEL_SOURCE_DIR "/data/devPanel.ini");
        platform_ = std::make_unique<platform::linux_impl::LinuxPlatform>();
        platform_->install();
        SlcResetForTesting();
        NpaResetForTesting();
        SlcTiming t = SlcDefaultTiming();
        t.readPauseMs = 5;
        t.responseWaitMs = 2000;
        t.readGiveUpMs = 2000;
        t.copyPauseMs = 50;
        t.pipeErrorPauseMs = 10;
        t.pipeRetryMs = 10;
        t.usbReadWaitMs = 50;
        t.queryReadTotalMs = 300;
        t.queryReadIntervalMs = 30;
        t.queryReadMultiplierMs = 0;
        t.lateReplyDrainMs = 200;
        SlcTimingTable() = t;
    }

    void TearDown() override {
        SlcResetForTesting();
        NpaResetForTesting();
        printers_.clear();
        if (const char* keep = std::getenv("DEVPANEL_KEEP_LINK_LOG")) {
            std::filesystem::copy_file(root_->path("home/state/devpanel/CorvaneSlc32.log"), keep,
                                       std::filesystem::copy_options::overwrite_existing);
        }
        if (HasFailure()) {
            std::ifstream log(root_->path("home/state/devpanel/CorvaneSlc32.log"));
            std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
            if (text.size() > 6000) text = "...\n" + text.substr(text.size() - 6000);
            std::cerr << "link log:\n" << text << "\n";
        }
    }

    // Starts one virtual printer and returns it; its received bytes go to record.
    testbed::PrinterProcess* startPrinter(std::vector<std::string> args, const std::string& record) {
        args.push_back("--record");
        args.push_back(root_->path(record));
        std::string error;
        auto printer = testbed::PrinterProcess::start(DEVPANEL_PRINTER_PROGRAM, args, error);
        if (!printer) ADD_FAILURE() << error;
        printers_.push_back(std::move(printer));
        return printers_.back().get();
    }

    testbed::PrinterProcess* parallelPrinter(std::vector<std::string> args = {}) {
        auto* printer = startPrinter(std::move(args), "lpt1.wire");
        if (printer == nullptr) return nullptr;
        root_->addParallelNode(0, printer->slavePath());
        root_->addAutoprobe(0, kAutoprobe);
        return printer;
    }

    testbed::PrinterProcess* usbPrinter(int index, const std::string& serial, std::vector<std::string> args = {}) {
        args.insert(args.end(), {"--usb", "--serial", serial});
        auto* printer = startPrinter(std::move(args), "usb" + std::to_string(index) + ".wire");
        if (printer == nullptr) return nullptr;
        root_->addUsbInterface(index, usbDeviceId(serial), serial);
        root_->addUsbNode(index, printer->slavePath());
        return printer;
    }

    std::vector<Bytes> wire(const std::string& record) { return packetsOf(readBytes(root_->path(record))); }

    std::unique_ptr<testbed::Testbed> root_;
    std::vector<std::unique_ptr<testbed::ScopedEnv>> env_;
    std::unique_ptr<platform::linux_impl::LinuxPlatform> platform_;
    std::vector<std::unique_ptr<testbed::PrinterProcess>> printers_;
};

}  // namespace

TEST_F(LinuxLinkTest, ParallelTwoWayReadsAndAppliesSettings) {
    ASSERT_TRUE(parallelPrinter());
    ValueMap values;
    ASSERT_EQ(NpaReadAllSettings("LPT1:", values), NPA_OK);
    ASSERT_GT(values.size(), 20u);
    EXPECT_EQ(values["BLANKPAGES"], "DONTPRINT");
    // The printer's mode was asked with the PJL query (its ID names no automatic mode).
    Bytes raw = readBytes(root_->path("lpt1.wire"));
    const std::string query = "\x1B%-12345X@PJL DINQUIRE QNPAP\r\n\x1B%-12345X";
    EXPECT_NE(std::search(raw.begin(), raw.end(), query.begin(), query.end()), raw.end());
    EXPECT_EQ(countIf(wire("lpt1.wire"), isBatchRead), 1u);

    ASSERT_EQ(NpaWriteValues("LPT1:", {{"BLANKPAGES", "PRINT"}, {"SEPSHEETS", "BETWEENJOBS"}}, nullptr), NPA_OK);
    auto packets = wire("lpt1.wire");
    EXPECT_EQ(countIf(packets, [](const Bytes& p) { return isOffline(p, 1); }), 1u);
    EXPECT_EQ(countIf(packets, isSettingWrite), 2u);
    EXPECT_EQ(countIf(packets, [](const Bytes& p) { return isOffline(p, 0); }), 1u);

    values.clear();
    ASSERT_EQ(NpaReadAllSettings("LPT1:", values), NPA_OK);
    EXPECT_EQ(values["BLANKPAGES"], "PRINT");
    EXPECT_EQ(values["SEPSHEETS"], "BETWEENJOBS");
    EXPECT_EQ(NpaEndSession("LPT1:"), NPA_OK);
}

TEST_F(LinuxLinkTest, ParallelModeQueryDecidesTheStartPacket) {
    ASSERT_TRUE(parallelPrinter({"--mode", "on"}));
    ValueMap values;
    ASSERT_EQ(NpaReadAllSettings("LPT1:", values), NPA_OK);
    // NPA already active: the batch read goes out without a start packet in front.
    auto packets = wire("lpt1.wire");
    ASSERT_FALSE(packets.empty());
    EXPECT_EQ(countIf(packets, isStart), 0u);
    EXPECT_EQ(SlcOpenNpaModeForTesting(), NPA_ON);
    NpaEndSession("LPT1:");

    printers_.clear();
    SlcResetForTesting();
    NpaResetForTesting();
    ASSERT_TRUE(parallelPrinter({"--mode", "off"}));
    EXPECT_EQ(NpaReadAllSettings("LPT1:", values), NPA_ERR_OPEN);  // NPA switched off: refused
}

TEST_F(LinuxLinkTest, WriteOnlyParallelNodeCollectsAndCopiesInOrder) {
    auto* printer = parallelPrinter();
    ASSERT_TRUE(printer);
    ASSERT_EQ(::chmod(printer->slavePath().c_str(), 0220), 0);
    ValueMap values;
    ASSERT_EQ(NpaReadAllSettings("LPT1:", values), NPA_ONEWAY);
    EXPECT_TRUE(wire("lpt1.wire").empty());  // nothing reaches the printer until the copy
    ASSERT_EQ(NpaWriteValues("LPT1:", {{"BLANKPAGES", "PRINT"}, {"SEPSHEETS", "BETWEENPAGES"}}, nullptr), NPA_OK);

    // The copy: start + offline, then each command behind a start packet, then start + online.
    auto deadline = Clock::now() + std::chrono::seconds(3);
    std::vector<Bytes> packets;
    while (Clock::now() < deadline) {
        packets = wire("lpt1.wire");
        if (packets.size() >= 8) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_EQ(packets.size(), 8u);
    EXPECT_TRUE(isStart(packets[0]));
    EXPECT_TRUE(isOffline(packets[1], 1));
    EXPECT_TRUE(isStart(packets[2]));
    EXPECT_TRUE(isSettingWrite(packets[3]));
    EXPECT_EQ(packets[3][9], 0x01);  // BLANKPAGES:PRINT
    EXPECT_TRUE(isStart(packets[4]));
    EXPECT_TRUE(isSettingWrite(packets[5]));
    EXPECT_TRUE(isStart(packets[6]));
    EXPECT_TRUE(isOffline(packets[7], 0));
    // Both collection files are gone.
    EXPECT_TRUE(std::filesystem::is_empty(root_->path("tmp")));
    ::chmod(printer->slavePath().c_str(), 0620);
}

TEST_F(LinuxLinkTest, UsbReadsWithRepliesCutIntoTransfers) {
    ASSERT_TRUE(usbPrinter(0, "AB12"));
    ValueMap values;
    ASSERT_EQ(NpaReadAllSettings("USB001", values), NPA_OK);
    EXPECT_GT(values.size(), 20u);  // a reply of hundreds of bytes, reassembled from 32-byte reads
    ASSERT_EQ(NpaWriteValues("USB001", {{"BLANKPAGES", "PRINT"}}, nullptr), NPA_OK);
    values.clear();
    ASSERT_EQ(NpaReadAllSettings("USB001", values), NPA_OK);
    EXPECT_EQ(values["BLANKPAGES"], "PRINT");
    EXPECT_EQ(NpaEndSession("USB001"), NPA_OK);
}

TEST_F(LinuxLinkTest, TwoUsbPrintersAreToldApartBySerialNumber) {
    ASSERT_TRUE(usbPrinter(0, "AB12"));
    ASSERT_TRUE(usbPrinter(1, "CD34"));
    ASSERT_EQ(NpaWriteValues("USB002", {{"BLANKPAGES", "PRINT"}}, nullptr), NPA_OK);
    EXPECT_EQ(countIf(wire("usb0.wire"), isSettingWrite), 0u);
    EXPECT_EQ(countIf(wire("usb1.wire"), isSettingWrite), 1u);
    ValueMap first, second;
    ASSERT_EQ(NpaReadAllSettings("USB001", first), NPA_OK);
    ASSERT_EQ(NpaReadAllSettings("USB002", second), NPA_OK);
    EXPECT_EQ(first["BLANKPAGES"], "DONTPRINT");
    EXPECT_EQ(second["BLANKPAGES"], "PRINT");
    NpaEndSession("USB002");
    ValueMap none;
    EXPECT_EQ(NpaReadAllSettings("USB003", none), NPA_ERR_OPEN);  // no third interface
}

TEST_F(LinuxLinkTest, APrinterThatVanishesMidApplyFailsWithoutHanging) {
    // BLANKPAGES:PRINT as the configuration file spells its write packet.
    const uint8_t write[] = {0xA5, 0x00, 0x07, 0x40, 0xE0, 0xE7, 0x02, 0x01, 0x01, 0x01};
    for (bool usb : {false, true}) {
        SCOPED_TRACE(usb ? "USB" : "parallel");
        printers_.clear();
        SlcResetForTesting();
        auto* printer = usb ? usbPrinter(0, "AB12") : parallelPrinter();
        ASSERT_TRUE(printer);
        const char* port = usb ? "USB001" : "LPT1:";
        // The apply as the NPA layer runs it, with the plug pulled after the first write.
        ASSERT_EQ(SlcOpenPort(port), SLC_OK);
        ASSERT_EQ(SlcOffline(port, 1), SLC_OK);
        uint32_t noReply = 0;
        ASSERT_EQ(SlcSendCommand(port, write, sizeof write, nullptr, &noReply), SLC_OK);
        printer->kill();
        // usblp removes the node of a printer that is unplugged; left in place, the link would
        // reopen a terminal whose number another test's printer may have taken by now.
        if (usb) ::unlink(root_->path("dev/usb/lp0").c_str());
        auto start = Clock::now();
        int result = SlcSendCommand(port, write, sizeof write, nullptr, &noReply);
        if (usb) {
            // The write pipe fails to open (the node is gone) or to write (a pipe still held
            // by the reader shares the dead node).
            EXPECT_TRUE(result == SLC_FAIL || result == SLC_SEND_WRITEFAIL) << result;
        } else {
            EXPECT_EQ(result, SLC_SEND_WRITEFAIL);
        }
        EXPECT_NE(SlcOffline(port, 0), SLC_OK);
        EXPECT_EQ(SlcClosePort(port), SLC_OK);
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(8));
    }
}

namespace {

// A printer is promised to be judged by command bytes and 9th bytes only: replies that lay out
// the bytes the protocol leaves open otherwise must read and apply as well, on both transports.
struct ReplyLayout {
    const char* name;
    std::vector<std::string> printerArgs;
};

void PrintTo(const ReplyLayout& layout, std::ostream* os) { *os << layout.name; }

class OtherReplyLayouts : public LinuxLinkTest,
                          public ::testing::WithParamInterface<std::tuple<bool, ReplyLayout>> {};

TEST_P(OtherReplyLayouts, ReadAndApplyLand) {
    const bool usb = std::get<0>(GetParam());
    const ReplyLayout& layout = std::get<1>(GetParam());
    ASSERT_TRUE(usb ? usbPrinter(0, "AB12", layout.printerArgs) : parallelPrinter(layout.printerArgs));
    const char* port = usb ? "USB001" : "LPT1:";

    ValueMap values;
    NpaRawValues raw;
    ASSERT_EQ(NpaReadAllSettings(port, values, &raw), NPA_OK);
    EXPECT_EQ(values["BLANKPAGES"], "DONTPRINT");
    EXPECT_EQ(values["CUSTOM2NAME"], "");
    // Every value written back as read, as the window's apply does, with two changes among them.
    values["BLANKPAGES"] = "PRINT";
    values["CUSTOM1NAME"] = "ABC";
    std::vector<NpaCommand> commands;
    for (const auto& [name, token] : values) commands.push_back({name, token});
    NpaWriteReport report;
    ASSERT_EQ(NpaWriteValues(port, commands, &raw, &report), NPA_OK) << report.problem;
    EXPECT_TRUE(report.skipped.empty()) << report.skipped.front();

    ValueMap after;
    ASSERT_EQ(NpaReadAllSettings(port, after), NPA_OK);
    EXPECT_EQ(after["BLANKPAGES"], "PRINT");
    EXPECT_EQ(after["CUSTOM1NAME"], "ABC");
    EXPECT_EQ(NpaEndSession(port), NPA_OK);
}

const ReplyLayout kLayouts[] = {
    {"SingleSettingResponses", {"--reply-layout", "single"}},
    {"ResponsesWithoutTheState", {"--reply-layout", "single-zero"}},
    {"ResponsesWithZeroSubFunction", {"--reply-layout", "zero-sub"}},
    {"BatchRepliesWithZeroBytes", {"--batch-bytes", "0000"}},
    {"ZeroPaddedTexts", {"--pad-texts"}},
    {"AllAtOnce", {"--reply-layout", "single", "--batch-bytes", "0000", "--pad-texts"}},
};

INSTANTIATE_TEST_SUITE_P(Printers, OtherReplyLayouts, ::testing::Combine(::testing::Bool(), ::testing::ValuesIn(kLayouts)),
                         [](const ::testing::TestParamInfo<std::tuple<bool, ReplyLayout>>& info) {
                             return std::string(std::get<0>(info.param) ? "Usb_" : "Parallel_") +
                                    std::get<1>(info.param).name;
                         });

}  // namespace
