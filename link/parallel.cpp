// Parallel port: opening (two-way or the one-way workaround), writing commands and waiting for
// the reader thread's reply.
#include <chrono>
#include <cstring>

#include "link/link_private.h"
#include "npa/packets.h"

namespace {

// The DOS device name stands for the port's digit, the fourth character of its name.
char PortDigit(const char* portName) {
    return std::strlen(portName) > 3 ? portName[3] : '0';
}

std::unique_ptr<platform::ParallelChannel> ParNT95CreateFile(const char* portName, int& error) {
    const SlcState& g = SlcGlobals();
    std::string path = portName;
    if (g.osKind == 2) path = std::string("\\\\.\\CORVANE_LPT") + PortDigit(portName);
    SlcLog(SLC_LOG_TRACE, "ParNT95CreateFile() - calling CreateFile(%s)\n", path.c_str());
    error = 0;
    return platform::current().parallel->open(portName, error);
}

int OpenWorkaround(const char* portName) {
    SlcState& g = SlcGlobals();
    const platform::Platform& p = platform::current();
    int error = 0;
    std::string path = p.tempFiles->create(portName, error);
    std::unique_ptr<platform::Channel> file;
    if (!path.empty()) file = p.files->open(path, false, error);
    if (!file) {
        SlcLog(SLC_LOG_PUBLIC, "SlcOpenPort(Unidirectional workaround) - failed, last error was %d\n", error);
        if (!path.empty()) p.files->remove(path);
        return SLC_FAIL;
    }
    SlcLog(SLC_LOG_TRACE, "SlcOpenPort(Unidirectional workaround) - CreateFile() worked\n");
    g.tempFile = path;
    // An offline file of an earlier port is not part of this transfer.
    g.offlineFile.clear();
    SlcOpenedPort opened;
    opened.channel = std::move(file);
    opened.unidirectional = true;
    SlcRecordOpenPort(portName, std::move(opened));
    return SLC_UNIDIRECTIONAL;
}

int OpenTwoWay(const char* portName) {
    ParCorvaneDosPort(true, portName);
    int error = 0;
    std::unique_ptr<platform::ParallelChannel> device = ParNT95CreateFile(portName, error);
    if (!device) {
        SlcLog(SLC_LOG_TRACE, "SlcOpenPort(Parallel) - ParNt95CreateFile() failed, last error was %d\n", error);
        ParCorvaneDosPort(false, portName);
        return SLC_FAIL;
    }

    // One spare byte keeps the ID a terminated text for the log.
    uint8_t deviceId[SLC_DEVICE_ID_SIZE + 1] = {};
    size_t idLength = 0;
    if (!BceEnumGetDeviceID(*device, deviceId, SLC_DEVICE_ID_SIZE, idLength)) return SLC_NOT_OPEN;
    SlcLog(SLC_LOG_TRACE, "SlcOpenPort(Parallel) - BceEnumGetDeviceID worked\n");
    const char* idText = reinterpret_cast<const char*>(deviceId);

    if (!IsRecognizedDeviceId(idText, idLength)) {
        SlcLog(SLC_LOG_PUBLIC, "SlcOpenPort(Parallel) - not a recognized printer\n");
        return SLC_REJECTED;
    }
    SlcLog(SLC_LOG_PUBLIC, "SlcOpenPort(Parallel) - printer recognized\n");

    const int16_t mode = IsNpaActive(*device, idText, idLength);
    switch (mode) {
    case NPA_OFF:
        SlcLog(SLC_LOG_PUBLIC, "SlcOpenPort(Parallel) - IsNpaActive() returned NPA_OFF\n");
        SlcLog(SLC_LOG_PUBLIC, "SlcOpenPort(Parallel) - IsNpaActive() returned NPA_OFF\n");
        return SLC_REFUSED;
    case NPA_AUTO:
        SlcLog(SLC_LOG_PUBLIC, "SlcOpenPort(Parallel) - IsNpaActive() returned NPA_AUTO\n");
        break;
    default:
        SlcLog(SLC_LOG_PUBLIC, "SlcOpenPort(Parallel) - IsNpaActive() returned NPA_ON\n");
        break;
    }

    SlcOpenedPort opened;
    opened.parallel = device.get();
    opened.channel = std::move(device);
    opened.npaMode = mode;
    opened.devicePath = portName;
    opened.deviceId.assign(idText, idLength);
    SlcRecordOpenPort(portName, std::move(opened));
    return SLC_OK;
}

}  // namespace

