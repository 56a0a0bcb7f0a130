// The parallel port's one-way workaround: commands are collected in a private temporary file,
// the offline record in offline.dat beside it, and the close copies both to the port.
#include <cerrno>
#include <cstdio>

#include "link/link_private.h"
#include "link/transport.h"
#include "platform/paths.h"

// Named, not anonymous: a unity build compiles the four tables as one file.
namespace oneway_port {

constexpr size_t kCopyChunk = 4096;

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

// Clears the workaround's state (its files are sent, deleted or kept for the user).
void ForgetWorkaround() {
    SlcState& g = SlcGlobals();
    g.unidirectional = false;
    g.collectFailed = false;
    g.collectProblem.clear();
    g.tempFile.clear();
    g.offlineFile.clear();
    g.workFolder.clear();
}

int Send(const std::string&, const uint8_t* command, uint32_t length, uint8_t* reply, uint32_t* replyLength) {
    SlcState& g = SlcGlobals();
    if (!g.port) return SLC_NOT_OPEN;
    return SlcCollectCommand(g.tempFile, command, length, reply, replyLength);
}

int Close(const std::string& portName) {
    SlcState& g = SlcGlobals();
    ParReleaseDevice();
    if (!g.offlineFile.empty() && !g.tempFile.empty()) {
        SlcLog(SLC_LOG_PUBLIC, "SlcClosePort(Unidirectional workaround)\n");
        return ParCloseWorkaround();
    }
    ParDropWorkaround();
    ParCorvaneDosPort(false, portName.c_str());
    return SLC_OK;
}

void Cancel() {
    ParReleaseDevice();
    ParDropWorkaround();
}

}  // namespace oneway_port

int WorkaroundOffline(const std::string& name, int offline) {
    SlcState& g = SlcGlobals();
    if (!g.port) return SLC_FAIL;
    if (offline == 0) {
        const int rc = FileOffline(*g.port, 0);
        if (rc != SLC_OK) SlcNoteCollectFailure(g.tempFile, g.port->lastError());
        return rc;
    }
    // The workaround's offline.dat sits in its private folder, beside the commands.
    const std::string path = platform::SiblingPath(g.tempFile, "offline.dat");
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

int SlcCopyFiles() {
    SlcState& g = SlcGlobals();
    const platform::Platform& p = platform::current();
    int error = oneway_port::CopyStep(g.offlineFile, g.openPort);
    // Only a printer that was told to go offline may be sent the settings.
    if (error == 0) {
        // The printer needs time to go offline before the settings arrive.
        SlcSleep(SlcTimingTable().copyPauseMs);
        error = oneway_port::CopyStep(g.tempFile, g.openPort);
    }
    if (error != 0) {
        // Kept, so that the user can send them by hand once the printer is back.
        SlcSetProblem("the copy to the printer on " + g.openPort + " (" + p.parallel->deviceNode(g.openPort) +
                      ") failed: " + SlcErrnoReason(error) + "; the commands are kept in " + g.workFolder +
                      " (offline.dat first, then " + platform::FileNameOfPath(g.tempFile) + ")");
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
    oneway_port::ForgetWorkaround();
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
    oneway_port::ForgetWorkaround();
    return result;
}

const SlcTransport& SlcOneWayParallelTransport() {
    // Opened as a parallel port: the two-way open finds out that the port can only be written.
    static const SlcTransport table{"parallel",
                                    SlcTwoWayParallelTransport().open,
                                    oneway_port::Send,
                                    WorkaroundOffline,
                                    oneway_port::Close,
                                    oneway_port::Cancel};
    return table;
}
