// The network port (socket://HOST[:PORT][?options]): one TCP connection to the printer's raw port
// for the session, driven as a USB printer is. The USB storey (usb.cpp) writes each request after
// its start packet and its reader reassembles replies and alerts from the stream with the USB
// reassembly; here its pipes are views of the connection (SlcState::streamPipes). What is the
// network's own lives here: the connect, the messages that name host and port, and the one
// reconnect that brings a printer online after its connection was lost.
#include <atomic>
#include <cerrno>
#include <chrono>

#include "link/link_private.h"
#include "link/network_check.h"
#include "link/npa_detect.h"
#include "link/snmp.h"
#include "link/transport.h"
#include "link/usb_private.h"
#include "platform/tcp_socket.h"
#include "platform/udp_socket.h"

namespace socket_port {

// The raw port of a network printer when the name gives none.
constexpr uint16_t kDefaultPort = 9100;
constexpr uint16_t kDefaultSnmpPort = 161;
// The printer this program drives, as the identity check's messages name it.
constexpr const char* kPrinterName = "an Altrin Pressline T90";
// A device description (which has none of a device ID's markers) names the model so.
constexpr std::string_view kModelName = "Pressline T90";
// The objects that tell a printer's identity, in the order asked: the PWG device ID (an IEEE 1284
// device ID), else the host resources' device description.
constexpr const char* kDeviceIdObject = "1.3.6.1.4.1.2699.1.2.1.2.1.1.3.1";
constexpr const char* kDescriptionObject = "1.3.6.1.2.1.25.3.2.1.3.1";

// Where the open connection goes, for messages and the reconnect.
struct Target {
    std::string host;
    uint16_t port = kDefaultPort;
    std::string where;  // "HOST port PORT"
};

Target& OpenTarget() {
    static Target target;
    return target;
}

// The open connection (the same object as SlcGlobals().port), or nullptr.
platform::TcpChannel*& Connection() {
    static platform::TcpChannel* connection = nullptr;
    return connection;
}

bool ConnectionLost() {
    platform::TcpChannel* c = Connection();
    return c == nullptr || c->lost();
}

// A USB "pipe" on the connection: reads and writes go to the stream; closing the view leaves the
// connection open (a USB pipe is closed after every message, a connection only at the end of the
// session); cancelling it ends its read in progress at once (the stream's wake), not the
// connection.
class StreamView final : public platform::Channel {
public:
    explicit StreamView(platform::TcpChannel& stream) : stream_(stream) {}
    long write(const uint8_t* data, size_t n) override { return stream_.write(data, n); }
    long read(uint8_t* buffer, size_t n, int timeoutMs) override {
        if (cancelled_.load()) return -1;
        const long got = stream_.read(buffer, n, timeoutMs);
        return got == 0 && cancelled_.load() ? -1 : got;
    }
    void cancel() override {
        cancelled_.store(true);
        stream_.wake();
    }
    int lastError() const override { return cancelled_.load() ? ECANCELED : stream_.lastError(); }

private:
    platform::TcpChannel& stream_;
    std::atomic<bool> cancelled_{false};
};

std::unique_ptr<platform::Channel> PipeOnStream(platform::UsbPipe) {
    if (ConnectionLost()) return nullptr;
    return std::make_unique<StreamView>(*Connection());
}

// The connect, with a message naming host, port and what to check when it fails. The connection,
// or nullptr with the problem set.
std::unique_ptr<platform::TcpChannel> Connect(const Target& target) {
    const SlcTiming& timing = SlcTimingTable();
    SlcLog(SLC_LOG_TRACE, "SocketOpen(): connecting to %s within %u ms\n", target.where.c_str(), timing.connectWaitMs);
    platform::TcpConnectResult result = platform::ConnectTcp(target.host, target.port, timing.connectWaitMs, timing.writeWaitMs);
    if (result.channel) return std::move(result.channel);
    const std::string port = std::to_string(target.port);
    switch (result.failure) {
    case platform::TcpFailure::NameNotFound:
        SlcSetProblem("the network printer's name " + target.host +
                      " is not found (check its spelling, or give its IP address: socket://ADDRESS:" + port + ")");
        break;
    case platform::TcpFailure::Refused:
        SlcSetProblem(target.where + " refused the connection: nothing listens on port " + port +
                      " (is the printer switched on, is " + port +
                      " its raw port, and is no other computer holding it?)");
        break;
    case platform::TcpFailure::TimedOut:
        SlcSetProblem("no answer from " + target.where + " within " + std::to_string(timing.connectWaitMs) +
                      " ms (is the printer switched on and on this network? a firewall may drop the connection)");
        break;
    case platform::TcpFailure::Unreachable:
        SlcSetProblem(target.where + " cannot be reached: " + platform::TcpErrorText(result.error) +
                      " (check the address and this computer's network)");
        break;
    case platform::TcpFailure::None:
    case platform::TcpFailure::Other:
        SlcSetProblem("the connection to " + target.where + " failed: " + platform::TcpErrorText(result.error));
        break;
    }
    return nullptr;
}

void Adopt(std::unique_ptr<platform::TcpChannel> channel) {
    Connection() = channel.get();
    SlcGlobals().port = std::move(channel);
    SlcGlobals().streamPipes = PipeOnStream;
}

// Ends the reader and forgets the connection; the core then closes it (never with a half-close
// first: some printers drop the replies still pending on one).
void Cancel() {
    SlcStopReader();
    SlcGlobals().streamPipes = nullptr;
    Connection() = nullptr;
}

struct Identity {
    bool check = true;
    uint16_t port = kDefaultSnmpPort;
    std::string community = "public";
};

// The options of a socket:// name: snmp=true|false, snmp-port=N, community=NAME. 0, or -1 with
// the problem set.
int CheckOptions(const platform::PortUri& uri, Identity& identity) {
    const std::string form = std::string(" (a network printer is named ") + platform::PortKindOf(platform::PortKind::Socket).form +
                             ", options snmp=false, snmp-port=N, community=NAME)";
    for (const auto& [key, value] : uri.options) {
        const platform::PortName asPort = platform::PortName::Parse("socket://h:" + value);
        if (key == "snmp" && (value == "false" || value == "true")) identity.check = value == "true";
        else if (key == "snmp-port" && asPort.uri() != nullptr && asPort.uri()->port) identity.port = *asPort.uri()->port;
        else if (key == "community" && !value.empty() && value.size() <= 255) identity.community = value;
        else {
            SlcSetProblem("the option " + key + "=" + value + " of the network printer's name is not understood" + form);
            return SLC_FAIL;
        }
    }
    return SLC_OK;
}

// What the model of an identity is called in a message: MDL (or MODEL) of a device ID, else the
// text itself, cut short.
std::string ModelOf(const std::string& text) {
    std::string model;
    if (GetDeviceIdField(text, "MDL", 64, model) || GetDeviceIdField(text, "MODEL", 64, model)) return model;
    return text.substr(0, 64);
}

// Asks the printer's SNMP agent who it is before one byte goes to its raw port: the PWG device ID,
// else the device description, judged by the rule of every other port (IsRecognizedDeviceId).
// 0 when it is this program's printer; else -3 (-1 for a name not found) with the problem set.
int CheckIdentity(const Target& target, const Identity& identity) {
    const std::string agent = target.host + " (SNMP port " + std::to_string(identity.port) + ")";
    const std::string goOn = "add ?snmp=false to the port when you are sure it is " + std::string(kPrinterName);
    const auto start = std::chrono::steady_clock::now();
    const uint32_t budget = SlcTimingTable().snmpWaitMs;
    static uint32_t serial = 0;
    bool answered = false;
    for (const char* object : {kDeviceIdObject, kDescriptionObject}) {
        const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
        if (spent >= budget) break;
        const snmp::Oid oid = *snmp::ParseOid(object);
        // A request id that a reply to an earlier check, or to another program, does not match.
        const int32_t requestId = static_cast<int32_t>(
            (static_cast<uint32_t>(start.time_since_epoch().count()) ^ (++serial * 2654435761u)) & 0x7FFFFFFF);
        const std::vector<uint8_t> request = snmp::EncodeGet(snmp::kVersion1, identity.community, requestId, oid);
        std::optional<snmp::Response> response;
        uint8_t reply[snmp::kMaxMessage];
        const platform::UdpResult result = platform::UdpRequest(
            target.host, identity.port, request.data(), request.size(), reply, sizeof reply,
            static_cast<uint32_t>(budget - spent), [&](const uint8_t* bytes, size_t length) {
                response = snmp::DecodeResponse(bytes, length);
                return response && response->requestId == requestId;
            });
        SlcLog(SLC_LOG_TRACE, "SocketOpen(): SNMP GET %s from %s: outcome %d\n", object, agent.c_str(),
               static_cast<int>(result.outcome));
        if (result.outcome == platform::UdpOutcome::NameNotFound) {
            SlcSetProblem("the network printer's name " + target.host + " is not found (check its spelling, or give its IP address)");
            return SLC_FAIL;
        }
        if (result.outcome != platform::UdpOutcome::Answered) break;
        answered = true;
        if (response->answer != snmp::Answer::Value || response->value.empty()) continue;
        const std::string& id = response->value;
        SlcLog(SLC_LOG_PUBLIC, "SlcOpenPort() - %s says %s is \"%s\"\n", agent.c_str(), object, id.c_str());
        const bool description = std::string_view(object) == kDescriptionObject;
        if (IsRecognizedDeviceId(id.data(), id.size()) || (description && id.find(kModelName) != std::string::npos)) {
            return SLC_OK;
        }
        SlcSetProblem(target.host + "'s SNMP device ID names " + ModelOf(id) + ", not " + kPrinterName +
                      " (identity check; ?snmp=false to go on): not one byte was sent");
        return SLC_REFUSED;
    }
    if (!answered) {
        SlcSetProblem("no SNMP answer from " + agent + ": its device ID cannot be checked (identity check; " + goOn +
                      "): not one byte was sent");
    } else {
        SlcSetProblem(agent + " tells neither a device ID nor a device description: it cannot be checked (identity "
                      "check; " + goOn + "): not one byte was sent");
    }
    return SLC_REFUSED;
}

// The target and the identity options of a network port's name: 0, or -1 with the problem set.
int ParseTarget(const std::string& portName, Target& target, Identity& identity) {
    const platform::PortName parsed = platform::PortName::Parse(portName);
    const platform::PortUri* uri = parsed.uri();
    if (uri == nullptr) {
        SlcSetProblem(parsed.problem().empty() ? "\"" + portName + "\" does not name a network printer" : parsed.problem());
        return SLC_FAIL;
    }
    if (CheckOptions(*uri, identity) != SLC_OK) return SLC_FAIL;
    target.host = uri->host;
    target.port = uri->port.value_or(kDefaultPort);
    target.where = (uri->hostKind == platform::UriHostKind::IPv6 ? "[" + target.host + "]" : target.host) + " port " +
                   std::to_string(target.port);
    return SLC_OK;
}

int Open(const std::string& portName) {
    Target target;
    Identity identity;
    if (ParseTarget(portName, target, identity) != SLC_OK) return SLC_FAIL;
    // A raw port prints whatever it receives: another make of printer would print NPA packets as
    // pages of garbage. Nothing is sent before its identity is known, unless the user vouches.
    if (identity.check) {
        const int checked = CheckIdentity(target, identity);
        if (checked != SLC_OK) return checked;
    }
    std::unique_ptr<platform::TcpChannel> channel = Connect(target);
    if (!channel) return SLC_FAIL;
    OpenTarget() = target;
    SlcOpenedPort opened;
    opened.devicePath = target.where;
    SlcRecordOpenPort(portName.c_str(), std::move(opened));
    Adopt(std::move(channel));
    SlcLog(SLC_LOG_PUBLIC, "SlcOpenPort(%s) - connected to %s\n", portName.c_str(), target.where.c_str());
    return SLC_OK;
}

// The problem of a request that failed on the network: the connection gone, or no answer.
void NoteFailure(int rc, const char* what) {
    const Target& target = OpenTarget();
    if (ConnectionLost()) {
        SlcSetProblem("the connection to " + target.where + " was reset or closed by the printer during " + what +
                      " (was the printer switched off, or did another computer take it over?)");
    } else if (rc == SLC_SEND_READFAIL) {
        SlcSetProblem(target.where + " took the request but did not answer within " +
                      std::to_string(SlcTimingTable().responseWaitMs) +
                      " ms (the printer may be busy with another connection; is this port its raw port?)");
    }
}

int Send(const std::string&, const uint8_t* command, uint32_t length, uint8_t* reply, uint32_t* replyLength) {
    if (ConnectionLost()) {
        if (replyLength != nullptr) *replyLength = 0;
        NoteFailure(SLC_SEND_WRITEFAIL, "the session");
        return SLC_SEND_WRITEFAIL;
    }
    const int rc = UsbSendCommand(SlcGlobals().devicePath, command, length, reply, replyLength);
    if (rc != SLC_OK) NoteFailure(rc, "a request");
    return rc;
}

int Exchange(int offline) { return UsbOffline(SlcGlobals().devicePath, offline); }

// A connection lost while the printer is offline would leave it offline: the online request
// gets one new connection. The failure that lost it has been reported by the request it broke.
bool ReconnectForOnline() {
    const Target target = OpenTarget();
    SlcLog(SLC_LOG_PUBLIC, "SlcOffline(online) - the connection to %s was lost: connecting once more\n",
           target.where.c_str());
    SlcStopReader();
    std::unique_ptr<platform::TcpChannel> channel = Connect(target);
    if (!channel) return false;
    Adopt(std::move(channel));
    return true;
}

int Offline(const std::string& portName, int offline) {
    if (!offline && ConnectionLost() && !ReconnectForOnline()) return SLC_FAIL;
    const int rc = RegisteredOfflineExchange(portName, offline, Send, Exchange);
    if (rc != SLC_OK && ConnectionLost()) NoteFailure(rc, offline ? "the offline request" : "the online request");
    return rc;
}

int Close(const std::string&) {
    Cancel();
    return SLC_OK;
}

}  // namespace socket_port

