// The virtual printer against hand-made packets: identity, PJL mode query, NPA start rules,
// reads, writes, offline/online, wire recording and NVRAM persistence.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <set>
#include <sys/stat.h>
#include <thread>

#include "sim/nvram.h"
#include "sim/virtual_printer.h"
#include "sim_test_util.h"

using namespace simtest;

namespace {

Bytes PjlQuery() { return Bytes(npa::kPjlModeQuery.begin(), npa::kPjlModeQuery.end()); }

sim::PrinterConfig Mode(sim::NpaMode mode) {
    sim::PrinterConfig c;
    c.mode = mode;
    return c;
}

void GoOffline(sim::VirtualPrinter& p) {
    Send(p, Cat({Start(), Of(npa::kOffline)}));
    Drain(p);
}

}  // namespace

TEST(VirtualPrinterIdentity, DeviceIdNamesMakerModelAndUsbSerial) {
    sim::PrinterConfig c;
    c.model = "Pressline T90 Duplex";
    c.serial = "AB12";
    sim::VirtualPrinter parallel(c);
    EXPECT_EQ(parallel.deviceId(),
              "MANUFACTURER:Altrin;COMMAND SET:PCL,PJL,POSTSCRIPT, NPAP,;MODEL:Pressline T90 Duplex;CLASS:PRINTER;");
    c.usb = true;
    sim::VirtualPrinter usb(c);
    std::vector<uint8_t> id;
    ASSERT_TRUE(usb.readDeviceId(id));
    EXPECT_EQ(std::string(id.begin(), id.end()),
              "MANUFACTURER:Altrin;COMMAND SET:PCL,PJL,POSTSCRIPT, NPAP,;MODEL:Pressline T90 Duplex;CLASS:PRINTER;"
              "SERIALNUMBER:AB12;");

    sim::Faults f;
    f.foreignDeviceId = true;
    usb.setFaults(f);
    EXPECT_EQ(usb.deviceId().find("NPAP"), std::string::npos);
    EXPECT_EQ(usb.deviceId().find("Altrin"), std::string::npos);
    f = {};
    f.deviceIdUnreadable = true;
    usb.setFaults(f);
    EXPECT_FALSE(usb.readDeviceId(id));
}

TEST(VirtualPrinterIdentity, ShippedModelLoads) {
    sim::VirtualPrinter p;
    ASSERT_TRUE(p.modelLoaded()) << p.modelError();
    EXPECT_EQ(p.model().settings().size(), 84u);
    sim::PrinterConfig c;
    c.modelFile = "/nonexistent/model";
    sim::VirtualPrinter broken(c);
    EXPECT_FALSE(broken.modelLoaded());
    EXPECT_NE(broken.modelError().find("/nonexistent/model"), std::string::npos);
}

TEST(VirtualPrinterPjl, ModeQueryIsAnsweredInPjlOrNpaForm) {
    struct Case {
        sim::NpaMode mode;
        bool npaFormForOn;
        std::string reply;
    } cases[] = {
        {sim::NpaMode::Off, true, "@PJL DINQUIRE QNPAP\r\nOFF\r\n\f"},
        {sim::NpaMode::Auto, true, "@PJL DINQUIRE QNPAP\r\nAUTO\r\n\f"},
        {sim::NpaMode::On, false, "@PJL DINQUIRE QNPAP\r\nON\r\n\f"},
        {sim::NpaMode::On, true, std::string("\xA5\x00\x02\x80\x00", 5)},
    };
    for (const Case& c : cases) {
        sim::PrinterConfig config = Mode(c.mode);
        config.npaFormForOn = c.npaFormForOn;
        sim::VirtualPrinter p(config);
        Send(p, PjlQuery());
        const Bytes out = Drain(p);
        EXPECT_EQ(std::string(out.begin(), out.end()), c.reply);
        EXPECT_EQ(p.receivedPjl(), std::vector<std::string>{"@PJL DINQUIRE QNPAP"});
    }
}