void ParCorvaneDosPort(bool create, const char* portName) {
    SlcState& g = SlcGlobals();
    if (g.osKind != 2) return;
    const char digit = PortDigit(portName);
    const std::string dosName = std::string("CORVANE_LPT") + digit;
    const std::string deviceString = std::string("\\Device\\Parallel") + static_cast<char>(digit - 1);
    SlcLog(SLC_LOG_TRACE, "ParCorvaneDosPort(xxx, %s)\n", portName);
    SlcLog(SLC_LOG_TRACE, "ParCorvaneDosPort() - DeviceString=%s\n", deviceString.c_str());
    // Linux has no DOS device names: the name is only remembered, so that the log tells the
    // same story as where such names exist.
    if (!create) {
        g.dosNames.erase(dosName);
        return;
    }
    SlcLog(SLC_LOG_TRACE, "ParCorvaneDosPort() - CreateDestroy\n");
    SlcLog(SLC_LOG_TRACE, "ParCorvaneDosPort() - QueryDosDevice(%s)\n", dosName.c_str());
    if (g.dosNames.count(dosName) != 0) {
        SlcLog(SLC_LOG_TRACE, "ParCorvaneDosPort() - port already exists, buffer contains [%s]\n",
               deviceString.c_str());
        return;
    }
    SlcLog(SLC_LOG_TRACE, "ParCorvaneDosPort() - port does not exist\n");
    SlcLog(SLC_LOG_TRACE, "ParCorvaneDosPort() - DefineDosDevice(%s,%s)\n", dosName.c_str(), deviceString.c_str());
    g.dosNames.insert(dosName);
    SlcLog(SLC_LOG_TRACE, "ParCorvaneDosPort() - DefineDosDevice() succeeded, return code was %d \n", 1);
}

int ParOpenPort(const char* portName) {
    const SlcState& g = SlcGlobals();
    const platform::Platform& p = platform::current();
    // A port that can only be written takes the workaround even on a two-way machine.
    const bool oneWay = g.osKind == 2 || (p.system != nullptr && p.system->parallelPortIsWriteOnly(portName));
    return oneWay ? OpenWorkaround(portName) : OpenTwoWay(portName);
}

bool ParNT95ReadFile(platform::Channel& channel, uint8_t* buffer, uint32_t length, uint32_t& bytesRead) {
    platform::Clock& clock = *platform::current().clock;
    bytesRead = 0;
    SlcLog(SLC_LOG_TRACE, "ParNT95ReadFile()\n");
    const uint32_t start = clock.tickCount();
    bool rc = true;
    uint32_t total = 0;
    long thisPass = 0;
    while (total < length) {
        SlcLog(SLC_LOG_TRACE, "ParNT95ReadFile() - before ReadFile()\n");
        thisPass = channel.read(buffer + total, length - total);
        rc = thisPass >= 0;
        SlcLog(SLC_LOG_TRACE, "ParNT95ReadFile() - after ReadFile(), bRc=%d\n", rc ? 1 : 0);
        if (!rc) {
            thisPass = 0;
            break;
        }
        total += static_cast<uint32_t>(thisPass);
        if (thisPass == 0) {
            // Silence is an answer, unless the device kept us waiting for it that long.
            if (clock.tickCount() - start > SlcTimingTable().readGiveUpMs) rc = false;
            break;
        }
    }
    SlcLog(SLC_LOG_TRACE, "ParNT95ReadFile() - after while() - bRc=%d, dwBytesReadOnThisPass=%d, dwBytesLeftToRead=%d\n",
           rc ? 1 : 0, static_cast<int>(thisPass), static_cast<int>(length - total));
    if (total > 0) SlcLogHex(buffer, total);
    bytesRead = total;
    if (!rc) SlcLog(SLC_LOG_TRACE, "after readFile() getLastError: %d \n", channel.lastError());
    return rc;
}

int SendNPAStart(platform::Channel& channel) {
    SlcLog(SLC_LOG_TRACE, "SendNPAStart(): before WriteFile()\n");
    const long written = channel.write(npa::kStart.data(), npa::kStart.size());
    // A start packet that did not go out whole is no start packet.
    const int rc = written == static_cast<long>(npa::kStart.size()) ? 1 : 0;
    SlcLog(SLC_LOG_TRACE, "SendNPAStart(): after WriteFile(), rc=%d\n", rc);
    return rc != 0 ? 0 : 1;
}

