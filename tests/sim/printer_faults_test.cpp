// Every fault knob of the virtual printer, as the host would see it on the wire.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "sim/npa_engine.h"
#include "sim/virtual_printer.h"
#include "sim_test_util.h"

using namespace simtest;

namespace {

const Bytes kReply = Hex("A5 0007 51 E0 E7 00 0105 01");  // the answer to Read(kTray1Size)

Bytes Ask(sim::VirtualPrinter& p, const sim::Faults& f, int waitMs = 0) {
    p.setFaults(f);
    Send(p, Cat({Start(), Read(kTray1Size)}));
    return Drain(p, waitMs);
}

bool HasA5(const Bytes& b) { return std::find(b.begin(), b.end(), 0xA5) != b.end(); }

}  // namespace

TEST(PrinterFaults, SilenceAndLateReplies) {
    using namespace std::chrono;
    sim::VirtualPrinter p;
    sim::Faults f;
    f.silent = true;
    EXPECT_TRUE(Ask(p, f, 50).empty());

    f = {};
    f.replyDelayMs = 150;
    const auto start = steady_clock::now();
    EXPECT_TRUE(Ask(p, f, 0).empty()) << "not yet";
    EXPECT_EQ(Drain(p, 3000), kReply);
    EXPECT_GE(duration_cast<milliseconds>(steady_clock::now() - start).count(), 140);
}

TEST(PrinterFaults, BytesInFrontOfTheReply) {
    sim::VirtualPrinter p;
    for (int n = 1; n <= 3; ++n) {
        sim::Faults f;
        f.strayBytes = n;
        const Bytes out = Ask(p, f);
        ASSERT_EQ(out.size(), kReply.size() + static_cast<size_t>(n));
        EXPECT_FALSE(HasA5(Bytes(out.begin(), out.begin() + n)));
        EXPECT_EQ(Bytes(out.begin() + n, out.end()), kReply);
    }
    sim::Faults f;
    f.garbageBefore = 40;
    Bytes out = Ask(p, f);
    EXPECT_FALSE(HasA5(Bytes(out.begin(), out.begin() + 40)));
    EXPECT_EQ(Bytes(out.begin() + 40, out.end()), kReply);

    f = {};
    f.garbageInsteadOfReply = true;
    out = Ask(p, f);
    EXPECT_FALSE(out.empty());
    EXPECT_FALSE(HasA5(out));
}

TEST(PrinterFaults, ErrorAndForeignPacketsBeforeTheReply) {
    sim::VirtualPrinter p;
    sim::Faults f;
    f.unsolicitedErrorsBefore = 1;
    f.commandErrorsBefore = 2;
    f.foreignRepliesBefore = 1;
    const auto packets = Packets(Ask(p, f));
    ASSERT_EQ(packets.size(), 5u);
    EXPECT_EQ(packets[0][3], 0x80);  // error without 0x10
    EXPECT_EQ(packets[1][3], 0x88);
    EXPECT_EQ(packets[2][3], 0x88);
    EXPECT_EQ(packets[3][4], sim::kForeignCommand);
    EXPECT_EQ(packets[4], kReply);

    f = {};
    f.echoCommand = 0xE5;
    Bytes expected = kReply;
    expected[4] = 0xE5;
    EXPECT_EQ(Ask(p, f), expected);
}

TEST(PrinterFaults, ContinuedPacketsJoinToTheReply) {
    sim::VirtualPrinter p;
    sim::Faults f;
    f.splitDataBytes = 2;  // the reply's 5 data bytes go out as 2 + 2 + 1
    const auto packets = Packets(Ask(p, f));
    ASSERT_EQ(packets.size(), 3u);
    Bytes joined;
    for (size_t i = 0; i < packets.size(); ++i) {
        EXPECT_EQ(packets[i][4], 0xE0);
        EXPECT_EQ((packets[i][3] & 0x20) != 0, i + 1 < packets.size()) << "continue bit on all but the last";
        EXPECT_EQ(packets[i][3] & ~0x20, 0x51);
        joined.insert(joined.end(), packets[i].begin() + 5, packets[i].end());
    }
    EXPECT_EQ(joined, Bytes(kReply.begin() + 5, kReply.end()));
}

