// The FILE port: a command file written to a temporary beside its name, with offline.dat, and
// put in place by the close.
#include "link/link_private.h"
#include "link/transport.h"

// Named, not anonymous: a unity build compiles the four tables as one file.
namespace file_port {

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

const SlcTransport& SlcFileTransport() {
    static const SlcTransport table{"FILE",
                                    FileOpenPort,
                                    file_port::Send,
                                    FileTargetOffline,
                                    file_port::Close,
                                    file_port::Cancel};
    return table;
}
