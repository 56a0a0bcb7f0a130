#include "platform/linux/setup_check.h"

#include <fcntl.h>
#include <grp.h>
#include <linux/lp.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/linux/device_id.h"
#include "platform/linux/port_names.h"
#include "platform/paths.h"
#include "platform/port_name.h"

namespace platform::linux_impl {

namespace fs = std::filesystem;

namespace {

constexpr size_t kSmallFileLimit = 64 * 1024;

SetupFinding Ok(std::string text) { return {true, std::move(text), {}}; }
SetupFinding Problem(std::string text, std::string fix) { return {false, std::move(text), std::move(fix)}; }

// The N of every "lpN" entry of folder, in numeric order.
std::vector<int> LpIndexes(const std::string& folder) {
    std::vector<int> indexes;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() < 3 || name.compare(0, 2, "lp") != 0) continue;
        if (!std::all_of(name.begin() + 2, name.end(), [](unsigned char c) { return std::isdigit(c); })) continue;
        if (name.size() > 5) continue;  // no machine has that many
        indexes.push_back(std::stoi(name.substr(2)));
    }
    std::sort(indexes.begin(), indexes.end());
    return indexes;
}

bool Exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

std::string ModuleFix(const std::string& module) { return "sudo modprobe " + module; }

// The group that may use a device node, for the hint that lets the user in.
std::string GroupHint(const std::string& node) {
    struct stat st {};
    std::string group = "lp";
    if (::stat(node.c_str(), &st) == 0) {
        if (const struct group* g = ::getgrgid(st.st_gid); g != nullptr && g->gr_name != nullptr) group = g->gr_name;
    }
    return "sudo usermod -aG " + group + " $USER, then log out and in again";
}

// One finding on a node's permissions; true when the user may read and write it.
bool CheckNodeAccess(const std::string& node, std::vector<SetupFinding>& findings) {
    const bool read = UserMayRead(node), write = UserMayWrite(node);
    if (read && write) {
        findings.push_back(Ok(node + " may be read and written by you"));
        return true;
    }
    const std::string what = !read && !write ? "can be neither read nor written" : !read ? "cannot be read" : "cannot be written";
    findings.push_back(Problem(node + " " + what + " by you", GroupHint(node)));
    return false;
}

void AddModuleFindings(const Roots& roots, std::initializer_list<const char*> modules, std::vector<SetupFinding>& out) {
    for (const char* module : modules) {
        if (ModuleLoaded(roots, module)) out.push_back(Ok(std::string("module ") + module + " is loaded"));
        else out.push_back(Problem(std::string("module ") + module + " is not loaded", ModuleFix(module)));
    }
}

// The probe text of parportN, and what it says; true when it names a recognised printer or is
// empty with ppdev there to ask the printer itself.
bool CheckAutoprobe(const Roots& roots, int index, const DeviceIdRecognizer& recognize, std::vector<SetupFinding>& out) {
    const std::string file = roots.procPath("proc/sys/dev/parport/parport" + std::to_string(index) + "/autoprobe");
    const std::string ppdev = roots.devPath("dev/parport" + std::to_string(index));
    int error = 0;
    const std::optional<std::string> text = readSmallFile(file, kSmallFileLimit, error);
    const std::string id = text ? joinAutoprobeLines(*text) : std::string();
    if (!text || id.empty()) {
        const std::string state = text ? file + " is empty: the printer did not answer the kernel's probe"
                                       : file + " is missing: the kernel keeps no probe text for this port";
        if (Exists(ppdev)) {
            out.push_back(Ok(state + "; the device ID is asked through " + ppdev + " (ppdev)"));
            return true;
        }
        out.push_back(Problem(state + ", and " + ppdev + " (ppdev) is missing",
                              "switch the printer on, then: sudo modprobe ppdev (or sudo modprobe -r lp parport_pc && "
                              "sudo modprobe parport_pc lp to probe again); a port without a reverse channel gives "
                              "no ID at all, and is written one way while its printer reports ready: try "
                              "devpanel-cli --port LPT" + std::to_string(index + 1) + ": read"));
        return false;
    }
    if (!recognize(id)) {
        out.push_back(Problem(file + " names " + DeviceIdName(id) + ", not a printer DevPanel supports",
                              "connect the Altrin Pressline T90 to this port"));
        return false;
    }
    out.push_back(Ok(file + " names " + DeviceIdName(id) + ", a supported printer"));
    return true;
}

