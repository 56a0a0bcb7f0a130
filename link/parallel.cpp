// Parallel port: opening (two-way or the one-way workaround), writing commands and waiting for
// the reader thread's reply.
#include <cstring>
#include <optional>
#include <vector>

#include "link/link_private.h"
#include "link/npa_detect.h"
#include "link/npa_mode_memory.h"
#include "platform/reverse_channel.h"
#include "protocol/packets.h"

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

// The port name as a file-name prefix: "LPT1:" -> "LPT1".
std::string FilePrefix(const char* portName) {
    std::string prefix = portName;
    if (!prefix.empty() && prefix.back() == ':') prefix.pop_back();
    return prefix;
}

// Why a port gives no device ID: the printer is off or not ready, or the port carries bytes to
// the printer only. Its status lines say which is likelier and what to do. Read with the port
// closed: the lp driver admits one open at a time.
std::string NoDeviceIdProblem(const char* portName) {
    platform::ParallelPorts& ports = *platform::current().parallel;
    std::string text = std::string("the printer's device ID cannot be read on ") + portName + " (" +
                       ports.deviceNode(portName) +
                       "): either the printer is switched off or not ready, or the port has no reverse channel";
    platform::ParallelStatus status;
    int error = 0;
    if (!ports.readStatus(portName, status, error))
        return text + "; the port's status cannot be read either: switch the printer on and make it ready";
    if (platform::ParallelStatusReady(status)) {
        return text + "; the port reports the printer ready: check the cable, and set the port to a "
                      "bidirectional mode (ECP, EPP or PS/2) in the computer's firmware set-up";
    }
    std::vector<std::string> states;
    if (!status.selected) states.emplace_back("off-line");
    if (status.paperOut) states.emplace_back("out of paper");
    if (status.fault) states.emplace_back("in error");
    text += "; the port reports the printer ";
    for (size_t i = 0; i < states.size(); ++i) text += (i == 0 ? "" : " and ") + states[i];
    return text + ": switch it on and make it ready (a ready printer is then written one way on a port "
                  "without a reverse channel)";
}

int OpenWorkaround(const char* portName) {
    SlcState& g = SlcGlobals();
    const platform::Platform& p = platform::current();
    int error = 0;
    // A folder of our own for this open: nobody else can plant or swap what is copied to the printer.
    const std::string folder = p.tempFiles->createPrivateFolder("devpanel-", error);
    std::string path;
    std::unique_ptr<platform::Channel> file;
    if (!folder.empty()) file = p.files->createUnique(folder, FilePrefix(portName), path, error);
    if (!file) {
        SlcLog(SLC_LOG_PUBLIC, "SlcOpenPort(Unidirectional workaround) - failed, last error was %d\n", error);
        SlcSetProblem(std::string("the temporary files for the commands to ") + portName +
                      " cannot be made: " + SlcErrnoText(error));
        if (!folder.empty()) p.files->removeFolder(folder);
        return SLC_FAIL;
    }
    SlcLog(SLC_LOG_TRACE, "SlcOpenPort(Unidirectional workaround) - CreateFile() worked\n");
    g.workFolder = folder;
    g.tempFile = path;
    g.collectFailed = false;
    g.collectProblem.clear();
    // An offline file of an earlier port is not part of this transfer.
    g.offlineFile.clear();
    SlcOpenedPort opened;
    opened.channel = std::move(file);
    opened.unidirectional = true;
    SlcRecordOpenPort(portName, std::move(opened));
    return SLC_UNIDIRECTIONAL;
}

int RecordTwoWay(const char* portName, std::unique_ptr<platform::ParallelChannel> device, int16_t mode,
                 const char* deviceId, size_t idLength) {
    SlcOpenedPort opened;
    opened.parallel = device.get();
    opened.channel = std::move(device);
    opened.npaMode = mode;
    opened.devicePath = portName;
    opened.deviceId.assign(deviceId, idLength);
    SlcRecordOpenPort(portName, std::move(opened));
    return SLC_OK;
}

