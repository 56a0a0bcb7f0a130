// The USB port: each command on a write pipe opened for it, replies through the reader thread.
#include "link/link_private.h"
#include "link/transport.h"
#include "link/usb_private.h"

// Named, not anonymous: a unity build compiles the four tables as one file.
namespace usb_port {

int Open(const std::string& portName) { return UsbOpenPort(portName.c_str()); }

int Send(const std::string&, const uint8_t* command, uint32_t length, uint8_t* reply, uint32_t* replyLength) {
    return UsbSendCommand(SlcGlobals().devicePath, command, length, reply, replyLength);
}

int Exchange(int offline) { return UsbOffline(SlcGlobals().devicePath, offline); }

int Offline(const std::string& portName, int offline) { return RegisteredOfflineExchange(portName, offline, Send, Exchange); }

void Cancel() {
    SlcLog(SLC_LOG_TRACE, "SlcClosePort(): before setting bExpectingResponse(FALSE)\n");
    SlcStopReader();
    SlcLog(SLC_LOG_TRACE, "SlcClosePort(): after setting bExpectingResponse(FALSE)\n");
}

// Nothing was collected: closing is ending the reader.
int Close(const std::string&) {
    Cancel();
    return SLC_OK;
}

}  // namespace usb_port

const SlcTransport& SlcUsbTransport() {
    static const SlcTransport table{"USB",
                                    usb_port::Open,
                                    usb_port::Send,
                                    usb_port::Offline,
                                    usb_port::Close,
                                    usb_port::Cancel};
    return table;
}