// The entries of a folder whose name starts with prefix ("parport", "lp").
bool AnyEntry(const std::string& folder, const std::string& prefix) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        if (entry.path().filename().string().rfind(prefix, 0) == 0) return true;
    }
    return false;
}

// Whether any device of bus folder (sys/bus/pnp/devices, sys/bus/usb/devices) has a file name
// whose text starts with one of values: a parallel port the firmware declares (PNP0400, PNP0401
// in its id), a USB interface of the printer class (bInterfaceClass 07).
bool AnyDeviceWith(const std::string& folder, const std::string& name, std::initializer_list<const char*> values) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        int error = 0;
        const std::optional<std::string> text = readSmallFile(entry.path().string() + "/" + name, kSmallFileLimit, error);
        if (!text) continue;
        for (const char* value : values) {
            if (text->find(value) != std::string::npos) return true;
        }
    }
    return false;
}

bool EqualsAnyIgnoreCase(const std::string& text, const std::vector<std::string>& names) {
    return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return equalsIgnoreCase(n, text); });
}

bool IsDrivenPort(const std::string& port) { return PortName::Parse(port).readable(); }

}  // namespace

bool ModuleLoaded(const Roots& roots, const std::string& name) {
    int error = 0;
    if (const auto modules = readSmallFile(roots.procPath("proc/modules"), 1024 * 1024, error)) {
        size_t start = 0;
        while (start < modules->size()) {
            const size_t end = std::min(modules->find('\n', start), modules->size());
            const std::string line = modules->substr(start, end - start);
            if (line.compare(0, name.size() + 1, name + " ") == 0) return true;
            start = end + 1;
        }
    }
    return Exists(roots.sysPath("sys/module/" + name));
}

std::vector<std::string> ModuleBlacklists(const Roots& roots, const std::string& name) {
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(roots.etcPath("etc/modprobe.d"), ec)) {
        if (entry.path().extension() == ".conf") files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    std::vector<std::string> places;
    for (const std::string& file : files) {
        std::ifstream in(file);
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            const size_t first = line.find_first_not_of(" \t");
            if (first == std::string::npos || line.compare(first, 9, "blacklist") != 0) continue;
            const size_t word = line.find_first_not_of(" \t", first + 9);
            if (word == first + 9 || word == std::string::npos) continue;
            const std::string module = line.substr(word, line.find_first_of(" \t#", word) - word);
            if (module == name) places.push_back(file + ":" + std::to_string(number));
        }
    }
    return places;
}

std::string DeviceIdName(std::string_view deviceId) {
    const auto make = deviceIdField(deviceId, {"MFG", "MANUFACTURER"});
    const auto model = deviceIdField(deviceId, {"MDL", "MODEL"});
    if (!make && !model) return "an unnamed device";
    if (make && model) return "\"" + *make + " " + *model + "\"";
    return "\"" + (make ? *make : *model) + "\"";
}

bool HasParallelPort(const Roots& roots) {
    return AnyEntry(roots.sysPath("sys/class/parport"), "parport") || !LpIndexes(roots.devPath("dev")).empty() ||
           AnyEntry(roots.devPath("dev"), "parport") ||
           AnyDeviceWith(roots.sysPath("sys/bus/pnp/devices"), "id", {"PNP0400", "PNP0401"});
}

bool HasUsbPrinter(const Roots& roots) {
    return !LpIndexes(roots.sysPath("sys/class/usbmisc")).empty() || !LpIndexes(roots.devPath("dev/usb")).empty() ||
           AnyDeviceWith(roots.sysPath("sys/bus/usb/devices"), "bInterfaceClass", {"07"});
}

SetupReport CheckParallelPorts(const Roots& roots, const DeviceIdRecognizer& recognize) {
    SetupReport report;
    // Modules and nodes matter only where there is a port for them to drive.
    if (!HasParallelPort(roots)) {
        report.findings.push_back(Ok("this computer has no parallel port (no parport in " +
                                     roots.sysPath("sys/class/parport") + ", no " + roots.devPath("dev/lp*") +
                                     ", none declared by the firmware): nothing to check"));
        return report;
    }
    AddModuleFindings(roots, {"lp", "parport_pc", "ppdev"}, report.findings);
    const std::vector<int> nodes = LpIndexes(roots.devPath("dev"));
    if (nodes.empty()) {
        report.findings.push_back(Problem("no parallel printer node " + roots.devPath("dev/lp0"),
                                          "sudo modprobe parport_pc lp (and enable the parallel port in the "
                                          "computer's firmware set-up)"));
        return report;
    }
    // A node that may be written but not read still serves: the link drives it one-way.
    for (int index : nodes) {
        const std::string node = roots.devPath("dev/lp" + std::to_string(index));
        CheckNodeAccess(node, report.findings);
        const bool recognised = CheckAutoprobe(roots, index, recognize, report.findings);
        if (UserMayWrite(node) && recognised) report.usablePorts.push_back("LPT" + std::to_string(index + 1) + ":");
    }
    return report;
}

