// The two-way parallel port: commands and the offline exchange through the reader thread. Its
// open also finds a port that can only be written, and hands over to the one-way table.
#include "link/link_private.h"
#include "link/transport.h"

// Named, not anonymous: a unity build compiles the four tables as one file.
namespace parallel_port {

int Open(const std::string& portName) { return ParOpenPort(portName.c_str()); }

int Send(const std::string&, const uint8_t* command, uint32_t length, uint8_t* reply, uint32_t* replyLength) {
    if (!SlcGlobals().port) return SLC_NOT_OPEN;
    return ParSendCommand(command, length, reply, replyLength);
}

int Offline(const std::string& portName, int offline) {
    return RegisteredOfflineExchange(portName, offline, Send, ParOffline);
}

int Close(const std::string& portName) {
    ParReleaseDevice();
    ParCorvaneDosPort(false, portName.c_str());
    return SLC_OK;
}

}  // namespace parallel_port

void ParReleaseDevice() {
    SlcState& g = SlcGlobals();
    // The reader reads from the device that is about to be closed: end it first.
    SlcStopReader();
    g.parallel = nullptr;
    g.port.reset();
}

const SlcTransport& SlcTwoWayParallelTransport() {
    static const SlcTransport table{"parallel",
                                    parallel_port::Open,
                                    parallel_port::Send,
                                    parallel_port::Offline,
                                    parallel_port::Close,
                                    ParReleaseDevice};
    return table;
}
