// Offline control (the register / offline-or-online / deregister exchange on two-way ports),
// the one-way targets (FILE port and the parallel workaround) and the workaround's copy to the port.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "link/link_private.h"
#include "link/usb_private.h"
#include "platform/paths.h"
#include "protocol/packets.h"

namespace {

constexpr uint32_t kReplyBuffer = 2048;
constexpr size_t kCopyChunk = 4096;
constexpr const char* kOfflineName = "offline.dat";

// Clears the workaround's state (its files are sent, deleted or kept for the user).
void ForgetWorkaround();

// The platform knows its path separators ("/"; on Windows "\\" as well).
std::string FolderOf(const std::string& path) { return platform::FolderOfPath(path); }
std::string BaseName(const std::string& path) { return platform::FileNameOfPath(path); }
// "offline.dat" in the folder of base.
std::string OfflineFilePath(const std::string& base) { return platform::SiblingPath(base, kOfflineName); }

// Why a path cannot be a command file (or offline.dat); empty when it can be written in place.
std::string UnusableTarget(const std::string& path, int& error) {
    switch (platform::current().files->kindOf(path, error)) {
    case platform::Files::Kind::Missing:
    case platform::Files::Kind::Regular:
        return {};
    case platform::Files::Kind::Folder:
        return "is a folder";
    case platform::Files::Kind::Link:
        return "is a symbolic link (choose the file it points to, or another name)";
    case platform::Files::Kind::Other:
        break;
    }
    if (error != 0) return "cannot be examined: " + SlcErrnoText(error);
    return "is a device or a pipe, not a regular file";
}

// A new temporary beside target ("." + its name + random characters); nullptr with the problem
// recorded when the folder cannot take it.
std::unique_ptr<platform::Channel> CreateBeside(const std::string& target, std::string& temp) {
    int error = 0;
    std::unique_ptr<platform::Channel> channel =
        platform::current().files->createUnique(FolderOf(target), "." + BaseName(target) + ".", temp, error);
    if (!channel) {
        SlcLog(SLC_LOG_PUBLIC, "SlcOpenPort(FILE) - failed, last error was %d\n", error);
        SlcSetProblem("the command file " + target + " cannot be written: its folder " + FolderOf(target) + " " +
                      (error == ENOENT ? std::string("does not exist") : "does not take new files: " + SlcErrnoText(error)));
    }
    return channel;
}

void RemoveIfSet(std::string& path) {
    if (!path.empty()) platform::current().files->remove(path);
    path.clear();
}

// Writes the whole file to the port's device; 0 when every byte went out, else the errno.
int CopyFileToPort(const std::string& source, const std::string& portName) {
    const platform::Platform& p = platform::current();
    int error = 0;
    std::unique_ptr<platform::Channel> in = p.files->open(source, false, error);
    if (!in) return error != 0 ? error : EIO;
    std::unique_ptr<platform::Channel> out = p.parallel->openWriteOnly(portName, error);
    if (!out) return error != 0 ? error : ENODEV;
    uint8_t chunk[kCopyChunk];
    for (;;) {
        const long got = in->read(chunk, sizeof chunk, 0);
        if (got < 0) return in->lastError() != 0 ? in->lastError() : EIO;
        if (got == 0) return 0;
        long done = 0;
        while (done < got) {
            const long written = out->write(chunk + done, static_cast<size_t>(got - done));
            // A device that takes nothing more is gone: a short copy is a failed copy.
            if (written <= 0) return out->lastError() != 0 ? out->lastError() : EIO;
            done += written;
        }
    }
}

int CopyStep(const std::string& source, const std::string& portName) {
    char command[520];
    std::snprintf(command, sizeof command, "copy /b %s %s", source.c_str(), portName.c_str());
    SlcLog(SLC_LOG_TRACE, "SlcCopyFiles() - command is [%s]\n", command);
    const int rc = CopyFileToPort(source, portName);
    SlcLog(SLC_LOG_TRACE, "SlcCopyFiles() - rc=%d\n", rc);
    return rc;
}

// Writes one record into a one-way target and logs the outcome as who's (the success line
// begins with successPrefix): true when every byte went out.
bool WriteWhole(platform::Channel& channel, const char* who, const char* successPrefix, const uint8_t* bytes,
                size_t length) {
    const long written = channel.write(bytes, length);
    SlcLog(SLC_LOG_TRACE, "%s(): after WriteFile()\n", who);
    if (written == static_cast<long>(length)) {
        SlcLog(SLC_LOG_TRACE, "%sSuccessfully wrote %d bytes\n", successPrefix, static_cast<int>(written));
        return true;
    }
    if (written > 0) {
        SlcLog(SLC_LOG_TRACE, "%s(): Error %d, but wrote %d bytes\n", who, channel.lastError(), static_cast<int>(written));
    }
    return false;
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

// The FILE port's offline.dat: its content goes to a temporary beside it.
int FileOfflineRecord(const std::string& name) {
    SlcState& g = SlcGlobals();
    const std::string path = OfflineFilePath(name);
    SlcLog(SLC_LOG_PUBLIC, "SlcOffline(%s, %s) - offline file is [%s]\n", name.c_str(), "offline", path.c_str());
    g.offlineFile = path;
    // A second offline packet replaces the first: only one belongs in offline.dat.
    g.offlineChannel.reset();
    RemoveIfSet(g.offlineTemp);
    int error = 0;
    const std::string why = UnusableTarget(path, error);
    if (!why.empty()) {
        SlcNoteCollectFailure(path, 0);
        SlcSetProblem("the offline file " + path + " " + why + ": nothing will be saved");
        g.collectProblem = g.lastProblem;
        return SLC_FAIL;
    }
    std::string temp;
    std::unique_ptr<platform::Channel> file =
        platform::current().files->createUnique(FolderOf(path), std::string(".") + kOfflineName + ".", temp, error);
    if (!file) {
        SlcNoteCollectFailure(path, error);
        return SLC_FAIL;
    }
    g.offlineTemp = temp;
    const int rc = FileOffline(*file, 1);
    if (rc != SLC_OK) SlcNoteCollectFailure(path, file->lastError());
    g.offlineChannel = std::move(file);
    return rc;
}

}  // namespace

namespace {

int OfflineImpl(const std::string& name, int offline) {
    SlcState& g = SlcGlobals();
    const char* mode = offline != 0 ? "offline" : "online";
    if (g.openPort.empty() || name != g.openPort || g.transport == nullptr) {
        SlcLog(SLC_LOG_PUBLIC, "SlcOffline(%s, %s) - port is not open\n", name.c_str(), mode);
        return SLC_NOT_OPEN;
    }
    SlcLog(SLC_LOG_PUBLIC, "SlcOffline(%s, %s)\n", name.c_str(), mode);
    return g.transport->offline(name, offline);
}

}  // namespace

int FileTargetOffline(const std::string& name, int offline) {
    SlcState& g = SlcGlobals();
    if (!g.port) return SLC_FAIL;
    if (offline != 0) return FileOfflineRecord(name);
    const int rc = FileOffline(*g.port, 0);
    if (rc != SLC_OK) SlcNoteCollectFailure(name, g.port->lastError());
    return rc;
}

int WorkaroundOffline(const std::string& name, int offline) {
    SlcState& g = SlcGlobals();
    if (!g.port) return SLC_FAIL;
    if (offline == 0) {
        const int rc = FileOffline(*g.port, 0);
        if (rc != SLC_OK) SlcNoteCollectFailure(g.tempFile, g.port->lastError());
        return rc;
    }
    // The workaround's offline.dat sits in its private folder, beside the commands.
    const std::string path = OfflineFilePath(g.tempFile);
    SlcLog(SLC_LOG_PUBLIC, "SlcOffline(%s, %s) - offline file is [%s]\n", name.c_str(), "offline", path.c_str());
    g.offlineFile = path;
    int error = 0;
    std::unique_ptr<platform::Channel> file = platform::current().files->open(path, true, error);
    if (!file) {
        SlcNoteCollectFailure(path, error);
        return SLC_FAIL;
    }
    const int rc = FileOffline(*file, offline);
    if (rc != SLC_OK) SlcNoteCollectFailure(path, file->lastError());
    return rc;
}

int RegisteredOfflineExchange(const std::string& name, int offline, int (*exchange)(int offline)) {
    SlcState& g = SlcGlobals();
    const char* mode = offline != 0 ? "offline" : "online";
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
        SlcSendCommand(name.c_str(), npa::kDeregisterAlert.data(), npa::kDeregisterAlert.size(), reply, &replyLength);
    if (rc != SLC_OK) {
        SlcLog(SLC_LOG_PUBLIC,
               "SlcOffline(%s, %s) - SlcSendCommand() failed with error code %d (no biggie, we were just trying to "
               "deregister for the offline alert)\n",
               name.c_str(), mode, rc);
    }
    return SLC_OK;
}

int SlcOffline(const char* portName, int offline) {
    SlcInit();
    SlcGlobals().lastProblem.clear();
    const std::string name = portName != nullptr ? portName : "";
    return SlcFinishOperation(name, OfflineImpl(name, offline));
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

int FileOffline(platform::Channel& channel, int offline) {
    const auto& packet = offline != 0 ? npa::kFileOffline : npa::kFileOnline;
    const int rc = SendNPAStart(channel);
    if (rc != 0) {
        SlcLog(SLC_LOG_TRACE, "SendNPAStart() returned %d\n", rc);
        return SLC_REFUSED;
    }
    SlcLog(SLC_LOG_DATA, "FileOffline(): before WriteFile()\n");
    SlcLogHex(packet.data(), packet.size());
    return WriteWhole(channel, "FileOffline", "FileOffline(): ", packet.data(), packet.size()) ? SLC_OK : SLC_REFUSED;
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
    if (replyLength != nullptr) *replyLength = 0;
    return WriteWhole(channel, "FileSendCommand", "", buffer, length) ? SLC_OK : SLC_SEND_WRITEFAIL;
}

void SlcNoteCollectFailure(const std::string& file, int error) {
    SlcState& g = SlcGlobals();
    const std::string problem = "writing " + file + " failed: " + SlcErrnoText(error != 0 ? error : EIO) +
                                "; nothing of this transfer will be saved or sent";
    // The first failure is the cause; later writes fail for the same reason.
    if (!g.collectFailed) g.collectProblem = problem;
    g.collectFailed = true;
    SlcSetProblem(problem);
}

int SlcCopyFiles() {
    SlcState& g = SlcGlobals();
    const platform::Platform& p = platform::current();
    int error = CopyStep(g.offlineFile, g.openPort);
    // Only a printer that was told to go offline may be sent the settings.
    if (error == 0) {
        // The printer needs time to go offline before the settings arrive.
        SlcSleep(SlcTimingTable().copyPauseMs);
        error = CopyStep(g.tempFile, g.openPort);
    }
    if (error != 0) {
        // Kept, so that the user can send them by hand once the printer is back.
        SlcSetProblem("the copy to the printer on " + g.openPort + " (" + p.parallel->deviceNode(g.openPort) +
                      ") failed: " + SlcErrnoReason(error) + "; the commands are kept in " + g.workFolder +
                      " (offline.dat first, then " + BaseName(g.tempFile) + ")");
        return SLC_SEND_WRITEFAIL;
    }
    p.files->remove(g.offlineFile);
    p.files->remove(g.tempFile);
    if (!g.workFolder.empty()) p.files->removeFolder(g.workFolder);
    return SLC_OK;
}

void ParDropWorkaround() {
    SlcState& g = SlcGlobals();
    const platform::Platform& p = platform::current();
    // Collected commands that will never be sent must not linger in the temporary folder.
    if (!g.tempFile.empty()) p.files->remove(g.tempFile);
    if (!g.offlineFile.empty()) p.files->remove(g.offlineFile);
    if (!g.workFolder.empty()) p.files->removeFolder(g.workFolder);
    ForgetWorkaround();
}

int ParCloseWorkaround() {
    SlcState& g = SlcGlobals();
    int result = SLC_OK;
    if (g.collectFailed) {
        // An incomplete set of commands must not reach the printer.
        SlcSetProblem(g.collectProblem);
        ParDropWorkaround();
        result = SLC_SEND_WRITEFAIL;
    } else {
        result = SlcCopyFiles();
    }
    // Sent and deleted, or kept for the user: either way no longer the link's.
    ForgetWorkaround();
    return result;
}

namespace {

void ForgetWorkaround() {
    SlcState& g = SlcGlobals();
    g.unidirectional = false;
    g.collectFailed = false;
    g.collectProblem.clear();
    g.tempFile.clear();
    g.offlineFile.clear();
    g.workFolder.clear();
}

}  // namespace

int FileOpenPort(const std::string& path) {
    SlcState& g = SlcGlobals();
    int error = 0;
    const std::string why = UnusableTarget(path, error);
    if (!why.empty()) {
        SlcLog(SLC_LOG_PUBLIC, "SlcOpenPort(FILE) - failed, last error was %d\n", error);
        SlcSetProblem("the command file " + path + " " + why + ": choose another file name");
        return SLC_FAIL;
    }
    // The user's file stays as it is until the whole set is written.
    std::string temp;
    std::unique_ptr<platform::Channel> file = CreateBeside(path, temp);
    if (!file) return SLC_FAIL;
    SlcLog(SLC_LOG_TRACE, "SlcOpenPort(FILE) - CreateFile() worked\n");
    g.commandTemp = temp;
    g.offlineTemp.clear();
    g.offlineChannel.reset();
    g.offlineFile.clear();
    g.collectFailed = false;
    g.collectProblem.clear();
    SlcOpenedPort opened;
    opened.channel = std::move(file);
    SlcRecordOpenPort(path.c_str(), std::move(opened));
    return SLC_OK;
}

void FileDiscard() {
    SlcState& g = SlcGlobals();
    g.offlineChannel.reset();
    RemoveIfSet(g.offlineTemp);
    RemoveIfSet(g.commandTemp);
    g.offlineFile.clear();
    g.collectFailed = false;
    g.collectProblem.clear();
}

int FileClosePort() {
    SlcState& g = SlcGlobals();
    const platform::Platform& p = platform::current();
    const std::string target = g.openPort;
    int result = SLC_OK;
    if (g.collectFailed) {
        SlcSetProblem(g.collectProblem);
        result = SLC_SEND_WRITEFAIL;
    } else if (g.offlineTemp.empty()) {
        // The printer takes the settings only after the offline packet: a command file without
        // its offline.dat cannot be sent.
        SlcSetProblem("the command file " + target + " was not saved: offline.dat was never written");
        result = SLC_FAIL;
    } else if (!g.offlineChannel->sync()) {
        SlcSetProblem("writing " + g.offlineFile + " failed: " + SlcErrnoText(g.offlineChannel->lastError()));
        result = SLC_SEND_WRITEFAIL;
    } else if (!g.port->sync()) {
        SlcSetProblem("writing " + target + " failed: " + SlcErrnoText(g.port->lastError()));
        result = SLC_SEND_WRITEFAIL;
    }
    g.offlineChannel.reset();
    g.port.reset();
    if (result == SLC_OK) {
        int error = 0;
        if (!p.files->replace(g.offlineTemp, g.offlineFile, error)) {
            SlcSetProblem("the offline file " + g.offlineFile + " could not be put in place: " + SlcErrnoText(error));
            result = SLC_SEND_WRITEFAIL;
        } else {
            g.offlineTemp.clear();
            if (!p.files->replace(g.commandTemp, target, error)) {
                SlcSetProblem("the command file " + target + " could not be put in place: " + SlcErrnoText(error));
                result = SLC_SEND_WRITEFAIL;
            } else {
                g.commandTemp.clear();
            }
        }
    }
    // Whatever is left was not committed: no temporary stays behind.
    FileDiscard();
    return result;
}
