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
#include "link/transport.h"
#include "link/usb_private.h"
#include "platform/tcp_socket.h"

namespace socket_port {

// The raw port of a network printer when the name gives none.
constexpr uint16_t kDefaultPort = 9100;
// A view's read waits in slices of this length, so that a cancel of the view ends it soon.
constexpr int kViewSliceMs = 20;

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
// session); cancelling it ends its read in progress, not the connection.
class StreamView final : public platform::Channel {
public:
    explicit StreamView(platform::TcpChannel& stream) : stream_(stream) {}
    long write(const uint8_t* data, size_t n) override { return stream_.write(data, n); }
    long read(uint8_t* buffer, size_t n, int timeoutMs) override {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
        for (;;) {
            if (cancelled_.load()) return -1;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
            const long got = stream_.read(buffer, n, static_cast<int>(left < kViewSliceMs ? (left > 0 ? left : 0) : kViewSliceMs));
            if (got != 0 || left <= 0) return got;
        }
    }
    void cancel() override { cancelled_.store(true); }
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

// The options of a socket:// name: snmp=true|false, snmp-port=N, community=NAME. 0, or -1 with
// the problem set.
int CheckOptions(const platform::PortUri& uri, bool& snmp) {
    snmp = true;
    const std::string form = std::string(" (a network printer is named ") + platform::PortKindOf(platform::PortKind::Socket).form +
                             ", options snmp=false, snmp-port=N, community=NAME)";
    for (const auto& [key, value] : uri.options) {
        if (key == "snmp" && (value == "false" || value == "true")) snmp = value == "true";
        else if (key == "snmp-port" && platform::PortName::Parse("socket://h:" + value).uri() != nullptr) continue;
        else if (key == "community" && !value.empty()) continue;
        else {
            SlcSetProblem("the option " + key + "=" + value + " of the network printer's name is not understood" + form);
            return SLC_FAIL;
        }
    }
    return SLC_OK;
}

int Open(const std::string& portName) {
    const platform::PortName parsed = platform::PortName::Parse(portName);
    const platform::PortUri* uri = parsed.uri();
    if (uri == nullptr) {
        SlcSetProblem(parsed.problem());
        return SLC_FAIL;
    }
    bool snmp = true;
    if (CheckOptions(*uri, snmp) != SLC_OK) return SLC_FAIL;
    Target target;
    target.host = uri->host;
    target.port = uri->port.value_or(kDefaultPort);
    target.where = (uri->hostKind == platform::UriHostKind::IPv6 ? "[" + target.host + "]" : target.host) + " port " +
                   std::to_string(target.port);
    if (snmp) {
        // A raw port prints whatever it receives: without the printer's identity nothing is sent.
        SlcSetProblem("the identity of " + target.where +
                      " cannot be checked by SNMP in this version: not one byte was sent (add ?snmp=false to the "
                      "port when you are sure it is this program's printer)");
        return SLC_REFUSED;
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

const SlcTransport& SlcSocketTransport() {
    static const SlcTransport table{"network",
                                    socket_port::Open,
                                    socket_port::Send,
                                    socket_port::Offline,
                                    socket_port::Close,
                                    socket_port::Cancel};
    return table;
}