std::vector<SlcNetworkFinding> SlcCheckNetworkPort(const std::string& portName) {
    using namespace socket_port;
    std::vector<SlcNetworkFinding> findings;
    Target target;
    Identity identity;
    if (ParseTarget(portName, target, identity) != SLC_OK) {
        findings.push_back({false, SlcGlobals().lastProblem, "give the port as socket://HOST[:PORT][?options]"});
        return findings;
    }
    if (!identity.check) {
        findings.push_back({true, "the identity of " + target.where + " is not checked (snmp=false: you vouch for it)", {}});
    } else if (CheckIdentity(target, identity) == SLC_OK) {
        findings.push_back({true, target.host + "'s SNMP agent (port " + std::to_string(identity.port) +
                                      ") names this program's printer", {}});
    } else {
        findings.push_back({false, SlcGlobals().lastProblem,
                            "check the address; enable SNMP on the printer (community " + identity.community +
                                "), or add ?snmp=false to the port when you are sure of the printer"});
        return findings;
    }
    if (Connect(target)) {
        findings.push_back({true, target.where + " takes a connection (closed again, nothing sent)", {}});
    } else {
        findings.push_back({false, SlcGlobals().lastProblem, "switch the printer on, check its address and raw port, and "
                                                              "that no other computer holds it"});
    }
    return findings;
}

const SlcTransport& SlcSocketTransport() {
    static const SlcTransport table{"network",
                                    socket_port::Open,
                                    socket_port::Send,
                                    socket_port::Offline,
                                    socket_port::Close,
                                    socket_port::Cancel};
    return table;
}