TEST(VirtualPrinterPjl, QueryCutIntoSingleBytesAndOtherPjlLines) {
    sim::VirtualPrinter p;
    const Bytes other = Hex("1B252D31323334355840504A4C20494E464F205354415455530D0A");  // @PJL INFO STATUS
    for (uint8_t b : Cat({other, PjlQuery()})) p.receive(&b, 1);
    const Bytes out = Drain(p);
    EXPECT_EQ(std::string(out.begin(), out.end()), "@PJL DINQUIRE QNPAP\r\nAUTO\r\n\f");
    EXPECT_EQ(p.receivedPjl().size(), 2u);
}

TEST(VirtualPrinterStart, NpaNeedsTheStartPacketInAutoModeOnly) {
    const Bytes batch = Batch({kBlankPages});
    {
        sim::VirtualPrinter p(Mode(sim::NpaMode::Auto));
        Send(p, batch);
        EXPECT_TRUE(Drain(p).empty()) << "NPA before the start packet is print data";
        Send(p, Start());
        EXPECT_TRUE(p.npaStarted());
        EXPECT_TRUE(Drain(p).empty()) << "the start packet itself is not answered";
        Send(p, batch);
        EXPECT_FALSE(Drain(p).empty());
        Send(p, PjlQuery());  // its universal exits end the NPA session
        Drain(p);
        EXPECT_FALSE(p.npaStarted());
        Send(p, batch);
        EXPECT_TRUE(Drain(p).empty());
    }
    {
        sim::VirtualPrinter p(Mode(sim::NpaMode::On));
        Send(p, batch);
        EXPECT_FALSE(Drain(p).empty());
    }
    {
        sim::VirtualPrinter p(Mode(sim::NpaMode::Off));
        Send(p, Cat({Start(), batch, Of(npa::kOffline)}));
        EXPECT_TRUE(Drain(p).empty());
        EXPECT_FALSE(p.offline());
    }
}

TEST(VirtualPrinterRead, BatchReplyListsKnownIdsInRequestOrder) {
    sim::VirtualPrinter p;
    Send(p, Cat({Start(), Batch({kTray1Size, 0x7777, kBlankPages, kFeedTimeout, kCustom1Name})}));
    // header, E7 00, then id/length/value entries; 7777 is unknown and left out
    EXPECT_EQ(Drain(p), Hex("A5 0016 11 E0 E7 00"
                            "0105 01 01"
                            "0101 01 00"
                            "0501 04 00000000"
                            "0121 00"));

    Send(p, Cat({Start(), Batch({})}));
    EXPECT_EQ(Drain(p), Hex("A5 0004 11 E0 E7 00"));
}

TEST(VirtualPrinterRead, AllSettingsFitOneReply) {
    sim::VirtualPrinter p;
    std::vector<uint16_t> ids;
    for (const auto& [id, def] : p.model().settings()) ids.push_back(id);
    Send(p, Cat({Start(), Batch(ids)}));
    const auto packets = Packets(Drain(p));
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_LE(packets[0].size(), npa::MAX_REPLY);
    size_t entries = 0;
    for (size_t at = 7; at + 3 <= packets[0].size(); at += 3 + packets[0][at + 2]) ++entries;
    EXPECT_EQ(entries, ids.size());
}

TEST(VirtualPrinterRead, SingleReadAndUnknownId) {
    sim::VirtualPrinter p;
    Send(p, Cat({Start(), Read(kTray1Size)}));
    EXPECT_EQ(Drain(p), Hex("A5 0007 51 E0 E7 00 0105 01"));
    Send(p, Cat({Start(), Read(0x7777)}));
    EXPECT_EQ(Drain(p), Hex("A5 0006 88 E0 E7 01 7777"));

    sim::PrinterConfig c;
    c.commandErrorFlags = 0x98;
    sim::VirtualPrinter q(c);
    Send(q, Cat({Start(), Read(0x7777)}));
    EXPECT_EQ(Drain(q), Hex("A5 0006 98 E0 E7 01 7777"));
}