TEST(PrinterFaults, OversizeReply) {
    sim::VirtualPrinter p;
    sim::Faults f;
    f.oversizeReply = true;
    const auto packets = Packets(Ask(p, f));
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_GT(packets[0].size(), npa::MAX_REPLY);
    EXPECT_EQ(npa::ReadDataLen(packets[0].data()), packets[0].size() - 3);
    EXPECT_TRUE(std::equal(kReply.begin() + 3, kReply.end(), packets[0].begin() + 3));
}

TEST(PrinterFaults, DisconnectInTheMiddleOfAWrite) {
    sim::VirtualPrinter p;
    sim::Faults f;
    f.disconnectAfterBytes = 25;  // the start packet and 6 bytes of the command
    p.setFaults(f);
    const Bytes traffic = Cat({Start(), Read(kTray1Size)});
    EXPECT_EQ(p.receive(traffic.data(), traffic.size()), 25);
    EXPECT_FALSE(p.connected());
    EXPECT_EQ(p.receive(traffic.data(), 1), -1);
    uint8_t b[8];
    EXPECT_EQ(p.transmit(b, sizeof b, 100), -1);
    EXPECT_EQ(p.receivedPackets().size(), 1u) << "only the start packet arrived whole";

    p.reconnect();
    EXPECT_EQ(p.receive(traffic.data(), traffic.size()), static_cast<long>(traffic.size()));
    EXPECT_EQ(Drain(p), kReply);
}

TEST(PrinterFaults, NpaModeSwitchesAtRunTime) {
    sim::VirtualPrinter p;
    p.setNpaMode(sim::NpaMode::Off);
    EXPECT_TRUE(Ask(p, {}).empty());
    p.setNpaMode(sim::NpaMode::On);
    Send(p, Read(kTray1Size));
    EXPECT_EQ(Drain(p), kReply);
}

