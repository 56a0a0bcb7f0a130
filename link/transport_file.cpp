// The FILE port: a command file written to a temporary beside its name, with offline.dat, and
// put in place by the close. Its records (the offline and online records, the commands with their
// response bit cleared) are also how the parallel port's one-way workaround collects its set.
#include <cerrno>
#include <cstring>

#include "link/link_private.h"
#include "link/transport.h"
#include "platform/paths.h"
#include "protocol/packets.h"

// Named, not anonymous: a unity build compiles the four tables as one file.
namespace file_port {

constexpr const char* kOfflineName = "offline.dat";

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
    // Appended piece by piece: GCC's -O3 takes `"." + name + "."` for an overlapping copy
    // (a -Wrestrict false positive).
    std::string prefix = ".";
    prefix += BaseName(target);
    prefix += '.';
    std::unique_ptr<platform::Channel> channel =
        platform::current().files->createUnique(FolderOf(target), prefix, temp, error);
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

int Send(const std::string& portName, const uint8_t* command, uint32_t length, uint8_t* reply,
         uint32_t* replyLength) {
    if (!SlcGlobals().port) return SLC_NOT_OPEN;
    return SlcCollectCommand(portName, command, length, reply, replyLength);
}

int Close(const std::string&) {
    // The command file and its offline.dat are put in place together, or not at all.
    return FileClosePort();
}

void Cancel() {
    SlcState& g = SlcGlobals();
    SlcStopReader();
    g.port.reset();
    // A command file that was not closed is not complete: the user's files stay as they were.
    FileDiscard();
}

}  // namespace file_port

using file_port::WriteWhole;

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

// Into a one-way target: a write that failed leaves the collected set incomplete.
int SlcCollectCommand(const std::string& file, const uint8_t* command, uint32_t length, uint8_t* reply,
                      uint32_t* replyLength) {
    SlcState& g = SlcGlobals();
    const int rc = FileSendCommand(*g.port, command, length, reply, replyLength);
    if (rc == SLC_SEND_WRITEFAIL) SlcNoteCollectFailure(file, g.port->lastError());
    return rc;
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

int FileOpenPort(const std::string& path) {
    SlcState& g = SlcGlobals();
    int error = 0;
    const std::string why = file_port::UnusableTarget(path, error);
    if (!why.empty()) {
        SlcLog(SLC_LOG_PUBLIC, "SlcOpenPort(FILE) - failed, last error was %d\n", error);
        SlcSetProblem("the command file " + path + " " + why + ": choose another file name");
        return SLC_FAIL;
    }
    // The user's file stays as it is until the whole set is written.
    std::string temp;
    std::unique_ptr<platform::Channel> file = file_port::CreateBeside(path, temp);
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

int FileTargetOffline(const std::string& name, int offline) {
    SlcState& g = SlcGlobals();
    if (!g.port) return SLC_FAIL;
    if (offline != 0) return file_port::FileOfflineRecord(name);
    const int rc = FileOffline(*g.port, 0);
    if (rc != SLC_OK) SlcNoteCollectFailure(name, g.port->lastError());
    return rc;
}

void FileDiscard() {
    SlcState& g = SlcGlobals();
    g.offlineChannel.reset();
    file_port::RemoveIfSet(g.offlineTemp);
    file_port::RemoveIfSet(g.commandTemp);
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

const SlcTransport& SlcFileTransport() {
    static const SlcTransport table{"FILE",
                                    FileOpenPort,
                                    file_port::Send,
                                    FileTargetOffline,
                                    file_port::Close,
                                    file_port::Cancel};
    return table;
}