TEST(VirtualPrinterWrite, RefusedOnlineAcceptedOffline) {
    sim::VirtualPrinter p;
    Send(p, Cat({Start(), Write(kBlankPages, {0x01})}));
    EXPECT_EQ(Drain(p), Hex("A5 0006 88 E0 E7 02 0101"));
    EXPECT_EQ(p.value(kBlankPages), Bytes{0x00});

    GoOffline(p);
    ASSERT_TRUE(p.offline());
    Send(p, Cat({Start(), Write(kBlankPages, {0x01})}));
    EXPECT_TRUE(Drain(p).empty()) << "a valid write without 0x10 is not answered";
    EXPECT_EQ(p.value(kBlankPages), Bytes{0x01});

    Send(p, Cat({Start(), Write(kCustom1Name, {'M', 'e', 'm', 'o'}, 0x50)}));
    EXPECT_EQ(Drain(p), Hex("A5 000A 51 E0 E7 00 0121 4D656D6F"));
}

TEST(VirtualPrinterWrite, ValuesOutsideTheModelEarnCommandErrors) {
    sim::VirtualPrinter p;
    GoOffline(p);
    struct Case {
        uint16_t id;
        Bytes value;
        bool accepted;
    } cases[] = {
        {kBlankPages, {0x02}, false},                    // not one of the enumerated values
        {kBlankPages, {}, false},
        {kBlankPages, {0x00, 0x01}, false},
        {kPowerSaver, {0x00}, true},                     // the off value
        {kPowerSaver, {0x01}, true},
        {kPowerSaver, {0xF0}, true},                     // 240, the top
        {kPowerSaver, {0xF1}, false},
        {kPowerSaver, {0x00, 0x05}, false},              // wrong width
        {kFeedTimeout, {0x00, 0x00, 0x00, 0x0E}, false}, // 14
        {kFeedTimeout, {0x00, 0x00, 0xFF, 0xFF}, true},  // 65535
        {kFeedTimeout, {0xFF, 0xFF, 0xFF, 0xFF}, false}, // -1
        {kCustom1Name, Bytes(16, 'x'), true},
        {kCustom1Name, Bytes(17, 'x'), false},
        {kCustom1Name, {'a', 0x00, 'b'}, false},
        {kCustom1Name, {}, true},
        {0x7777, {0x00}, false},
    };
    for (const Case& c : cases) {
        const auto before = p.value(c.id);
        Send(p, Cat({Start(), Write(c.id, c.value)}));
        const Bytes out = Drain(p);
        SCOPED_TRACE(::testing::Message() << std::hex << c.id << " value " << sim::ToHex(c.value));
        if (c.accepted) {
            EXPECT_TRUE(out.empty());
            EXPECT_EQ(p.value(c.id), c.value);
        } else {
            ASSERT_GE(out.size(), 5u);
            EXPECT_EQ(out[3], 0x88);
            EXPECT_EQ(p.value(c.id), before);
        }
    }
}

TEST(VirtualPrinterOffline, ResponseAndAlertInConfiguredOrder) {
    const Bytes responseOff = Hex("A5 0006 51 E0 E7 0C 01 01");
    const Bytes alertOff = Hex("A5 0006 11 F0 E7 0C 01 01");
    {
        sim::VirtualPrinter p;
        Send(p, Cat({Start(), Of(npa::kRegisterAlert)}));
        EXPECT_EQ(Drain(p), Hex("A5 0004 51 E0 03 40"));
        EXPECT_TRUE(p.alertRegistered());
        Send(p, Cat({Start(), Of(npa::kOffline)}));
        EXPECT_EQ(Drain(p), Cat({responseOff, alertOff}));
        EXPECT_TRUE(p.offline());
        Send(p, Cat({Start(), Of(npa::kOnline)}));
        EXPECT_EQ(Drain(p), Hex("A5 0006 51 E0 E7 0C 00 01  A5 0006 11 F0 E7 0C 00 00"));
        EXPECT_FALSE(p.offline());
        Send(p, Cat({Start(), Of(npa::kDeregisterAlert)}));
        Drain(p);
        EXPECT_FALSE(p.alertRegistered());
        Send(p, Cat({Start(), Of(npa::kOffline)}));
        EXPECT_EQ(Drain(p), responseOff) << "no alert without registration";
    }
    {
        sim::PrinterConfig c;
        c.alertFirst = true;
        sim::VirtualPrinter p(c);
        Send(p, Cat({Start(), Of(npa::kRegisterAlert), Start(), Of(npa::kOffline)}));
        EXPECT_EQ(Drain(p), Cat({Hex("A5 0004 51 E0 03 40"), alertOff, responseOff}));
    }
}