SetupReport CheckUsbPrinters(const Roots& roots, const DeviceIdRecognizer& recognize,
                             const std::vector<InstalledPrinter>& queues, const std::vector<std::string>& driverNames) {
    SetupReport report;
    const auto heldByCups = [&](const InstalledPrinter& queue) {
        return queue.port.rfind("usb://", 0) == 0 && EqualsAnyIgnoreCase(queue.driverName, driverNames);
    };
    // Without a USB printer usblp has nothing to serve (udev loads it when one is plugged in);
    // a blacklist still stops every one to come, so it is still named.
    if (!HasUsbPrinter(roots) && std::none_of(queues.begin(), queues.end(), heldByCups) &&
        ModuleBlacklists(roots, "usblp").empty()) {
        report.findings.push_back(Ok("no USB printer is attached (no printer interface in " +
                                     roots.sysPath("sys/bus/usb/devices") + ", no " + roots.devPath("dev/usb/lp*") +
                                     "): nothing to check"));
        return report;
    }
    if (ModuleLoaded(roots, "usblp")) {
        report.findings.push_back(Ok("module usblp is loaded"));
    } else if (const auto places = ModuleBlacklists(roots, "usblp"); !places.empty()) {
        const std::string file = places.front().substr(0, places.front().rfind(':'));
        report.findings.push_back(Problem("module usblp is blacklisted in " + places.front(),
                                          "sudo sed -i 's/^\\s*blacklist\\s\\+usblp/# &/' " + file +
                                              " && sudo modprobe usblp"));
    } else {
        report.findings.push_back(Problem("module usblp is not loaded", ModuleFix("usblp")));
    }

    std::vector<int> indexes = LpIndexes(roots.sysPath("sys/class/usbmisc"));
    for (int node : LpIndexes(roots.devPath("dev/usb"))) {
        if (std::find(indexes.begin(), indexes.end(), node) == indexes.end()) indexes.push_back(node);
    }
    std::sort(indexes.begin(), indexes.end());
    for (int index : indexes) {
        const std::string port = usbPortName(index);
        const std::string node = roots.devPath("dev/usb/lp" + std::to_string(index));
        bool usable = Exists(node);
        if (!usable) {
            report.findings.push_back(Problem(port + ": " + node + " is missing", "sudo udevadm trigger --subsystem-match=usbmisc"));
        } else {
            usable = CheckNodeAccess(node, report.findings);
        }
        const std::string idFile = roots.sysPath("sys/class/usbmisc/lp" + std::to_string(index) + "/device/ieee1284_id");
        int error = 0;
        const std::optional<std::string> id = readSmallFile(idFile, kSmallFileLimit, error);
        if (!id || trimLineEnd(*id).empty()) {
            report.findings.push_back(Problem(port + ": the device ID " + idFile + " cannot be read",
                                              "unplug the printer and plug it in again"));
            usable = false;
        } else if (!recognize(trimLineEnd(*id))) {
            report.findings.push_back(Problem(port + " is " + DeviceIdName(*id) + ", not a printer DevPanel supports",
                                              "connect the Altrin Pressline T90 by USB"));
            usable = false;
        } else {
            report.findings.push_back(Ok(port + " is " + DeviceIdName(*id) + ", a supported printer"));
        }
        for (const InstalledPrinter& queue : queues) {
            if (queue.port == port)
                report.findings.push_back(Ok(port + " is also the printer of CUPS queue " + queue.name +
                                             "; if " + port + " is busy, pause it: cupsdisable " + queue.name));
        }
        if (usable) report.usablePorts.push_back(port);
    }
    // A usb:// queue of ours whose printer usblp does not show: the CUPS backend holds it (a job
    // is printing or the queue keeps the device), or usblp was detached from it.
    for (const InstalledPrinter& queue : queues) {
        if (!heldByCups(queue)) continue;
        report.findings.push_back(Problem("CUPS queue " + queue.name + " (" + queue.port +
                                              ") holds a printer that usblp does not show",
                                          "lpstat -o " + queue.name + "; cupsdisable " + queue.name +
                                              "; then unplug and replug the printer (or sudo modprobe -r usblp && "
                                              "sudo modprobe usblp)"));
    }
    if (indexes.empty())
        report.findings.push_back(Problem("no USB printer node " + roots.devPath("dev/usb/lp0"),
                                          "connect the printer by USB and switch it on"));
    return report;
}

