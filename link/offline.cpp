// Offline control (the register / offline-or-online / deregister exchange on two-way ports),
// the one-way targets (FILE port and the parallel workaround) and the workaround's copy to the port.
#include <cstdio>
#include <cstring>

#include "link/link_private.h"
#include "link/usb_private.h"
#include "npa/packets.h"

namespace {

constexpr uint32_t kReplyBuffer = 2048;
constexpr size_t kNinthByte = 8;
constexpr uint8_t kAccepted = 1;  // the printer's response carries 1 when it takes the request
constexpr size_t kCopyChunk = 4096;

// "offline.dat" in the folder of base: what follows the last "/" is replaced.
std::string OfflineFilePath(const std::string& base) {
    const size_t slash = base.rfind('/');
    if (slash == std::string::npos) return "offline.dat";
    return base.substr(0, slash + 1) + "offline.dat";
}

// Writes the whole file to the port's device; 0 when every byte went out.
int CopyFileToPort(const std::string& source, const std::string& portName) {
    const platform::Platform& p = platform::current();
    int error = 0;
    std::unique_ptr<platform::Channel> in = p.files->open(source, false, error);
    if (!in) return 1;
    std::unique_ptr<platform::Channel> out = p.parallel->openWriteOnly(portName, error);
    if (!out) return 1;
    uint8_t chunk[kCopyChunk];
    for (;;) {
        const long got = in->read(chunk, sizeof chunk, 0);
        if (got < 0) return 1;
        if (got == 0) return 0;
        long done = 0;
        while (done < got) {
            const long written = out->write(chunk + done, static_cast<size_t>(got - done));
            if (written <= 0) return 1;
            done += written;
        }
    }
}

void CopyStep(const std::string& source, const std::string& portName) {
    char command[520];
    std::snprintf(command, sizeof command, "copy /b %s %s", source.c_str(), portName.c_str());
    SlcLog(SLC_LOG_TRACE, "SlcCopyFiles() - command is [%s]\n", command);
    const int rc = CopyFileToPort(source, portName);
    SlcLog(SLC_LOG_TRACE, "SlcCopyFiles() - rc=%d\n", rc);
}

// Waits for the next packet of the exchange into a zeroed buffer, so that a reply shorter than
// nine bytes reads as 0 in its 9th byte rather than as a leftover of the previous one.
int WaitForPacket(uint8_t* buffer, uint8_t expected, uint32_t& length) {
    std::memset(buffer, 0, kReplyBuffer);
    length = kReplyBuffer;
    return ParGetResponse(buffer, &length, expected);
}

}  // namespace