TEST(VirtualPrinterOffline, RefusalKeepsStateAndFileFormsAreSilent) {
    sim::VirtualPrinter p;
    sim::Faults f;
    f.refuseOffline = true;
    p.setFaults(f);
    Send(p, Cat({Start(), Of(npa::kRegisterAlert)}));
    Drain(p);
    Send(p, Cat({Start(), Of(npa::kOffline)}));
    // refused: 9th byte 0 in the response, and the alert still says online
    EXPECT_EQ(Drain(p), Hex("A5 0006 51 E0 E7 0C 01 00  A5 0006 11 F0 E7 0C 01 00"));
    EXPECT_FALSE(p.offline());

    p.setFaults({});
    sim::VirtualPrinter q;
    Send(q, Cat({Start(), Of(npa::kFileOffline), Start(), Write(kBlankPages, {0x01}), Start(), Of(npa::kFileOnline)}));
    EXPECT_TRUE(Drain(q).empty());
    EXPECT_FALSE(q.offline());
    EXPECT_EQ(q.value(kBlankPages), Bytes{0x01}) << "the command-file sequence changes the setting";
}

TEST(VirtualPrinterWire, RecordsPacketsChunksAndSentUnits) {
    sim::VirtualPrinter p;
    const Bytes traffic = Cat({Start(), Read(kTray1Size)});
    // one packet cut across chunks, plus junk between packets that is not a packet
    p.receive(traffic.data(), 7);
    p.receive(traffic.data() + 7, traffic.size() - 7);
    Send(p, {0x00, 0x00, 0x00});
    EXPECT_EQ(p.receivedPackets(), (std::vector<Bytes>{Start(), Read(kTray1Size)}));
    EXPECT_EQ(p.receivedChunks().size(), 3u);
    EXPECT_EQ(p.receivedBytes(), Cat({traffic, Bytes{0, 0, 0}}));
    EXPECT_EQ(p.sentPackets(), std::vector<Bytes>{Hex("A5 0007 51 E0 E7 00 0105 01")});
    EXPECT_EQ(p.pendingOutput(), 10u);
    uint8_t b[4];
    EXPECT_EQ(p.transmit(b, 4, 0), 4);
    EXPECT_EQ(p.pendingOutput(), 6u);
    EXPECT_EQ(p.sentBytes().size(), 10u) << "what was sent stays recorded after transmit";

    p.clearWire();
    EXPECT_TRUE(p.receivedPackets().empty());
    EXPECT_TRUE(p.receivedChunks().empty());
    EXPECT_TRUE(p.sentPackets().empty());
    EXPECT_EQ(p.pendingOutput(), 6u) << "clearing the record does not drop the output";
}

TEST(VirtualPrinterWire, WaitForPacketsSeesAnotherThreadsBytes) {
    sim::VirtualPrinter p;
    std::thread host([&] { Send(p, Cat({Start(), Read(kTray1Size)})); });
    EXPECT_TRUE(p.waitForPackets(2, 2000));
    host.join();
    EXPECT_FALSE(p.waitForPackets(3, 10));
}

TEST(VirtualPrinterTransfers, UsbTransfersHoldAtMost32BytesAndRunTogether) {
    sim::PrinterConfig c;
    c.usb = true;
    sim::VirtualPrinter p(c);
    // two replies of 10 bytes and a 26-byte batch reply: transfers of 32 + 14
    Send(p, Cat({Start(), Read(kTray1Size), Start(), Read(kBlankPages),
                 Start(), Batch({kBlankPages, kTray1Size, kPowerSaver, kFeedTimeout})}));
    uint8_t buffer[256];
    std::vector<long> sizes;
    for (long n; (n = p.transmit(buffer, sizeof buffer, 0)) > 0;) sizes.push_back(n);
    EXPECT_EQ(sizes, (std::vector<long>{32, 14}));
}

