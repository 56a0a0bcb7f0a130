// The rule of the offline/online exchange, shared by both two-way transports: which messages
// count as the printer's response and alert, and what they decide. A scripted transport hands
// out the messages; the transports' own waits are tested in the fault matrix.
#include <deque>

#include "link_fixture.h"
#include "sim/npa_engine.h"

namespace linktest {
namespace {

// One message of the script: a code other than 0 stands for a message that cannot be used.
struct Step {
    int rc = SLC_OK;
    Bytes bytes;
};

Bytes Response(uint8_t requested, uint8_t accepted) {
    return sim::MakePacket(0x51, npa::CMD_SETTINGS, {0xE7, 0x0C, requested, accepted});
}
Bytes Alert(uint8_t requested, uint8_t shown) { return sim::MakePacket(0x11, npa::CMD_ALERT, {0xE7, 0x0C, requested, shown}); }

struct ExchangeCase {
    const char* name;
    int offline;
    std::vector<Step> script;
    int expected;
    const char* logLine;  // a line the exchange must log, or nullptr
    int writeRc = SLC_OK;
};

void PrintTo(const ExchangeCase& c, std::ostream* os) { *os << c.name; }

class OfflineExchangeRule : public LinkTest, public ::testing::WithParamInterface<ExchangeCase> {};

TEST_P(OfflineExchangeRule, DecidesByResponseAndAlert) {
    const ExchangeCase& c = GetParam();
    sim_->setLoggingLevel(SLC_LOG_TRACE);
    SlcInit();
    SlcTimingTable().responseWaitMs = 200;
    std::deque<Step> script(c.script.begin(), c.script.end());
    Bytes written;
    size_t waits = 0;
    SlcOfflineTransport transport;
    transport.prefix = "TestOffline(): ";
    transport.waitName = "TestGetResponse";
    transport.writePacket = [&](const uint8_t* packet, size_t length) {
        written.assign(packet, packet + length);
        return c.writeRc;
    };
    transport.nextMessage = [&](Bytes& message, uint32_t waitMs) -> int {
        ++waits;
        EXPECT_LE(waitMs, 200u);
        if (script.empty()) return SLC_SEND_READFAIL;
        Step step = script.front();
        script.pop_front();
        message = step.bytes;
        return step.rc;
    };

    EXPECT_EQ(SlcOfflineExchange(transport, c.offline), c.expected);
    EXPECT_EQ(written, c.offline != 0 ? ToBytes(npa::kOffline) : ToBytes(npa::kOnline));
    if (c.logLine != nullptr) {
        EXPECT_TRUE(LogHas(c.logLine)) << sim_->logText();
    }
    if (c.writeRc != SLC_OK) {
        EXPECT_EQ(waits, 0u);
    }
}

const Bytes kForeign = sim::MakePacket(0x51, 0xE1, {0xE7, 0x00});
// Bytes 5 to 7 are the printer's own: the single-setting reply layout, no state, no sub-function.
const Bytes kSingleSettingLayout = sim::MakePacket(0x51, npa::CMD_SETTINGS, {0xE7, 0x00, 0x01, 0x01});
const Bytes kNoState = sim::MakePacket(0x51, npa::CMD_SETTINGS, {0xE7, 0x00, 0x00, 0x01});
const Bytes kZeroSubFunction = sim::MakePacket(0x51, npa::CMD_SETTINGS, {0x00, 0x00, 0x01, 0x01});
const Bytes kPlainAlert = sim::MakePacket(0x11, npa::CMD_ALERT, {0x00, 0x00, 0x00, 0x01});
const Bytes kResponseWithoutVerdict = sim::MakePacket(0x51, npa::CMD_SETTINGS, {0xE7, 0x0C, 0x01});

INSTANTIATE_TEST_SUITE_P(
    Cases, OfflineExchangeRule,
    ::testing::Values(
        ExchangeCase{"ResponseThenAlert", 1, {{0, Response(1, 1)}, {0, Alert(1, 1)}}, SLC_OK,
                     "TestOffline(): 9th byte OK\n"},
        ExchangeCase{"AlertThenResponse", 1, {{0, Alert(1, 1)}, {0, Response(1, 1)}}, SLC_OK,
                     "TestOffline(): we got the alert back first\n"},
        ExchangeCase{"OnlineBothWays", 0, {{0, Alert(0, 0)}, {0, Response(0, 1)}}, SLC_OK, nullptr},
        ExchangeCase{"ResponseWithoutAlert", 1, {{0, Response(1, 1)}}, SLC_OK,
                     "TestOffline(): the alert did not come; the accepted response decides\n"},
        ExchangeCase{"AlertWithoutResponse", 1, {{0, Alert(1, 1)}}, SLC_SEND_READFAIL,
                     "TestOffline(): no response to the request, returning -6\n"},
        ExchangeCase{"Nothing", 1, {}, SLC_SEND_READFAIL, "TestOffline(): returned from TestGetResponse, iReturn=-6\n"},
        ExchangeCase{"ResponseRefuses", 1, {{0, Response(1, 0)}, {0, Alert(1, 0)}}, SLC_REJECTED,
                     "TestOffline(): the command appears to have been rejected:\n"},
        ExchangeCase{"AlertShowsTheOldState", 1, {{0, Alert(1, 0)}, {0, Response(1, 1)}}, SLC_REJECTED,
                     "TestOffline(): 9th byte NOT OK - rejected\n"},
        ExchangeCase{"AcceptedButAlertShowsTheOldState", 0, {{0, Response(0, 1)}, {0, Alert(0, 1)}}, SLC_REJECTED,
                     "TestOffline(): 9th byte NOT OK - rejected\n"},
        // Only the command byte and the 9th byte count.
        ExchangeCase{"SingleSettingLayout", 1, {{0, kSingleSettingLayout}, {0, Alert(1, 1)}}, SLC_OK,
                     "TestOffline(): 9th byte OK\n"},
        ExchangeCase{"ResponseWithoutTheState", 1, {{0, Alert(1, 1)}, {0, kNoState}}, SLC_OK, nullptr},
        ExchangeCase{"ResponseWithZeroSubFunction", 1, {{0, kZeroSubFunction}, {0, kPlainAlert}}, SLC_OK, nullptr},
        ExchangeCase{"ResponseTooShortForAVerdict", 1,
                     {{0, kResponseWithoutVerdict}, {0, Response(1, 1)}, {0, Alert(1, 1)}}, SLC_OK,
                     "TestOffline(): dropped a response of 8 bytes: it has no 9th byte to judge\n"},
        ExchangeCase{"OtherMessagesAreDropped", 1,
                     {{0, kForeign}, {SLC_SEND_TOOLARGE, {}}, {0, Response(1, 1)}, {0, kForeign}, {0, Alert(1, 1)}},
                     SLC_OK, "TestOffline(): dropped a message that cannot be used (code -7)\n"},
        ExchangeCase{"WriteFailureEndsIt", 1, {{0, Response(1, 1)}}, SLC_REFUSED, nullptr, SLC_REFUSED},
        // Only the first response after the request is the response; a second one, whatever its
        // verdict, answers nothing of this request.
        ExchangeCase{"SecondResponseIsNotJudged", 1, {{0, Response(1, 1)}, {0, Response(1, 0)}, {0, Alert(1, 1)}},
                     SLC_OK, "TestOffline(): dropped a message that does not answer this request (command byte E0):\n"},
        ExchangeCase{"SecondResponseDoesNotAcceptEither", 0,
                     {{0, Response(0, 0)}, {0, Response(0, 1)}, {0, Alert(0, 0)}}, SLC_REJECTED, nullptr},
        ExchangeCase{"SecondAlertIsNotJudged", 1, {{0, Alert(1, 1)}, {0, Alert(1, 0)}, {0, Response(1, 1)}}, SLC_OK,
                     "TestOffline(): dropped a message that does not answer this request (command byte F0):\n"}),
    [](const ::testing::TestParamInfo<ExchangeCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace linktest
