// The installed-printer list from the CUPS server: queue name, make and model as the driver name,
// and the device URI mapped to the system port the link drives.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace platform::linux_impl {

class LinuxUsbPrinters;

// The port of a device URI:
//   parallel:/dev/lp{N}              -> "LPT{N+1}:"
//   usb://MAKE/MODEL?serial=S...     -> "USB{nnn}" of the usblp interface whose device ID has
//                                       that model and serial number; the URI itself when none
//   anything else                    -> the URI itself (a port the start-up does not offer)
std::string portForDeviceUri(const std::string& uri, const std::vector<UsbInterface>& usbInterfaces,
                             const std::vector<int>& usbIndexes);

// %XX escapes of a URI component decoded; a malformed escape is kept as it stands.
std::string percentDecode(const std::string& text);

class LinuxPrinterList : public PrinterList {
public:
    // usb: where usb:// URIs are looked up. connectMs bounds the connection, requestMs each of the
    // requests the list takes (libcups adds about a second to each): a silent server costs about
    // connectMs + 2 * (requestMs + 1000) ms.
    LinuxPrinterList(LinuxUsbPrinters& usb, int connectMs = 2000, int requestMs = 1500)
        : usb_(usb), connectMs_(connectMs), requestMs_(requestMs) {}
    // Asks the default server (cupsServer(): CUPS_SERVER, client.conf or the local socket).
    // False when the server cannot be reached or refuses the request.
    bool list(std::vector<InstalledPrinter>& out) override;

private:
    LinuxUsbPrinters& usb_;
    int connectMs_;
    int requestMs_;
};

}  // namespace platform::linux_impl