TEST(VirtualPrinterTransfers, WaitingReaderEndsOnDataWakeOrDisconnect) {
    using namespace std::chrono;
    sim::VirtualPrinter p;
    uint8_t buffer[64];
    auto timed = [&](auto&& action, long& result) {
        const auto start = steady_clock::now();
        std::thread reader([&] { result = p.transmit(buffer, sizeof buffer, 5000); });
        std::this_thread::sleep_for(milliseconds(30));
        action();
        reader.join();
        return duration_cast<milliseconds>(steady_clock::now() - start).count();
    };
    long result = 99;
    EXPECT_LT(timed([&] { Send(p, Cat({Start(), Read(kTray1Size)})); }, result), 2000);
    EXPECT_EQ(result, 10);
    EXPECT_LT(timed([&] { p.wakeReaders(); }, result), 2000);
    EXPECT_EQ(result, 0);
    EXPECT_LT(timed([&] { p.disconnect(); }, result), 2000);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(p.receive(buffer, 1), -1);
    p.reconnect();
    EXPECT_EQ(p.transmit(buffer, sizeof buffer, 0), 0);
}

namespace {

// Sends an offline or online request and returns the 9th byte of the response (1: obeyed).
int Switch(sim::VirtualPrinter& p, bool offline) {
    Drain(p);
    Send(p, Cat({Start(), offline ? Of(npa::kOffline) : Of(npa::kOnline)}));
    const std::vector<Bytes> replies = Packets(Drain(p));
    if (replies.size() != 1 || replies[0].size() != 9) return -1;
    return replies[0][8];
}

}  // namespace