int ParSendCommand(const uint8_t* command, uint32_t length, uint8_t* reply, uint32_t* replyLength) {
    SlcState& g = SlcGlobals();
    // The whole length counts: a huge length must not pass as its low 16 bits.
    if (length > SLC_MAX_COMMAND) {
        SlcLog(SLC_LOG_TRACE, "ParSendCommand(): command too large!\n");
        return SLC_REFUSED;
    }
    uint8_t buffer[SLC_MAX_COMMAND] = {};
    std::memcpy(buffer, command, length);
    const bool responseRequested = (buffer[3] & npa::FLAG_RESPONSE) != 0;

    if (reply == nullptr || replyLength == nullptr || *replyLength == 0) {
        if (responseRequested) SlcLog(SLC_LOG_TRACE, "ParSendCommand(): no buffer but response requested!\n");
        if (replyLength != nullptr) *replyLength = 0;
        reply = nullptr;
    }

    if (g.npaMode != NPA_ON) {
        SlcLog(SLC_LOG_TRACE, "ParSendCommand(): NeedNPAStart = TRUE\n");
        SlcLog(SLC_LOG_TRACE, "ParSendCommand(): SendNPAStart()\n");
        const int rc = SendNPAStart(*g.port);
        if (rc != 0) {
            SlcLog(SLC_LOG_TRACE, "SendNPAStart() returned %d\n", rc);
            if (replyLength != nullptr) *replyLength = 0;
            return SLC_SEND_WRITEFAIL;
        }
    }

    SlcLog(SLC_LOG_DATA, "ParSendCommand(): before WriteFile()\n");
    SlcLogHex(buffer, length);
    const long written = g.port->write(buffer, length);
    SlcLog(SLC_LOG_TRACE, "ParSendCommand(): after WriteFile()\n");

    if (written == static_cast<long>(length)) {
        SlcLog(SLC_LOG_TRACE, "Successfully wrote %d bytes\n", static_cast<int>(written));
        if (reply != nullptr || responseRequested) return ParGetResponse(reply, replyLength, buffer[4]);
        return SLC_OK;
    }
    if (replyLength != nullptr) *replyLength = 0;
    return SLC_SEND_WRITEFAIL;
}

int ParGetResponse(uint8_t* reply, uint32_t* replyLength, uint8_t expectedCommand) {
    SlcState& g = SlcGlobals();
    SlcLog(SLC_LOG_TRACE, "ParGetResponse(): before setting ucCommand\n");
    {
        std::lock_guard<std::mutex> lock(g.transactionInfo);
        g.command = expectedCommand;
        if (!g.readThreadRunning) {
            const int serial = SlcStartReaderLocked(&ParReadPort);
            SlcLog(SLC_LOG_TRACE, "ParGetResponse: no G_hReadThread - started ReadThread and got hReadThread:%d\n",
                   serial);
        }
    }
    SlcLog(SLC_LOG_TRACE, "ParGetResponse(): after setting ucCommand\n");

    SlcSignal(g.semGoRead);

    const uint32_t waitMs = SlcTimingTable().responseWaitMs;
    SlcLog(SLC_LOG_TRACE, "ParGetResponse() : Before wfso(G_hSemResponse)\n");
    const bool signalled = g.semResponse.try_acquire_for(std::chrono::milliseconds(waitMs));
    SlcLog(SLC_LOG_TRACE, "ParGetResponse() : Returned from wfso(G_hSemResponse)\n");
    if (!signalled) {
        if (replyLength != nullptr) *replyLength = 0;
        SlcLog(SLC_LOG_TRACE,
               "ParGetResponse() - RESPONSE_WAIT_TIMEOUT occured after %d ms, returning SLC_SEND_READFAIL\n",
               static_cast<int>(waitMs));
        return SLC_SEND_READFAIL;
    }
    SlcLog(SLC_LOG_TRACE, "ParGetResponse() - The read thread got a response and signalled us\n");

    const uint32_t capacity = (reply != nullptr && replyLength != nullptr) ? *replyLength : 0;
    std::lock_guard<std::mutex> lock(g.responseMutex);
    const int32_t length = g.slotLength[0];
    if (length == -1) {
        SlcLog(SLC_LOG_TRACE, "ParGetResponse() - read failure\n");
        if (replyLength != nullptr) *replyLength = 0;
        return SLC_SEND_READFAIL;
    }
    if (length == -2 || static_cast<uint32_t>(length) > capacity) {
        SlcLog(SLC_LOG_TRACE, "ParGetResponse() - response too large\n");
        if (replyLength != nullptr) *replyLength = 0;
        return SLC_SEND_TOOLARGE;
    }
    SlcLog(SLC_LOG_TRACE, "ParGetResponse() - success\n");
    if (length > 0) std::memcpy(reply, g.responseSlots[0], static_cast<size_t>(length));
    if (replyLength != nullptr) *replyLength = static_cast<uint32_t>(length);
    return SLC_OK;
}