SetupReport CheckCupsQueues(const CupsListing& cups, const std::vector<std::string>& driverNames) {
    SetupReport report;
    const std::vector<InstalledPrinter>& queues = cups.queues;
    if (cups.failure != CupsFailure::None) {
        const std::string without = "; without it, name the port: devpanel-cli --port USB001 read";
        std::string fix;
        switch (cups.failure) {
            case CupsFailure::Library: fix = "sudo apt install libcups2" + without; break;
            case CupsFailure::NoScheduler: fix = "sudo apt install cups (or set CUPS_SERVER to a print server)" + without; break;
            case CupsFailure::RemoteServer:
                fix = "start the print server that CUPS_SERVER (or client.conf) names, or name another" + without;
                break;
            case CupsFailure::Refused: fix = "let this user list the queues in the server's cupsd.conf" + without; break;
            default: fix = "sudo systemctl start cups (or set CUPS_SERVER)" + without; break;
        }
        report.findings.push_back(
            Problem("the CUPS queues cannot be read" + (cups.problem.empty() ? std::string() : ": " + cups.problem), fix));
        return report;
    }
    report.findings.push_back(Ok("the CUPS server answers (" + std::to_string(queues.size()) + " queues)"));
    bool any = false;
    for (const InstalledPrinter& queue : queues) {
        if (!EqualsAnyIgnoreCase(queue.driverName, driverNames)) continue;
        any = true;
        if (IsDrivenPort(queue.port)) {
            report.findings.push_back(Ok("queue " + queue.name + " (" + queue.driverName + ") prints on " + queue.port));
        } else {
            report.findings.push_back(Problem("queue " + queue.name + " (" + queue.driverName + ") prints on " +
                                                  queue.port + ", which DevPanel does not drive",
                                              "connect the printer to this computer by USB or the parallel port, "
                                              "or save a command file and send it: devpanel-cli send FILE --queue " +
                                                  queue.name));
        }
    }
    if (!any) {
        std::string names;
        for (const std::string& n : driverNames) names += (names.empty() ? "" : ", ") + n;
        report.findings.push_back(Problem("no queue's make and model is one of DriverNames (" + names + ")",
                                          "add the printer in CUPS with its driver (the desktop's printer settings "
                                          "or lpadmin), or name the port: devpanel-cli --port LPT1: read"));
    }
    return report;
}

SetupReport CheckPrinterStates(const std::vector<std::string>& ports, const StatusReader& readStatus) {
    SetupReport report;
    for (const std::string& port : ports) {
        ParallelStatus status;
        if (!readStatus(port, status)) continue;
        if (status.selected) {
            report.findings.push_back(Ok("the printer on " + port + " reports that it is on-line"));
        } else {
            report.findings.push_back(Problem("the printer on " + port + " reports that it is off-line",
                                              "devpanel-cli --port " + port + " online (a program stopped in the "
                                              "middle of an apply leaves it so), or put it online on its operator "
                                              "panel"));
        }
    }
    return report;
}

bool ReadUsbPrinterStatus(const Roots& roots, const std::string& port, ParallelStatus& status, int& errorNumber) {
    errorNumber = ENOENT;
    for (int index : LpIndexes(roots.devPath("dev/usb"))) {
        if (usbPortName(index) != port) continue;
        const int fd = ::open(roots.devPath("dev/usb/lp" + std::to_string(index)).c_str(),
                              O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) {
            errorNumber = errno;
            return false;
        }
        int lines = 0;
        const bool read = ::ioctl(fd, LPGETSTATUS, &lines) == 0;
        errorNumber = read ? 0 : errno;
        ::close(fd);
        if (!read) return false;
        // The port status byte of the USB printer class, laid out as a parallel port's register.
        status.selected = (lines & LP_PSELECD) != 0;
        status.paperOut = (lines & LP_POUTPA) != 0;
        status.fault = (lines & LP_PERRORP) == 0;
        return true;
    }
    return false;
}

}  // namespace platform::linux_impl