TEST(VirtualPrinterNvram, AcceptedWritesSurviveARestartOnceTheSessionEnds) {
    TempDir dir;
    sim::PrinterConfig c;
    c.stateFile = dir.file("t90.state");
    // The temporary of a program killed in the middle of a save, long ago: the next save clears it.
    std::ofstream(c.stateFile + ".Ab3dEf") << "0101 01\n";
    std::filesystem::last_write_time(c.stateFile + ".Ab3dEf",
                                     std::filesystem::file_time_type::clock::now() - std::chrono::minutes(5));
    {
        sim::VirtualPrinter p(c);
        ASSERT_EQ(p.stateError(), "");
        ASSERT_EQ(Switch(p, true), 1);
        Send(p, Cat({Start(), Write(kCustom1Name, {'L', 'a', 'b'}), Start(), Write(kFeedTimeout, {0, 0, 1, 0x2C})}));
        Send(p, Cat({Start(), Write(kBlankPages, {0x09})}));  // refused: not stored
        EXPECT_FALSE(std::filesystem::exists(c.stateFile)) << "writes are kept in memory until the session ends";
        ASSERT_EQ(Switch(p, false), 1);
        EXPECT_TRUE(std::filesystem::exists(c.stateFile));
    }
    sim::VirtualPrinter restarted(c);
    EXPECT_FALSE(restarted.offline()) << "power-on state is online";
    EXPECT_EQ(restarted.value(kCustom1Name), (Bytes{'L', 'a', 'b'}));
    EXPECT_EQ(restarted.value(kFeedTimeout), (Bytes{0, 0, 1, 0x2C}));
    EXPECT_EQ(restarted.value(kBlankPages), Bytes{0x00});
    // the atomic save leaves no temporary files behind, and removed the old one: only the state and
    // its lock file
    std::set<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) files.insert(e.path().filename().string());
    EXPECT_EQ(files, (std::set<std::string>{"t90.state", "t90.state.lock"}));
    struct stat st {};
    ASSERT_EQ(::stat(c.stateFile.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // A session that never ends (the host went away offline) keeps nothing.
    {
        sim::VirtualPrinter p(c);
        ASSERT_EQ(Switch(p, true), 1);
        Send(p, Cat({Start(), Write(kBlankPages, {0x01})}));
    }
    EXPECT_EQ(sim::VirtualPrinter(c).value(kBlankPages), Bytes{0x00});
}

TEST(VirtualPrinterNvram, StateFileValuesTheModelRejectsAreIgnored) {
    TempDir dir;
    sim::PrinterConfig c;
    c.stateFile = dir.file("t90.state");
    std::ofstream(c.stateFile) << "0101 01\n0105 7F\n\n7777 00\n0306\n0121 41\n";
    sim::VirtualPrinter p(c);
    EXPECT_EQ(p.stateError(), "");
    EXPECT_EQ(p.value(kBlankPages), Bytes{0x01});
    EXPECT_EQ(p.value(kTray1Size), Bytes{0x01}) << "7F is no tray size: the default stays";
    EXPECT_EQ(p.value(kPowerSaver), Bytes{0x14});
    EXPECT_EQ(p.value(kCustom1Name), Bytes{'A'});
    EXPECT_FALSE(p.value(0x7777).has_value());
}

// Two printers on one state file, as the command-line tool and the window would be: a session
// waits for the other's lock and starts from what the other saved, so neither loses a write.
TEST(VirtualPrinterNvram, TwoPrintersOnOneStateFileKeepBothWrites) {
    TempDir dir;
    sim::PrinterConfig c;
    c.stateFile = dir.file("t90.state");
    sim::VirtualPrinter a(c), b(c);
    a.setStateLockWaitMs(50);
    b.setStateLockWaitMs(50);
    ASSERT_EQ(Switch(a, true), 1);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(Switch(b, true), 0) << "the other printer's session holds the lock";
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    EXPECT_FALSE(b.offline());
    EXPECT_NE(b.stateError().find("in use by another program"), std::string::npos) << b.stateError();

    Send(a, Cat({Start(), Write(kBlankPages, {0x01})}));
    ASSERT_EQ(Switch(a, true), 1);
    ASSERT_EQ(Switch(a, false), 1);
    ASSERT_EQ(Switch(b, true), 1);
    EXPECT_EQ(b.value(kBlankPages), Bytes{0x01}) << "the session starts from the other printer's save";
    EXPECT_EQ(b.stateError(), "");
    Send(b, Cat({Start(), Write(kTray1Size, {0x02})}));
    EXPECT_EQ(Switch(a, true), 0);
    ASSERT_EQ(Switch(b, false), 1);
    // the operator panel is a session of its own
    a.setValue(kPowerSaver, {0x05});
    // and a read of the other printer answers what was saved, as one printer's memory would
    Send(b, Cat({Start(), Batch({kPowerSaver})}));
    EXPECT_EQ(Drain(b), Hex("A5 0008 11 E0 E7 00 0306 01 05"));

    sim::VirtualPrinter restarted(c);
    EXPECT_EQ(restarted.value(kBlankPages), Bytes{0x01});
    EXPECT_EQ(restarted.value(kTray1Size), Bytes{0x02});
    EXPECT_EQ(restarted.value(kPowerSaver), Bytes{0x05});
}

TEST(VirtualPrinterNvram, WritesThatCannotBeSavedKeepThePrinterOffline) {
    TempDir dir;
    sim::PrinterConfig c;
    c.stateFile = dir.file("t90.state");
    sim::VirtualPrinter p(c);
    ASSERT_EQ(Switch(p, true), 1);
    Send(p, Cat({Start(), Write(kBlankPages, {0x01})}));
    // a folder in the state file's place: the rename of the save fails
    ASSERT_TRUE(std::filesystem::create_directory(c.stateFile));
    EXPECT_EQ(Switch(p, false), 0);
    EXPECT_TRUE(p.offline());
    EXPECT_NE(p.stateError().find("cannot be saved"), std::string::npos) << p.stateError();
    EXPECT_NE(p.stateError().find(c.stateFile), std::string::npos);

    std::filesystem::remove(c.stateFile);
    EXPECT_EQ(Switch(p, false), 1) << "the session and its writes stayed open for another try";
    EXPECT_EQ(p.stateError(), "");
    EXPECT_EQ(sim::VirtualPrinter(c).value(kBlankPages), Bytes{0x01});
}

namespace {

struct BrokenState {
    const char* name;
    // Spoils the state file (path) in folder dir.
    void (*spoil)(const std::string& dir, const std::string& path);
    const char* says;
};

void WriteState(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

const BrokenState kBrokenStates[] = {
    {"DamagedLine", [](const std::string&, const std::string& f) { WriteState(f, "0101 01\n0105 01\nzz 00\n"); },
     "is damaged at line 3; move it away"},
    {"ExtraWord", [](const std::string&, const std::string& f) { WriteState(f, "0101 01 02\n"); },
     "is damaged at line 1"},
    {"BinaryJunk", [](const std::string&, const std::string& f) { WriteState(f, std::string("\x7f" "ELF\x02\x01\x00\xff", 8)); },
     "is damaged at line 1"},
    {"SymbolicLink",
     [](const std::string& d, const std::string& f) {
         WriteState(d + "/real.state", "0101 01\n");
         std::filesystem::create_symlink(d + "/real.state", f);
     },
     "is a symbolic link"},
    {"DanglingLink", [](const std::string& d, const std::string& f) { std::filesystem::create_symlink(d + "/gone", f); },
     "is a symbolic link"},
    {"Folder", [](const std::string&, const std::string& f) { std::filesystem::create_directory(f); },
     "is not a regular file"},
    {"Unreadable",
     [](const std::string&, const std::string& f) {
         WriteState(f, "0101 01\n");
         ::chmod(f.c_str(), 0200);
     },
     "cannot be read"},
    {"ReadOnly",
     [](const std::string&, const std::string& f) {
         WriteState(f, "0101 01\n");
         ::chmod(f.c_str(), 0400);
     },
     "is read-only"},
    {"FolderNotWritable",
     [](const std::string& d, const std::string& f) {
         WriteState(f, "0101 01\n");
         ::chmod(d.c_str(), 0500);
     },
     "folder"},
};

class UnusableStateFile : public ::testing::TestWithParam<BrokenState> {};

}  // namespace

// A state file that exists but cannot be used is reported and left alone: the printer keeps the
// defaults in memory and refuses to go offline, so nothing can overwrite the user's file.
TEST_P(UnusableStateFile, IsReportedAndNeverReplaced) {
    TempDir top;
    const std::string dir = top.file("state");
    ASSERT_TRUE(std::filesystem::create_directory(dir));
    sim::PrinterConfig c;
    c.stateFile = dir + "/t90.state";
    GetParam().spoil(dir, c.stateFile);
    const std::string before = std::filesystem::is_regular_file(c.stateFile) ? testsupport::ReadFileText(c.stateFile) : "";
    {
        sim::VirtualPrinter p(c);
        p.setStateLockWaitMs(50);
        EXPECT_NE(p.stateError().find(GetParam().says), std::string::npos) << p.stateError();
        EXPECT_NE(p.stateError().find(c.stateFile), std::string::npos) << p.stateError();
        EXPECT_EQ(p.value(kBlankPages), Bytes{0x00}) << "defaults in memory";
        EXPECT_EQ(Switch(p, true), 0);
        EXPECT_FALSE(p.offline());
        EXPECT_NE(p.stateError(), "");
    }
    ::chmod(dir.c_str(), 0700);
    if (std::filesystem::is_regular_file(c.stateFile)) {
        ::chmod(c.stateFile.c_str(), 0600);
        EXPECT_EQ(testsupport::ReadFileText(c.stateFile), before) << "the file is left as it was";
    }
}

INSTANTIATE_TEST_SUITE_P(VirtualPrinterNvram, UnusableStateFile, ::testing::ValuesIn(kBrokenStates),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(VirtualPrinterNvram, ARepairedStateFileIsUsedByTheNextSession) {
    TempDir dir;
    sim::PrinterConfig c;
    c.stateFile = dir.file("t90.state");
    WriteState(c.stateFile, "junk\n");
    sim::VirtualPrinter p(c);
    EXPECT_EQ(Switch(p, true), 0);
    WriteState(c.stateFile, "0101 01\n");
    EXPECT_EQ(Switch(p, true), 1);
    EXPECT_EQ(p.stateError(), "");
    EXPECT_EQ(p.value(kBlankPages), Bytes{0x01});
    // damaged again during a session: the next session is refused and memory keeps its values
    ASSERT_EQ(Switch(p, false), 1);
    WriteState(c.stateFile, "0101\x01\n");
    EXPECT_EQ(Switch(p, true), 0);
    EXPECT_EQ(p.value(kBlankPages), Bytes{0x01});
}

TEST(VirtualPrinterNvram, MemoryOnlySessionsAlwaysSucceed) {
    sim::VirtualPrinter p;
    ASSERT_EQ(Switch(p, true), 1);
    Send(p, Cat({Start(), Write(kBlankPages, {0x01})}));
    ASSERT_EQ(Switch(p, false), 1);
    EXPECT_EQ(p.value(kBlankPages), Bytes{0x01});
    EXPECT_EQ(p.stateError(), "");
}

struct StateHomeCase {
    const char* name;
    const char* xdgStateHome;  // nullptr: unset
    const char* home;
    const char* expected;
};

class DefaultStateFile : public ::testing::TestWithParam<StateHomeCase> {};

TEST_P(DefaultStateFile, FollowsTheXdgStateFolder) {
    const char* oldState = std::getenv("XDG_STATE_HOME");
    const char* oldHome = std::getenv("HOME");
    const std::string keptState = oldState ? oldState : "", keptHome = oldHome ? oldHome : "";
    auto put = [](const char* name, const char* value) {
        if (value) ::setenv(name, value, 1);
        else ::unsetenv(name);
    };
    put("XDG_STATE_HOME", GetParam().xdgStateHome);
    put("HOME", GetParam().home);
    const std::string got = sim::DefaultStateFile();
    put("XDG_STATE_HOME", oldState ? keptState.c_str() : nullptr);
    put("HOME", oldHome ? keptHome.c_str() : nullptr);
    EXPECT_EQ(got, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(VirtualPrinterNvram, DefaultStateFile,
                         ::testing::Values(StateHomeCase{"XdgSet", "/xdg", "/home/u", "/xdg/devpanel/virtual-t90.state"},
                                           StateHomeCase{"XdgUnset", nullptr, "/home/u",
                                                         "/home/u/.local/state/devpanel/virtual-t90.state"},
                                           StateHomeCase{"XdgRelative", "relative", "/home/u",
                                                         "/home/u/.local/state/devpanel/virtual-t90.state"},
                                           StateHomeCase{"NoHomeAtAll", nullptr, nullptr, ""}),
                         [](const ::testing::TestParamInfo<StateHomeCase>& info) { return std::string(info.param.name); });

TEST(VirtualPrinterFaults, StopReadingAfterPacketsTakesNothingMoreUntilFaultsChange) {
    sim::VirtualPrinter p;
    sim::Faults f;
    f.stopReadingAfterPackets = 2;
    p.setFaults(f);
    const Bytes three = Cat({Start(), Read(kTray1Size), Read(kBlankPages)});
    EXPECT_EQ(p.receive(three.data(), three.size()), static_cast<long>(Start().size() + Read(kTray1Size).size()))
        << "reading stops right after the second packet";
    EXPECT_EQ(p.receivedPackets().size(), 2u);
    EXPECT_EQ(Packets(Drain(p)).size(), 1u) << "the packets taken are answered";
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(p.receive(three.data(), three.size()), 0);
    EXPECT_EQ(p.receive(three.data(), 1), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(500));
    EXPECT_EQ(p.receivedPackets().size(), 2u);

    f.stopReadingAfterPackets = 0;
    p.setFaults(f);
    EXPECT_EQ(p.receive(three.data(), three.size()), 0);
    p.setFaults({});
    EXPECT_EQ(p.receive(three.data(), three.size()), static_cast<long>(three.size()));
    EXPECT_EQ(p.receivedPackets().size(), 5u);
}