int OpenTwoWay(const char* portName) {
    ParCorvaneDosPort(true, portName);
    int error = 0;
    std::unique_ptr<platform::ParallelChannel> device = ParNT95CreateFile(portName, error);
    if (!device) {
        SlcLog(SLC_LOG_TRACE, "SlcOpenPort(Parallel) - ParNt95CreateFile() failed, last error was %d\n", error);
        SlcSetProblem(std::string("the parallel port ") + portName + " (" +
                      platform::current().parallel->deviceNode(portName) + ") cannot be opened: " +
                      SlcErrnoReason(error));
        ParCorvaneDosPort(false, portName);
        SlcForgetNpaMode();
        return SLC_FAIL;
    }

    // A printer that stops taking bytes must fail the write, not hold the caller: every write
    // is bounded by the timing table (the NPA query sets its own bounds and restores these).
    platform::CommTimeouts timeouts;
    if (device->getTimeouts(timeouts)) {
        timeouts.writeTotalConstant = SlcTimingTable().writeWaitMs;
        timeouts.writeTotalMultiplier = 0;
        device->setTimeouts(timeouts);
    }

    // One spare byte keeps the ID a terminated text for the log.
    uint8_t deviceId[SLC_DEVICE_ID_SIZE + 1] = {};
    size_t idLength = 0;
    if (!BceEnumGetDeviceID(*device, deviceId, SLC_DEVICE_ID_SIZE, idLength)) {
        SlcForgetNpaMode();
        device.reset();
        SlcSetProblem(NoDeviceIdProblem(portName));
        return SLC_NOT_OPEN;
    }
    SlcLog(SLC_LOG_TRACE, "SlcOpenPort(Parallel) - BceEnumGetDeviceID worked\n");
    const char* idText = reinterpret_cast<const char*>(deviceId);

    if (!IsRecognizedDeviceId(idText, idLength)) {
        SlcLog(SLC_LOG_PUBLIC, "SlcOpenPort(Parallel) - not a recognized printer\n");
        SlcForgetNpaMode();
        SlcSetProblem(std::string("the printer on ") + portName + " is not one this program supports");
        return SLC_REJECTED;
    }
    SlcLog(SLC_LOG_PUBLIC, "SlcOpenPort(Parallel) - printer recognized\n");

    // The same printer asked moments ago (a write session after its read) is not asked again.
    if (const std::optional<int16_t> kept = SlcReusableNpaMode(portName, idText, idLength)) {
        return RecordTwoWay(portName, std::move(device), *kept, idText, idLength);
    }
    bool answered = false;
    const int16_t mode = IsNpaActive(*device, idText, idLength, &answered);
    if (answered && (mode == NPA_AUTO || mode == NPA_ON)) {
        SlcRememberNpaMode(portName, idText, idLength, mode);
    } else {
        SlcForgetNpaMode();
    }
    switch (mode) {
    case NPA_OFF:
        SlcLog(SLC_LOG_PUBLIC, "SlcOpenPort(Parallel) - IsNpaActive() returned NPA_OFF\n");
        SlcLog(SLC_LOG_PUBLIC, "SlcOpenPort(Parallel) - IsNpaActive() returned NPA_OFF\n");
        SlcSetProblem(std::string("the printer on ") + portName +
                      " has NPA switched off: set it to on or auto on the printer's panel");
        return SLC_REFUSED;
    case NPA_AUTO:
        SlcLog(SLC_LOG_PUBLIC, "SlcOpenPort(Parallel) - IsNpaActive() returned NPA_AUTO\n");
        break;
    default:
        SlcLog(SLC_LOG_PUBLIC, "SlcOpenPort(Parallel) - IsNpaActive() returned NPA_ON\n");
        break;
    }
    return RecordTwoWay(portName, std::move(device), mode, idText, idLength);
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
    // A port that can only be written (its node, or a port without a reverse channel whose
    // printer is ready) takes the workaround even on a two-way machine, before any device-ID
    // request.
    const bool oneWay = g.osKind == 2 || (p.system != nullptr && p.system->parallelPortIsWriteOnly(portName));
    return oneWay ? OpenWorkaround(portName) : OpenTwoWay(portName);
}

