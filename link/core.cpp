// The top of the printer link: initialisation and the public calls (open, send, offline, close,
// shutdown), each dispatched through the open port's transport table. The state they work on
// lives below every transport (state.cpp).
#include <chrono>
#include <cstring>

#include "link/link_private.h"
#include "link/link_testing.h"
#include "link/npa_mode_memory.h"
#include "link/transport.h"

namespace {

std::string NameOf(const char* portName) { return portName != nullptr ? std::string(portName) : std::string(); }

bool IsOpenPort(const std::string& name) {
    const SlcState& g = SlcGlobals();
    return !g.openPort.empty() && name == g.openPort && g.transport != nullptr;
}

// After a close or a cancel: no port is open.
void ForgetOpenPort() {
    SlcState& g = SlcGlobals();
    g.port.reset();
    g.parallel = nullptr;
    g.transport = nullptr;
    g.openPort.clear();
    g.devicePath.clear();
    g.deviceId.clear();
}

// Releases the open port without sending anything (SlcOpenPort replacing it).
void ReleaseOpenPort() {
    SlcState& g = SlcGlobals();
    if (g.transport != nullptr) g.transport->cancel();
    ForgetOpenPort();
}

}  // namespace

std::string SlcLastProblem() { return SlcGlobals().lastProblem; }

void SlcInit() {
    SlcState& g = SlcGlobals();
    if (g.initialised) return;
    g.initialised = true;
    const platform::Platform& p = platform::current();

    g.osKind = 0;
    switch (p.system != nullptr ? p.system->osKind() : platform::OsKind::Unknown) {
    case platform::OsKind::OneWay:
        SlcLog(SLC_LOG_PUBLIC, "SlcInit() - running on NT derivative\n");
        g.osKind = 2;
        break;
    case platform::OsKind::TwoWay:
        SlcLog(SLC_LOG_PUBLIC, "SlcInit() - running on 95 derivative\n");
        g.osKind = 1;
        break;
    case platform::OsKind::Unknown:
        break;
    }

    g.port.reset();
    g.parallel = nullptr;
    g.openPort.clear();
    g.unidirectional = false;
    g.tempFile.clear();
    g.offlineFile.clear();
    g.expectingResponse = false;
    {
        std::lock_guard<std::mutex> lock(g.responseMutex);
        for (int32_t& length : g.slotLength) length = 0;
    }

    g.loggingLevel = p.settings != nullptr ? p.settings->loggingLevel() : 0;
    if (g.loggingLevel != 0 && p.log != nullptr) p.log->truncate();

    // Cancelling a pending read is always available through the channel.
    SlcLog(SLC_LOG_TRACE, "Loading cancelIO\n");
    SlcLog(SLC_LOG_TRACE, "Successfully loaded cancelIO\n");
}

