// The parallel port's one-way workaround: commands are collected in a private temporary file,
// the offline record in offline.dat beside it, and the close copies both to the port.
#include "link/link_private.h"
#include "link/transport.h"

// Named, not anonymous: a unity build compiles the four tables as one file.
namespace oneway_port {

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
