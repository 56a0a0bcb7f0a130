// The offline/online step of a two-way port (parallel and USB): the registration for the
// offline alert, the transport's exchange and the deregistration; and the parallel port's
// exchange, through its reader thread.
#include <string>
#include <vector>

#include "link/link_private.h"
#include "protocol/packets.h"

namespace {

constexpr uint32_t kReplyBuffer = 2048;

// One command of the session on the open port through its transport's own send: logged, and its
// failure recorded as a problem, as every command of the session is (SlcSendCommand).
int SendOfSession(const std::string& name, SlcSendFunction send, const uint8_t* command, size_t length,
                  uint8_t* reply, uint32_t* replyLength) {
    SlcGlobals().lastProblem.clear();
    SlcLog(SLC_LOG_PUBLIC, "SlcSendCommand()\n");
    SlcLogHex(command, static_cast<uint32_t>(length));
    return SlcFinishOperation(name, send(name, command, static_cast<uint32_t>(length), reply, replyLength));
}

// Waits for the next packet of the exchange (announced as serial, or now when 0).
int NextParallelMessage(uint32_t serial, std::vector<uint8_t>& message, uint32_t waitMs) {
    uint8_t buffer[kReplyBuffer] = {};
    uint32_t length = kReplyBuffer;
    if (serial == 0) serial = ParExpectMessage(0, true);
    const int rc = ParWaitMessage(serial, buffer, &length, waitMs);
    if (rc == SLC_OK) message.assign(buffer, buffer + length);
    return rc;
}

}  // namespace

int RegisteredOfflineExchange(const std::string& name, int offline, SlcSendFunction send, int (*exchange)(int offline)) {
    SlcState& g = SlcGlobals();
    const char* mode = offline != 0 ? "offline" : "online";
    uint8_t reply[kReplyBuffer];
    uint32_t replyLength = kReplyBuffer;
    SlcLog(SLC_LOG_PUBLIC, "SlcOffline(%s, %s) - registering for offline alert\n", name.c_str(), mode);
    if (SendOfSession(name, send, npa::kRegisterAlert.data(), npa::kRegisterAlert.size(), reply, &replyLength) !=
        SLC_OK) {
        SlcLog(SLC_LOG_PUBLIC,
               "SlcOffline(%s, %s) - SlcSendCommand() failed with error code %d (we couldn't register for the "
               "offline alert)\n",
               name.c_str(), mode, SLC_REFUSED);
        return SLC_REFUSED;
    }

    SlcLog(SLC_LOG_PUBLIC, offline != 0 ? "SlcOffline(%s, %s) - sending remote OFFline\n"
                                        : "SlcOffline(%s, %s) - sending remote ONline\n",
           name.c_str(), mode);
    const int result = exchange(offline);
    if (result != SLC_OK) {
        SlcLog(SLC_LOG_PUBLIC, "SlcOffline(%s, %s) - xxxOffline() failed with error code %d\n", name.c_str(), mode,
               result);
        if (result == SLC_REJECTED) {
            SlcSetProblem(std::string("the printer on ") + name + " refused to go " + mode +
                          " (is it printing, or is a cover open?)");
        } else if (result == SLC_SEND_READFAIL) {
            const std::string within = " within " + std::to_string(SlcTimingTable().responseWaitMs) + " ms";
            if (g.exchangeAlertCame) {
                SlcSetProblem(std::string("the printer on ") + name + " announced going " + mode +
                              " but sent no response to the request" + within);
            } else {
                SlcSetProblem(std::string("the printer on ") + name + " did not confirm going " + mode + within);
            }
        }
        return result;
    }

    SlcLog(SLC_LOG_PUBLIC, "SlcOffline(%s, %s) - deregistering for offline alert\n", name.c_str(), mode);
    replyLength = kReplyBuffer;
    const int rc =
        SendOfSession(name, send, npa::kDeregisterAlert.data(), npa::kDeregisterAlert.size(), reply, &replyLength);
    if (rc != SLC_OK) {
        SlcLog(SLC_LOG_PUBLIC,
               "SlcOffline(%s, %s) - SlcSendCommand() failed with error code %d (no biggie, we were just trying to "
               "deregister for the offline alert)\n",
               name.c_str(), mode, rc);
    }
    return SLC_OK;
}

int ParOffline(int offline) {
    SlcState& g = SlcGlobals();
    SlcOfflineTransport transport;
    transport.prefix = "ParOffline(): ";
    transport.waitName = "ParGetResponse";
    // The first wait is announced before the request goes out, so that its answer, however
    // quick, is judged for this exchange.
    uint32_t announced = 0;
    transport.writePacket = [&g, &announced](const uint8_t* packet, size_t length) -> int {
        SlcDrainLateReplies("ParOffline", ParRearmForLateReply);
        if (g.npaMode != NPA_ON && !SlcSendStart(*g.port, "ParOffline")) return SLC_REFUSED;
        announced = ParExpectMessage(0, true);
        SlcLog(SLC_LOG_DATA, "ParOffline(): before WriteFile()\n");
        SlcLogHex(packet, static_cast<uint32_t>(length));
        const long written = g.port->write(packet, length);
        SlcLog(SLC_LOG_TRACE, "ParOffline(): after WriteFile()\n");
        return written == static_cast<long>(length) ? SLC_OK : SLC_REFUSED;
    };
    transport.nextMessage = [&announced](std::vector<uint8_t>& message, uint32_t waitMs) {
        const uint32_t serial = announced;
        announced = 0;
        return NextParallelMessage(serial, message, waitMs);
    };
    return SlcOfflineExchange(transport, offline);
}