bool ParNT95ReadFile(platform::Channel& channel, uint8_t* buffer, uint32_t length, uint32_t& bytesRead,
                     bool (*whole)(const uint8_t* bytes, uint32_t count)) {
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
        // A reply the caller knows to be whole needs no further pass, which would only wait out
        // the read's time-out.
        if (thisPass > 0 && whole != nullptr && whole(buffer, total)) break;
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

bool SlcSendStart(platform::Channel& channel, const char* who) {
    SlcLog(SLC_LOG_TRACE, "%s(): NeedNPAStart = TRUE\n", who);
    SlcLog(SLC_LOG_TRACE, "%s(): SendNPAStart()\n", who);
    const int rc = SendNPAStart(channel);
    if (rc != 0) SlcLog(SLC_LOG_TRACE, "SendNPAStart() returned %d\n", rc);
    return rc == 0;
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

    SlcDrainLateReplies("ParSendCommand", ParRearmForLateReply);
    if (g.npaMode != NPA_ON && !SlcSendStart(*g.port, "ParSendCommand")) {
        if (replyLength != nullptr) *replyLength = 0;
        SlcForgetNpaMode();
        return SLC_SEND_WRITEFAIL;
    }

    // The wait is announced before the command goes out: a reply the reader judges from now on
    // is this command's, one it judged before belongs to an earlier request.
    const bool awaitReply = reply != nullptr || responseRequested;
    const uint32_t serial = awaitReply ? ParExpectMessage(buffer[4], false) : 0;

    SlcLog(SLC_LOG_DATA, "ParSendCommand(): before WriteFile()\n");
    SlcLogHex(buffer, length);
    const long written = g.port->write(buffer, length);
    SlcLog(SLC_LOG_TRACE, "ParSendCommand(): after WriteFile()\n");

    if (written == static_cast<long>(length)) {
        SlcLog(SLC_LOG_TRACE, "Successfully wrote %d bytes\n", static_cast<int>(written));
        if (!awaitReply) return SLC_OK;
        const int rc = ParWaitMessage(serial, reply, replyLength, SlcTimingTable().responseWaitMs);
        // A printer that does not answer may not be in the mode it was found in (its panel,
        // another program): the next open asks it again.
        if (rc == SLC_FAIL || rc == SLC_SEND_READFAIL) SlcForgetNpaMode();
        return rc == SLC_FAIL ? SLC_SEND_READFAIL : rc;
    }
    if (replyLength != nullptr) *replyLength = 0;
    SlcForgetNpaMode();
    return SLC_SEND_WRITEFAIL;
}

int ParGetResponse(uint8_t* reply, uint32_t* replyLength, uint8_t expectedCommand) {
    const uint32_t serial = ParExpectMessage(expectedCommand, false);
    const int rc = ParWaitMessage(serial, reply, replyLength, SlcTimingTable().responseWaitMs);
    // A reply cut short is a failed read.
    return rc == SLC_FAIL ? SLC_SEND_READFAIL : rc;
}

void ParRearmForLateReply() { (void)ParExpectMessage(0, true); }

uint32_t ParExpectMessage(uint8_t expected, bool acceptAlerts) {
    SlcState& g = SlcGlobals();
    SlcLog(SLC_LOG_TRACE, "ParGetResponse(): before setting ucCommand\n");
    uint32_t serial = 0;
    {
        std::lock_guard<std::mutex> lock(g.transactionInfo);
        g.command = expected;
        g.acceptAlerts = acceptAlerts;
        serial = ++g.requestSerial;
        if (!g.readThreadRunning) {
            const int thread = SlcStartReaderLocked(&ParReadPort, [] {
                if (SlcState& st = SlcGlobals(); st.parallel != nullptr) st.parallel->cancel();
            });
            SlcLog(SLC_LOG_TRACE, "ParGetResponse: no G_hReadThread - started ReadThread and got hReadThread:%d\n",
                   thread);
        }
    }
    SlcLog(SLC_LOG_TRACE, "ParGetResponse(): after setting ucCommand\n");
    SlcSignal(g.semGoRead);
    return serial;
}

int ParWaitMessage(uint32_t serial, uint8_t* reply, uint32_t* replyLength, uint32_t waitMs) {
    SlcResponseWait wait;
    wait.name = "ParGetResponse";
    wait.waitMs = waitMs;
    wait.loggedWaitMs = waitMs;
    wait.slots = 1;  // the parallel reader stores in slot 0 only
    wait.logOutcome = true;
    // The reader judged the message for a wait; a reply nobody has room for is too large.
    wait.noBufferIsTooLarge = true;
    wait.judge = [serial](const SlcSlotMessage& message) {
        if (message.serial == serial) return SlcVerdict::Take;
        // Judged for an earlier wait that gave up on it: not the answer to this request.
        SlcLog(SLC_LOG_TRACE, "ParGetResponse() - discarding a reply to an earlier request\n");
        return SlcVerdict::Drop;
    };
    return SlcAwaitReply(wait, reply, replyLength);
}