int SlcOffline(const char* portName, int offline) {
    SlcInit();
    SlcState& g = SlcGlobals();
    const std::string name = portName != nullptr ? portName : "";
    const char* mode = offline != 0 ? "offline" : "online";

    if (g.openPort.empty() || name != g.openPort) {
        SlcLog(SLC_LOG_PUBLIC, "SlcOffline(%s, %s) - port is not open\n", name.c_str(), mode);
        return SLC_NOT_OPEN;
    }
    SlcLog(SLC_LOG_PUBLIC, "SlcOffline(%s, %s)\n", name.c_str(), mode);

    const SlcPortKind kind = SlcKindOf(name);
    if (kind == SlcPortKind::File || (kind == SlcPortKind::Parallel && g.unidirectional)) {
        if (offline == 0) {
            if (!g.port) return SLC_FAIL;
            return FileOffline(*g.port, 0);
        }
        const std::string path = OfflineFilePath(kind == SlcPortKind::Parallel ? g.tempFile : name);
        SlcLog(SLC_LOG_PUBLIC, "SlcOffline(%s, %s) - offline file is [%s]\n", name.c_str(), mode, path.c_str());
        g.offlineFile = path;
        int error = 0;
        // A fresh offline.dat: only this offline packet belongs in it.
        std::unique_ptr<platform::Channel> file = platform::current().files->open(path, true, error);
        if (!file) return SLC_FAIL;
        return FileOffline(*file, offline);
    }

    uint8_t reply[kReplyBuffer];
    uint32_t replyLength = kReplyBuffer;
    SlcLog(SLC_LOG_PUBLIC, "SlcOffline(%s, %s) - registering for offline alert\n", name.c_str(), mode);
    if (SlcSendCommand(name.c_str(), npa::kRegisterAlert.data(), npa::kRegisterAlert.size(), reply, &replyLength) !=
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
    const int result = kind == SlcPortKind::Parallel ? ParOffline(offline) : UsbOffline(g.devicePath, offline);
    if (result != SLC_OK) {
        SlcLog(SLC_LOG_PUBLIC, "SlcOffline(%s, %s) - xxxOffline() failed with error code %d\n", name.c_str(), mode,
               result);
        return result;
    }

    SlcLog(SLC_LOG_PUBLIC, "SlcOffline(%s, %s) - deregistering for offline alert\n", name.c_str(), mode);
    replyLength = kReplyBuffer;
    const int rc =
        SlcSendCommand(name.c_str(), npa::kDeregisterAlert.data(), npa::kDeregisterAlert.size(), reply, &replyLength);
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
    const auto& packet = offline != 0 ? npa::kOffline : npa::kOnline;
    const uint8_t newState = offline != 0 ? 1 : 0;  // what the alert reports once the change is made

    if (g.npaMode != NPA_ON) {
        SlcLog(SLC_LOG_TRACE, "ParOffline(): NeedNPAStart = TRUE\n");
        SlcLog(SLC_LOG_TRACE, "ParOffline(): SendNPAStart()\n");
        const int rc = SendNPAStart(*g.port);
        if (rc != 0) {
            SlcLog(SLC_LOG_TRACE, "SendNPAStart() returned %d\n", rc);
            return SLC_REFUSED;
        }
    }

    SlcLog(SLC_LOG_DATA, "ParOffline(): before WriteFile()\n");
    SlcLogHex(packet.data(), packet.size());
    const long written = g.port->write(packet.data(), packet.size());
    SlcLog(SLC_LOG_TRACE, "ParOffline(): after WriteFile()\n");
    if (written != static_cast<long>(packet.size())) return SLC_REFUSED;
    SlcLog(SLC_LOG_TRACE, "ParOffline(): Successfully wrote %d bytes\n", static_cast<int>(packet.size()));

    uint8_t buffer[kReplyBuffer];
    uint32_t length = 0;
    int rc = WaitForPacket(buffer, 0, length);
    SlcLog(SLC_LOG_TRACE, "ParOffline(): returned from ParGetResponse, iReturn=%d\n", rc);
    SlcLogHex(buffer, length);
    if (rc != SLC_OK) return rc;

    SlcLog(SLC_LOG_TRACE, "pRcvData[4]=%02X\n", buffer[4]);
    if (buffer[4] == npa::CMD_SETTINGS) {
        SlcLog(SLC_LOG_TRACE, "ParOffline(): we got the response back first\n");
        if (buffer[kNinthByte] != kAccepted) {
            SlcLog(SLC_LOG_TRACE, "ParOffline(): the command appears to have been rejected:\n");
            SlcLogHex(buffer, length);
            return SLC_REJECTED;
        }
        SlcLog(SLC_LOG_TRACE, "ParOffline(): before ParGetResponse() - this time for alert\n");
        rc = WaitForPacket(buffer, npa::CMD_ALERT, length);
        SlcLog(SLC_LOG_TRACE, "ParOffline(): after ParGetResponse(), return code is %d\n", rc);
        // Without the alert there is nothing to judge.
        if (rc != SLC_OK) return rc;
        if (buffer[kNinthByte] == newState) {
            SlcLog(SLC_LOG_TRACE, "ParOffline(): 9th byte OK\n");
            return SLC_OK;
        }
        SlcLog(SLC_LOG_TRACE, "ParOffline(): 9th byte NOT OK - rejected\n");
        return SLC_REJECTED;
    }
    if (buffer[4] == npa::CMD_ALERT) {
        SlcLog(SLC_LOG_TRACE, "ParOffline(): we got the alert back first\n");
        if (buffer[kNinthByte] != newState) {
            SlcLog(SLC_LOG_TRACE, "ParOffline(): 9th byte NOT OK - rejected\n");
            return SLC_REJECTED;
        }
        SlcLog(SLC_LOG_TRACE, "ParOffline(): 9th byte OK\n");
        SlcLog(SLC_LOG_TRACE, "ParOffline(): before ParGetResponse() - this time for the response\n");
        rc = WaitForPacket(buffer, npa::CMD_SETTINGS, length);
        SlcLog(SLC_LOG_TRACE, "ParOffline(): after ParGetResponse(), return code is %d\n", rc);
        if (rc != SLC_OK) return rc;
        if (buffer[kNinthByte] != kAccepted) {
            SlcLog(SLC_LOG_TRACE, "ParOffline(): the command appears to have been rejected:\n");
            SlcLogHex(buffer, length);
            return SLC_REJECTED;
        }
        return SLC_OK;
    }
    return SLC_OK;
}

int FileOffline(platform::Channel& channel, int offline) {
    const auto& packet = offline != 0 ? npa::kFileOffline : npa::kFileOnline;
    const int rc = SendNPAStart(channel);
    if (rc != 0) {
        SlcLog(SLC_LOG_TRACE, "SendNPAStart() returned %d\n", rc);
        return SLC_REFUSED;
    }
    SlcLog(SLC_LOG_DATA, "FileOffline(): before WriteFile()\n");
    SlcLogHex(packet.data(), packet.size());
    const long written = channel.write(packet.data(), packet.size());
    SlcLog(SLC_LOG_TRACE, "FileOffline(): after WriteFile()\n");
    if (written == static_cast<long>(packet.size())) {
        SlcLog(SLC_LOG_TRACE, "FileOffline(): Successfully wrote %d bytes\n", static_cast<int>(written));
        return SLC_OK;
    }
    if (written > 0) {
        SlcLog(SLC_LOG_TRACE, "FileOffline(): Error %d, but wrote %d bytes\n", channel.lastError(),
               static_cast<int>(written));
    }
    return SLC_REFUSED;
}

int FileSendCommand(platform::Channel& channel, const uint8_t* command, uint32_t length, uint8_t* reply,
                    uint32_t* replyLength) {
    (void)reply;
    if (length > SLC_MAX_COMMAND) {
        SlcLog(SLC_LOG_TRACE, "FileSendCommand(): command too large!\n");
        return SLC_REFUSED;
    }
    uint8_t buffer[SLC_MAX_COMMAND] = {};
    std::memcpy(buffer, command, length);
    // Nobody will ever answer a file: the stored command must not ask for a reply.
    if ((buffer[3] & npa::FLAG_RESPONSE) != 0) {
        SlcLog(SLC_LOG_TRACE, "FileSendCommand(): response requested, tweaking command buffer\n");
        buffer[3] = static_cast<uint8_t>(buffer[3] & ~npa::FLAG_RESPONSE);
    }
    const int rc = SendNPAStart(channel);
    if (rc != 0) {
        SlcLog(SLC_LOG_TRACE, "SendNPAStart() returned %d\n", rc);
        if (replyLength != nullptr) *replyLength = 0;
        return SLC_SEND_WRITEFAIL;
    }
    SlcLog(SLC_LOG_TRACE, "FileSendCommand(): before WriteFile()\n");
    SlcLogHex(buffer, length);
    const long written = channel.write(buffer, length);
    SlcLog(SLC_LOG_TRACE, "FileSendCommand(): after WriteFile()\n");
    if (replyLength != nullptr) *replyLength = 0;
    if (written == static_cast<long>(length)) {
        SlcLog(SLC_LOG_TRACE, "Successfully wrote %d bytes\n", static_cast<int>(written));
        return SLC_OK;
    }
    if (written > 0) {
        SlcLog(SLC_LOG_TRACE, "FileSendCommand(): Error %d, but wrote %d bytes\n", channel.lastError(),
               static_cast<int>(written));
    }
    return SLC_SEND_WRITEFAIL;
}

int SlcCopyFiles() {
    SlcState& g = SlcGlobals();
    CopyStep(g.offlineFile, g.openPort);
    // The printer needs time to go offline before the settings arrive.
    SlcSleep(SlcTimingTable().copyPauseMs);
    CopyStep(g.tempFile, g.openPort);
    const platform::Platform& p = platform::current();
    p.files->remove(g.offlineFile);
    p.files->remove(g.tempFile);
    return SLC_OK;
}

void ParDropWorkaround() {
    SlcState& g = SlcGlobals();
    const platform::Platform& p = platform::current();
    // Collected commands that will never be sent must not linger in the temporary folder.
    if (!g.tempFile.empty()) p.files->remove(g.tempFile);
    if (!g.offlineFile.empty()) p.files->remove(g.offlineFile);
    g.unidirectional = false;
    g.tempFile.clear();
    g.offlineFile.clear();
}
