// The printer's wire faults against both two-way transports (a parallel port and a USB printer
// on the simulated platform): each fault gives its result code, and the link is left clean:
// the next exchange gets its own answers, and closing ends the reader.
#include <chrono>
#include <thread>

#include "link_fixture.h"

namespace linktest {
namespace {

enum class Transport { Parallel, Usb };
enum class Op { Send, Offline, Online };

struct FaultCase {
    const char* name;
    Op op;
    sim::Faults faults;
    int expected;
    bool printerOffline;  // the printer's state after the operation
    int settleMs = 0;     // time for late replies to arrive before the link is checked
    const char* problem = nullptr;  // part of SlcLastProblem() afterwards
};

constexpr uint32_t kWaitMs = 500;

sim::Faults With(void (*set)(sim::Faults&)) {
    sim::Faults f;
    set(f);
    return f;
}

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }
void PrintTo(Transport t, std::ostream* os) { *os << (t == Transport::Usb ? "USB" : "parallel"); }

class FaultMatrix : public LinkTest, public ::testing::WithParamInterface<std::tuple<Transport, FaultCase>> {
protected:
    void SetUp() override {
        LinkTest::SetUp();
    sim_->setLoggingLevel(SLC_LOG_PUBLIC | SLC_LOG_TRACE);
        SlcTimingTable().responseWaitMs = kWaitMs;
        SlcTimingTable().usbReadWaitMs = 20;
        if (std::get<0>(GetParam()) == Transport::Usb) {
            port_ = "USB001";
            printer_ = &sim_->addUsbPrinter(1, "T90V000001", 1);
        } else {
            port_ = "LPT1:";
            printer_ = &AddPrinter();
        }
        ASSERT_EQ(SlcOpenPort(port_), SLC_OK);
    }

    int Send(const Bytes& command, Bytes& reply) {
        reply.assign(SLC_SLOT_SIZE, 0);
        uint32_t length = SLC_SLOT_SIZE;
        const int rc = SlcSendCommand(port_, command.data(), static_cast<uint32_t>(command.size()), reply.data(), &length);
        reply.resize(length);
        return rc;
    }

    // Bytes the printer takes before the cable is pulled in the middle of the operation's packet.
    long CutInsideTheRequest(Op op) const {
        const long start = static_cast<long>(npa::kStart.size());
        if (op == Op::Send) return start + 3;
        return start + static_cast<long>(npa::kRegisterAlert.size()) + start + 3;
    }