namespace {

// The write-session knobs: what the host sees after a start packet and one request, on a
// printer taken offline first (and registered for the alert) where the case says so.
struct SessionFault {
    const char* name;
    sim::Faults faults;
    bool offlineFirst;
    // The request, given the printer (a write needs a value its model takes).
    Bytes (*request)(const sim::VirtualPrinter&, uint16_t& id, Bytes& value);
    // Checks the packets that came back and the printer's state.
    void (*check)(const std::vector<Bytes>& packets, const sim::VirtualPrinter&, uint16_t id, const Bytes& old);
    bool ignoreTheWrite = false;  // the written id goes into ignoredWriteIds
};

const Bytes kRegister = Packet(0x50, 0xE0, {0x03, 0x40});

Bytes OnlineRequest(const sim::VirtualPrinter&, uint16_t&, Bytes&) { return Of(npa::kOnline); }
Bytes OfflineRequest(const sim::VirtualPrinter&, uint16_t&, Bytes&) { return Of(npa::kOffline); }
Bytes ReadRequest(const sim::VirtualPrinter&, uint16_t&, Bytes&) { return Read(kTray1Size); }
Bytes BatchRequest(const sim::VirtualPrinter&, uint16_t&, Bytes&) { return Batch({kTray1Size}); }
Bytes WriteRequest(const sim::VirtualPrinter& p, uint16_t& id, Bytes& value) {
    for (const auto& [settingId, def] : p.model().settings()) {
        if (def.kind != sim::SettingKind::Enum || def.values.size() < 2) continue;
        id = settingId;
        value = def.values[0] == p.value(id) ? def.values[1] : def.values[0];
        return Write(id, value, 0x50);
    }
    ADD_FAILURE() << "the model has no enumerated setting";
    return {};
}

class SessionFaults : public ::testing::TestWithParam<SessionFault> {};

TEST_P(SessionFaults, ShowOnTheWire) {
    const SessionFault& c = GetParam();
    sim::VirtualPrinter p;
    Send(p, Cat({Start(), kRegister}));
    if (c.offlineFirst) Send(p, Cat({Start(), Of(npa::kOffline)}));
    Drain(p);
    uint16_t id = 0;
    Bytes value;
    const Bytes request = c.request(p, id, value);
    const Bytes old = id != 0 ? p.value(id).value_or(Bytes{}) : Bytes{};
    sim::Faults faults = c.faults;
    if (c.ignoreTheWrite) faults.ignoredWriteIds = {id};
    p.setFaults(faults);
    Send(p, Cat({Start(), request}));
    c.check(Packets(Drain(p)), p, id, old);
}

INSTANTIATE_TEST_SUITE_P(
    PrinterFaults, SessionFaults,
    ::testing::Values(
        SessionFault{"ignoreOnline", [] { sim::Faults f; f.ignoreOnline = true; return f; }(), true, OnlineRequest,
                     [](const std::vector<Bytes>& packets, const sim::VirtualPrinter& p, uint16_t, const Bytes&) {
                         EXPECT_TRUE(packets.empty());
                         EXPECT_TRUE(p.offline());
                     }},
        SessionFault{"noAlert", [] { sim::Faults f; f.noAlert = true; return f; }(), false, OfflineRequest,
                     [](const std::vector<Bytes>& packets, const sim::VirtualPrinter& p, uint16_t, const Bytes&) {
                         ASSERT_EQ(packets.size(), 1u);
                         EXPECT_EQ(packets[0], Packet(0x51, 0xE0, {0xE7, 0x0C, 0x01, 0x01}));
                         EXPECT_TRUE(p.offline());
                     }},
        SessionFault{"alertBeforeEveryReply", [] { sim::Faults f; f.alertBeforeEveryReply = true; return f; }(), false,
                     ReadRequest,
                     [](const std::vector<Bytes>& packets, const sim::VirtualPrinter&, uint16_t, const Bytes&) {
                         ASSERT_EQ(packets.size(), 2u);
                         EXPECT_EQ(packets[0], Packet(0x11, 0xF0, {0xE7, 0x0C, 0x00, 0x00}));
                         EXPECT_EQ(packets[1], kReply);
                     }},
        SessionFault{"emptyBatchReply", [] { sim::Faults f; f.emptyBatchReply = true; return f; }(), false,
                     BatchRequest,
                     [](const std::vector<Bytes>& packets, const sim::VirtualPrinter&, uint16_t, const Bytes&) {
                         ASSERT_EQ(packets.size(), 1u);
                         EXPECT_EQ(packets[0], Packet(0x11, 0xE0, {0xE7, 0x00}));
                     }},
        SessionFault{"batchReplyBytes", [] { sim::Faults f; f.batchReplyBytes = 0x0300; return f; }(), false,
                     BatchRequest,
                     [](const std::vector<Bytes>& packets, const sim::VirtualPrinter&, uint16_t, const Bytes&) {
                         ASSERT_EQ(packets.size(), 1u);
                         EXPECT_EQ(packets[0], Packet(0x11, 0xE0, {0x03, 0x00, 0x01, 0x05, 0x01, 0x01}));
                     }},
        SessionFault{"ignoredWriteIds", [] { sim::Faults f; return f; }(), true, WriteRequest,
                     [](const std::vector<Bytes>& packets, const sim::VirtualPrinter& p, uint16_t id, const Bytes& old) {
                         ASSERT_EQ(packets.size(), 1u);
                         EXPECT_EQ(packets[0][4], 0xE0);
                         EXPECT_EQ(packets[0][3], 0x51) << "acknowledged like a kept write";
                         EXPECT_EQ(p.value(id), old) << "but not stored";
                     },
                     true}),
    [](const ::testing::TestParamInfo<SessionFault>& info) { return std::string(info.param.name); });

}  // namespace
