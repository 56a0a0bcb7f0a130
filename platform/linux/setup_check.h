// The checks of `devpanel-cli doctor`: what this machine offers a printer on each way DevPanel
// reaches one (parallel port, USB, CUPS), each check one finding: fine, or the problem with the
// command that mends it. Everything is read under the roots (dev, sys, proc, etc), so the checks
// run on testbed folders as on the machine. Nothing here opens a device for I/O, loads a module
// or changes a file; the calls block only on file-system look-ups.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/cups_printers.h"
#include "platform/linux/roots.h"
#include "platform/platform.h"

namespace platform::linux_impl {

struct SetupFinding {
    bool ok = true;
    std::string text;  // what was found: "module lp is loaded", "/dev/lp0 cannot be read by you"
    std::string fix;   // for a problem, the command or step that mends it; may be empty
};

struct SetupReport {
    std::vector<SetupFinding> findings;
    std::vector<std::string> usablePorts;  // "LPT1:", "USB001": a supported printer the user may open
};

// Whether a device ID belongs to a printer the link drives (the link's own test).
using DeviceIdRecognizer = std::function<bool(std::string_view deviceId)>;

// Whether a kernel module is loaded: listed in proc/modules, or built in (sys/module/NAME).
bool ModuleLoaded(const Roots& roots, const std::string& name);
// The "FILE:LINE" places of etc/modprobe.d/*.conf that blacklist the module, in file order.
std::vector<std::string> ModuleBlacklists(const Roots& roots, const std::string& name);

// Whether this computer has a parallel port: one the kernel made (sys/class/parportN), a node
// of one (dev/lpN, dev/parportN), or one the firmware declares (a PNP0400 or PNP0401 device,
// which parport_pc drives once it is loaded).
bool HasParallelPort(const Roots& roots);
// Whether a USB printer is attached: a usblp interface or node, or any USB interface of the
// printer class (bInterfaceClass 07), driven by usblp or not.
bool HasUsbPrinter(const Roots& roots);

// The parallel ports (one finding saying so on a computer without one): modules lp, parport_pc and ppdev; each dev/lpN (read and write permission);
// its parportN autoprobe text (present, empty, recognised). LPTn is usable when its node may be
// written (a node that cannot be read is driven one-way) and its device ID is recognised, from the probe text or, where the probe text
// is empty, through ppdev's dev/parportN.
SetupReport CheckParallelPorts(const Roots& roots, const DeviceIdRecognizer& recognize);

// The USB printers (one finding saying so when none is attached, no queue of ours holds one and
// usblp is not blacklisted): usblp loaded or blacklisted; each usblp interface and node dev/usb/lpN
// (presence, permissions), its ieee1284_id (readable, recognised); queues holding the printer.
// queues is the CUPS list (empty when it cannot be read): a supported queue on a usb:// URI
// that names no attached usblp interface is a printer that the CUPS backend holds or that
// usblp does not drive.
SetupReport CheckUsbPrinters(const Roots& roots, const DeviceIdRecognizer& recognize,
                             const std::vector<InstalledPrinter>& queues, const std::vector<std::string>& driverNames);

// The status lines of a usable port's printer, as readStatus gives them (false: they cannot be
// told, and nothing is said about that port).
using StatusReader = std::function<bool(const std::string& port, ParallelStatus& status)>;
// One problem for each of ports whose printer reports that it is off-line (SELECT low): a
// program stopped in the middle of an apply leaves it so, and devpanel-cli online mends it.
SetupReport CheckPrinterStates(const std::vector<std::string>& ports, const StatusReader& readStatus);
// The status lines of USB printer port (USB001 ...) through usblp's LPGETSTATUS on its node
// dev/usb/lpN, opened for writing without waiting: nothing is sent to the printer. False
// (errorNumber set) for a port without such a node, or a node without status lines.
bool ReadUsbPrinterStatus(const Roots& roots, const std::string& port, ParallelStatus& status, int& errorNumber);

// What asking the CUPS server for its queues gave (LinuxPrinterList).
struct CupsListing {
    CupsFailure failure = CupsFailure::None;  // None: the queues were read
    std::string problem;                      // why not, as LinuxPrinterList::lastProblem says
    std::vector<InstalledPrinter> queues;
};

// The CUPS server (reachable, or why not, with the step that fits: start the scheduler, install
// it, ...) and the queues whose make and model is one of driverNames (compared without regard
// to case), on a port the link drives or not. Names no usable port: a queue is no proof that
// its printer answers.
SetupReport CheckCupsQueues(const CupsListing& cups, const std::vector<std::string>& driverNames);

// "MFG MODEL" of a device ID, for messages; "an unnamed device" when it names neither.
std::string DeviceIdName(std::string_view deviceId);

}  // namespace platform::linux_impl