    const char* port_ = nullptr;
    sim::VirtualPrinter* printer_ = nullptr;
};

TEST_P(FaultMatrix, GivesItsCodeAndLeavesTheLinkClean) {
    const FaultCase& c = std::get<1>(GetParam());
    if (c.op == Op::Online) {
        ASSERT_EQ(SlcOffline(port_, 1), SLC_OK);
    }
    sim::Faults faults = c.faults;
    if (faults.disconnectAfterBytes == 0) faults.disconnectAfterBytes = CutInsideTheRequest(c.op);
    printer_->setFaults(faults);

    const auto start = std::chrono::steady_clock::now();
    Bytes reply;
    int rc = SLC_FAIL;
    switch (c.op) {
    case Op::Send:
        rc = Send(BatchRead(), reply);
        if (rc == SLC_OK) {
            ASSERT_GE(reply.size(), 9u);
            EXPECT_EQ(reply[4], npa::CMD_SETTINGS) << "an alert was taken for the reply";
        }
        break;
    case Op::Offline:
        rc = SlcOffline(port_, 1);
        break;
    case Op::Online:
        rc = SlcOffline(port_, 0);
        break;
    }
    EXPECT_EQ(rc, c.expected);
    EXPECT_EQ(SlcLastProblem().empty(), rc == SLC_OK) << SlcLastProblem();
    if (c.problem != nullptr) {
        EXPECT_NE(SlcLastProblem().find(c.problem), std::string::npos) << SlcLastProblem();
    }
    EXPECT_EQ(printer_->offline(), c.printerOffline);
    // Never a hang: at most the register's wait and the exchange's two waits.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(4 * kWaitMs + 1000));

    // The link afterwards: late messages of the failed exchange must not answer the next one.
    printer_->setFaults({});
    if (!printer_->connected()) printer_->reconnect();
    if (c.settleMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(c.settleMs));
    Bytes single;
    ASSERT_TRUE(npa::BuildBatchRequest({0x0107}, single));
    ASSERT_EQ(Send(single, reply), SLC_OK);
    ASSERT_GE(reply.size(), 9u);
    EXPECT_EQ(reply[7], 0x01);
    EXPECT_EQ(reply[8], 0x07) << "a stale reply answered the request";
    if (!printer_->offline()) {
        EXPECT_EQ(SlcOffline(port_, 1), SLC_OK);
    }
    EXPECT_EQ(SlcOffline(port_, 0), SLC_OK);
    EXPECT_FALSE(printer_->offline());
    EXPECT_EQ(SlcClosePort(port_), SLC_OK);
    EXPECT_TRUE(SlcLastProblem().empty());
    EXPECT_FALSE(SlcGlobals().readThread.joinable());
    EXPECT_FALSE(SlcGlobals().readThreadRunning);
}

const FaultCase kCases[] = {
    {"SilenceToACommand", Op::Send, With([](sim::Faults& f) { f.silent = true; }), SLC_SEND_READFAIL, false},
    {"SilenceToOffline", Op::Offline, With([](sim::Faults& f) { f.silent = true; }), SLC_REFUSED, false},
    {"LateReply", Op::Send, With([](sim::Faults& f) { f.replyDelayMs = 2 * kWaitMs; }), SLC_SEND_READFAIL, false,
     3 * kWaitMs},
    {"LateOfflineAnswers", Op::Offline, With([](sim::Faults& f) { f.replyDelayMs = 2 * kWaitMs; }), SLC_REFUSED,
     false, 3 * kWaitMs},
    {"MissingAlert", Op::Offline, With([](sim::Faults& f) { f.noAlert = true; }), SLC_OK, true},
    {"AlertBeforeTheOfflineReply", Op::Offline, With([](sim::Faults& f) { f.alertBeforeEveryReply = true; }), SLC_OK,
     true},
    {"AlertBeforeTheOnlineReply", Op::Online, With([](sim::Faults& f) { f.alertBeforeEveryReply = true; }), SLC_OK,
     false},
    {"AlertWhileACommandsReplyIsAwaited", Op::Send, With([](sim::Faults& f) { f.alertBeforeEveryReply = true; }),
     SLC_OK, false},
    {"RefusedOffline", Op::Offline, With([](sim::Faults& f) { f.refuseOffline = true; }), SLC_REJECTED, false},
    {"IgnoredOnline", Op::Online, With([](sim::Faults& f) { f.ignoreOnline = true; }), SLC_SEND_READFAIL, true, 0,
     "did not confirm going online within 500 ms"},
    {"AlertButNoResponse", Op::Offline, With([](sim::Faults& f) { f.noControlResponse = true; }), SLC_SEND_READFAIL,
     true, 0, "announced going offline but sent no response to the request"},
    // Bytes 5 to 7 of a response are the printer's own.
    {"SingleSettingLayoutOffline", Op::Offline,
     With([](sim::Faults& f) { f.controlReplyLayout = sim::ControlReplyLayout::SingleSetting; }), SLC_OK, true},
    {"NoStateLayoutOnline", Op::Online,
     With([](sim::Faults& f) { f.controlReplyLayout = sim::ControlReplyLayout::SingleSettingNoState; }), SLC_OK,
     false},
    {"ZeroSubFunctionLayoutOffline", Op::Offline,
     With([](sim::Faults& f) { f.controlReplyLayout = sim::ControlReplyLayout::ZeroSubFunction; }), SLC_OK, true},
    // disconnectAfterBytes 0 stands for "inside the operation's own packet".
    {"DisconnectMidCommand", Op::Send, With([](sim::Faults& f) { f.disconnectAfterBytes = 0; }), SLC_SEND_WRITEFAIL,
     false},
    {"DisconnectMidOffline", Op::Offline, With([](sim::Faults& f) { f.disconnectAfterBytes = 0; }), SLC_REFUSED,
     false},
};

INSTANTIATE_TEST_SUITE_P(
    Link, FaultMatrix, ::testing::Combine(::testing::Values(Transport::Parallel, Transport::Usb), ::testing::ValuesIn(kCases)),
    [](const ::testing::TestParamInfo<std::tuple<Transport, FaultCase>>& info) {
        return std::string(std::get<0>(info.param) == Transport::Usb ? "Usb_" : "Parallel_") +
               std::get<1>(info.param).name;
    });

}  // namespace
}  // namespace linktest