namespace {

int OpenImpl(const platform::PortName& port) {
    SlcState& g = SlcGlobals();
    const std::string& name = port.text();
    int result = SLC_FAIL;
    SlcLog(SLC_LOG_PUBLIC, "SlcOpenPort(%s)\n", name.c_str());

    // A name no kind accepts, or a kind without a transport, is refused before anything is
    // touched: the open port stays open.
    const SlcTransport* found = port.usable() ? SlcTransportForKind(port.kind()) : nullptr;
    if (found == nullptr) {
        SlcSetProblem(port.usable() ? "the " + std::string(port.info().noun) + " " + name + " has no transport"
                                    : port.problem());
        SlcLog(SLC_LOG_PUBLIC, "SlcOpenPort(%s) - returning %d\n", name.c_str(), result);
        return result;
    }

    if (!g.openPort.empty()) {
        SlcLog(SLC_LOG_PUBLIC, "SlcOpenPort(%s) - currently open port [%s] will be closed\n", name.c_str(),
               g.openPort.c_str());
        ReleaseOpenPort();
    }

    const SlcTransport& transport = *found;
    result = transport.open(name);
    // The open recorded the port when it could use it; a parallel port found to be write-only
    // is driven by the one-way table from now on.
    if (g.openPort == name && !name.empty()) {
        g.transport = &transport;
        if (&transport == &SlcTwoWayParallelTransport() && g.unidirectional) g.transport = &SlcOneWayParallelTransport();
    }

    SlcLog(SLC_LOG_PUBLIC, "SlcOpenPort(%s) - returning %d\n", name.c_str(), result);
    return result;
}

int SendImpl(const std::string& name, const uint8_t* command, uint32_t length, uint8_t* reply,
             uint32_t* replyLength) {
    SlcLog(SLC_LOG_PUBLIC, "SlcSendCommand()\n");
    if (command == nullptr) length = 0;
    SlcLogHex(command, length);

    if (!IsOpenPort(name)) {
        SlcLog(SLC_LOG_PUBLIC, "port %s is not open\n", name.c_str());
        return SLC_NOT_OPEN;
    }
    static const uint8_t kEmpty[1] = {0};
    if (command == nullptr) command = kEmpty;

    return SlcGlobals().transport->send(name, command, length, reply, replyLength);
}

int OfflineImpl(const std::string& name, int offline) {
    const char* mode = offline != 0 ? "offline" : "online";
    if (!IsOpenPort(name)) {
        SlcLog(SLC_LOG_PUBLIC, "SlcOffline(%s, %s) - port is not open\n", name.c_str(), mode);
        return SLC_NOT_OPEN;
    }
    SlcLog(SLC_LOG_PUBLIC, "SlcOffline(%s, %s)\n", name.c_str(), mode);
    return SlcGlobals().transport->offline(name, offline);
}

int CloseImpl(const std::string& name) {
    SlcLog(SLC_LOG_PUBLIC, "SlcClosePort(%s)\n", name.c_str());
    if (!IsOpenPort(name)) {
        SlcLog(SLC_LOG_PUBLIC, "port %s is not open\n", name.c_str());
        return SLC_OK;
    }
    SlcLog(SLC_LOG_PUBLIC, "SlcClosePort(%s) - port is open\n", name.c_str());
    const SlcTransport& transport = *SlcGlobals().transport;
    SlcLog(SLC_LOG_PUBLIC, "SlcClosePort(%s) - port is %s\n", name.c_str(), transport.kind);
    const int result = transport.close(name);
    ForgetOpenPort();
    return result;
}

}  // namespace

int SlcOpenPort(const char* portName) { return SlcOpenPort(platform::PortName::Parse(NameOf(portName))); }

int SlcOpenPort(const platform::PortName& port) {
    SlcInit();
    SlcGlobals().lastProblem.clear();
    return SlcFinishOperation(port.text(), OpenImpl(port));
}

int SlcSendCommand(const char* portName, const uint8_t* command, uint32_t length, uint8_t* reply,
                   uint32_t* replyLength) {
    SlcInit();
    SlcGlobals().lastProblem.clear();
    const std::string name = NameOf(portName);
    return SlcFinishOperation(name, SendImpl(name, command, length, reply, replyLength));
}

int SlcOffline(const char* portName, int offline) {
    SlcInit();
    SlcGlobals().lastProblem.clear();
    const std::string name = NameOf(portName);
    return SlcFinishOperation(name, OfflineImpl(name, offline));
}

int SlcClosePort(const char* portName) {
    SlcInit();
    SlcGlobals().lastProblem.clear();
    const std::string name = NameOf(portName);
    return SlcFinishOperation(name, CloseImpl(name));
}

void SlcShutdown() {
    SlcState& g = SlcGlobals();
    SlcLog(SLC_LOG_TRACE, "SlcShutdown() - in\n");
    // No reader may outlive the link: wake it, let it see the cleared flag and wait for it.
    if (g.initialised) SlcStopReader();
    // Temporaries that can no longer be completed must not outlive the program.
    if (g.initialised && g.unidirectional) ParDropWorkaround();
    if (g.initialised) FileDiscard();
    // The end of the session: a later start asks the printer its mode afresh.
    SlcForgetNpaMode();
    SlcLog(SLC_LOG_TRACE, "SlcShutdown() - out\n");
}

void SlcResetForTesting() {
    SlcState& g = SlcGlobals();
    SlcStopReader();
    g.parallel = nullptr;
    g.port.reset();
    if (g.unidirectional) ParDropWorkaround();
    FileDiscard();
    g.lastProblem.clear();
    g.initialised = false;
    g.osKind = 0;
    g.loggingLevel = 0;
    g.npaMode = NPA_AUTO;
    g.unidirectional = false;
    g.openPort.clear();
    g.transport = nullptr;
    g.tempFile.clear();
    g.offlineFile.clear();
    g.devicePath.clear();
    g.deviceId.clear();
    g.command = 0;
    g.dosNames.clear();
    SlcForgetNpaMode();
    std::lock_guard<std::mutex> lock(g.responseMutex);
    for (auto& slot : g.responseSlots) std::memset(slot, 0, sizeof slot);
}
