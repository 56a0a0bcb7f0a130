// The offline/online exchange of a two-way port, one rule for parallel and USB: write the
// request, then collect the printer's response and its alert (in either order) and judge them.
// A printer is promised to be judged by the command byte and the 9th byte of each message only:
// the first 0xE0 message after the request is the response, the first 0xF0 message the alert,
// whatever bytes 5 to 7 hold. Replies to earlier requests never reach this rule: the transports
// drop what arrived before the request was written and drain a late reply after a time-out.
#include "link/link_private.h"
#include "protocol/packets.h"

namespace {

constexpr size_t kNinthByte = 8;
constexpr uint8_t kAccepted = 1;    // the response carries 1 when the printer takes the request

void Dump(const std::vector<uint8_t>& message) {
    SlcLogHex(message.data(), static_cast<uint32_t>(message.size()));
}

}  // namespace

int SlcOfflineExchange(const SlcOfflineTransport& t, int offline) {
    const auto& packet = offline != 0 ? npa::kOffline : npa::kOnline;
    const uint8_t state = offline != 0 ? 1 : 0;  // what the request asks for, and what the alert reports
    SlcState& g = SlcGlobals();
    g.exchangeResponseCame = false;
    g.exchangeAlertCame = false;
    int rc = t.writePacket(packet.data(), packet.size());
    if (rc != SLC_OK) return rc;
    SlcLog(SLC_LOG_TRACE, "%sSuccessfully wrote %d bytes\n", t.prefix, static_cast<int>(packet.size()));

    platform::Clock& clock = *platform::current().clock;
    const uint32_t waitMs = SlcTimingTable().responseWaitMs;
    // Each packet the exchange waits for gets the whole reply wait; messages that do not count
    // are dropped within it.
    uint32_t windowStart = clock.tickCount();
    bool haveResponse = false;
    bool haveAlert = false;
    SlcLog(SLC_LOG_TRACE, "%sbefore %s()\n", t.prefix, t.waitName);
    while (!haveResponse || !haveAlert) {
        const uint32_t elapsed = clock.tickCount() - windowStart;
        std::vector<uint8_t> message;
        rc = elapsed >= waitMs ? SLC_SEND_READFAIL : t.nextMessage(message, waitMs - elapsed);
        if (!haveResponse && !haveAlert) {
            SlcLog(SLC_LOG_TRACE, "%sreturned from %s, iReturn=%d\n", t.prefix, t.waitName, rc);
            Dump(message);
        } else {
            SlcLog(SLC_LOG_TRACE, "%safter %s(), return code is %d\n", t.prefix, t.waitName, rc);
        }
        if (rc == SLC_SEND_READFAIL) break;
        if (rc != SLC_OK) {
            SlcLog(SLC_LOG_TRACE, "%sdropped a message that cannot be used (code %d)\n", t.prefix, rc);
            continue;
        }

        const uint8_t command = message.size() > 4 ? message[4] : 0;
        SlcLog(SLC_LOG_TRACE, "pRcvData[4]=%02X\n", command);
        const bool response = command == npa::CMD_SETTINGS && !haveResponse;
        const bool alert = command == npa::CMD_ALERT && !haveAlert;
        if ((response || alert) && message.size() <= kNinthByte) {
            SlcLog(SLC_LOG_TRACE, "%sdropped a %s of %d bytes: it has no 9th byte to judge\n", t.prefix,
                   response ? "response" : "alert", static_cast<int>(message.size()));
            continue;
        }
        if (response) {
            if (!haveAlert) SlcLog(SLC_LOG_TRACE, "%swe got the response back first\n", t.prefix);
            g.exchangeResponseCame = true;
            if (message[kNinthByte] != kAccepted) {
                SlcLog(SLC_LOG_TRACE, "%sthe command appears to have been rejected:\n", t.prefix);
                Dump(message);
                return SLC_REJECTED;
            }
            haveResponse = true;
            if (!haveAlert) {
                SlcLog(SLC_LOG_TRACE, "%sbefore %s() - this time for alert\n", t.prefix, t.waitName);
                windowStart = clock.tickCount();
            }
            continue;
        }
        if (alert) {
            if (!haveResponse) SlcLog(SLC_LOG_TRACE, "%swe got the alert back first\n", t.prefix);
            g.exchangeAlertCame = true;
            if (message[kNinthByte] != state) {
                SlcLog(SLC_LOG_TRACE, "%s9th byte NOT OK - rejected\n", t.prefix);
                return SLC_REJECTED;
            }
            SlcLog(SLC_LOG_TRACE, "%s9th byte OK\n", t.prefix);
            haveAlert = true;
            if (!haveResponse) {
                SlcLog(SLC_LOG_TRACE, "%sbefore %s() - this time for the response\n", t.prefix, t.waitName);
                windowStart = clock.tickCount();
            }
            continue;
        }
        SlcLog(SLC_LOG_TRACE, "%sdropped a message that does not answer this request (command byte %02X):\n",
               t.prefix, command);
        Dump(message);
    }
    if (!haveResponse) {
        SlcLog(SLC_LOG_TRACE, "%sno response to the request, returning %d\n", t.prefix, SLC_SEND_READFAIL);
        return SLC_SEND_READFAIL;
    }
    if (!haveAlert) {
        SlcLog(SLC_LOG_TRACE, "%sthe alert did not come; the accepted response decides\n", t.prefix);
    }
    return SLC_OK;
}
