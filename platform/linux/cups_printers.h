// The installed-printer list from the CUPS server: queue name, make and model as the driver name,
// and the device URI mapped to the system port the link drives.
#pragma once

#include <string>
#include <vector>

#include "platform/linux/roots.h"
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

// Whether the CUPS scheduler is installed on this machine: its configuration (cupsd.conf or
// cups-files.conf) is in etc/cups under the etc root. Does not block beyond file look-ups.
bool CupsSchedulerInstalled(const Roots& roots);

// Whether a server as cupsServer() names it is this machine: a local socket or a loopback name.
bool IsLocalCupsServer(const std::string& server);

// Why the queue list could not be read.
enum class CupsFailure {
    None,              // it was read
    Library,           // libcups cannot be loaded
    NoScheduler,       // this machine's server was asked, and no scheduler is installed here
    SchedulerStopped,  // this machine's server was asked; the scheduler is installed, not running
    RemoteServer,      // another machine's server (CUPS_SERVER, client.conf) does not answer
    Refused,           // the server answered but did not list its queues
};

class LinuxPrinterList : public PrinterList {
public:
    // usb: where usb:// URIs are looked up; roots: where the scheduler's installation is looked
    // for. connectMs bounds the connection, requestMs each of the requests the list takes
    // (libcups adds about a second to each): a silent server costs about
    // connectMs + 2 * (requestMs + 1000) ms.
    LinuxPrinterList(LinuxUsbPrinters& usb, Roots roots, int connectMs = 2000, int requestMs = 1500)
        : usb_(usb), roots_(std::move(roots)), connectMs_(connectMs), requestMs_(requestMs) {}
    // Asks the default server (cupsServer(): CUPS_SERVER, client.conf or the local socket).
    // False when the server cannot be reached or refuses the request.
    bool list(std::vector<InstalledPrinter>& out) override;
    // After a failed list(): "libcups cannot be loaded (package libcups2)", "no CUPS scheduler
    // answers at SERVER" with, for this machine's own server, whether the scheduler is installed
    // here, or "the CUPS scheduler at SERVER did not list its queues: ERROR".
    std::string lastProblem() override { return problem_; }
    // The kind of the last failure; None after a successful list().
    CupsFailure lastFailure() const { return failure_; }

private:
    LinuxUsbPrinters& usb_;
    Roots roots_;
    int connectMs_;
    int requestMs_;
    std::string problem_;
    CupsFailure failure_ = CupsFailure::None;
};

}  // namespace platform::linux_impl
