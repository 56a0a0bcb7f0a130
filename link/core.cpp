// The link core: process-wide state, initialisation, the public open/send/close/shutdown and the
// reader-thread life cycle shared by the parallel and USB transports.
#include <chrono>
#include <cstring>

#include "link/link_private.h"
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

void SlcRecordOpenPort(const char* portName, SlcOpenedPort opened) {
    SlcState& g = SlcGlobals();
    g.port = std::move(opened.channel);
    g.parallel = opened.parallel;
    g.unidirectional = opened.unidirectional;
    g.npaMode = opened.npaMode;
    g.openPort = portName;
    g.devicePath = std::move(opened.devicePath);
    g.deviceId = std::move(opened.deviceId);
}

SlcState& SlcGlobals() {
    // Never destroyed: a process that exits without SlcShutdown must not trip over a joinable
    // reader thread in a static destructor.
    static SlcState* state = new SlcState;
    return *state;
}

std::string SlcLastProblem() { return SlcGlobals().lastProblem; }

void SlcSignal(std::binary_semaphore& sem) {
    // Taking the count first keeps it at most 1; the mutex makes the pair atomic between two
    // releasing threads (waiters only ever lower the count).
    static std::mutex releaseMutex;
    std::lock_guard<std::mutex> lock(releaseMutex);
    (void)sem.try_acquire();
    sem.release();
}

void SlcSleep(uint32_t ms) {
    if (ms > 0) platform::current().clock->sleepMs(ms);
}

int SlcStartReaderLocked(std::function<void()> body, std::function<void()> wake) {
    static int serial = 0;
    SlcState& g = SlcGlobals();
    if (g.readThread.joinable()) g.readThread.join();
    g.readerStop.store(false, std::memory_order_release);
    g.expectingResponse = true;
    g.readThreadRunning = true;
    g.readerWake = std::move(wake);
    g.readThread = std::thread(std::move(body));
    return ++serial;
}

void SlcStopReader() {
    SlcState& g = SlcGlobals();
    {
        std::lock_guard<std::mutex> lock(g.transactionInfo);
        g.expectingResponse = false;
    }
    if (g.readThread.joinable()) {
        g.readerStop.store(true, std::memory_order_release);
        // The transport's own way to end a read in progress at once instead of after its bound.
        if (g.readerWake) g.readerWake();
        SlcSignal(g.semGoRead);
        g.readThread.join();
    }
    g.readerWake = nullptr;
    g.readThreadRunning = false;
    g.readerStop.store(false, std::memory_order_release);
    g.lateReplyPossible = false;
    // Nothing of the old conversation may answer a wait on the next port.
    (void)g.semGoRead.try_acquire();
    (void)g.semResponse.try_acquire();
    std::lock_guard<std::mutex> lock(g.responseMutex);
    for (int32_t& length : g.slotLength) length = 0;
}

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

}  // namespace

// Into a one-way target: a write that failed leaves the collected set incomplete.
int SlcCollectCommand(const std::string& file, const uint8_t* command, uint32_t length, uint8_t* reply,
                   uint32_t* replyLength) {
    SlcState& g = SlcGlobals();
    const int rc = FileSendCommand(*g.port, command, length, reply, replyLength);
    if (rc == SLC_SEND_WRITEFAIL) SlcNoteCollectFailure(file, g.port->lastError());
    return rc;
}

namespace {

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
