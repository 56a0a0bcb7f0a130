// The Linux side of devpanel-cli doctor: the checks of platform/linux/setup_check.h under the
// roots the environment names, the CUPS queue list, and the link's log settings.

#include "cli/doctor.h"
#include "link/npa_detect.h"
#include "platform/linux/cups_printers.h"
#include "platform/linux/device_id.h"
#include "platform/linux/parallel.h"
#include "platform/linux/setup_check.h"
#include "platform/linux/usb.h"
#include "platform/linux/user_files.h"
#include "platform/paths.h"

namespace cli {

namespace {

using namespace platform::linux_impl;

DoctorSection SectionOf(const std::string& title, const SetupReport& report, std::vector<std::string>& usablePorts) {
    DoctorSection section{title, {}};
    for (const SetupFinding& f : report.findings) section.findings.push_back({f.ok, f.text, f.fix});
    usablePorts.insert(usablePorts.end(), report.usablePorts.begin(), report.usablePorts.end());
    return section;
}

// Whether the link can write its log: the file, or before the first logged run the nearest
// folder on the way to it that exists (the link makes the missing ones). Nothing is created.
DoctorFinding CheckLogFile(const std::string& log) {
    int error = 0;
    const std::string folder = log.substr(0, log.rfind('/'));
    switch (platform::KindOfPath(log, error)) {
        case platform::Files::Kind::Regular:
            if (platform::UserMayWrite(log)) return {true, "log file " + log, {}};
            return {false, "log file " + log + " cannot be written by you", "sudo chown $USER " + log};
        case platform::Files::Kind::Missing: {
            std::string existing = folder;
            while (existing.find('/') != std::string::npos &&
                   platform::KindOfPath(existing, error) == platform::Files::Kind::Missing)
                existing = existing.substr(0, existing.rfind('/'));
            if (existing.empty()) existing.push_back('/');  // the root
            const std::string where = existing == folder ? "its folder " + folder
                                                         : existing + ", where its folder " + folder + " will be made,";
            if (platform::KindOfPath(existing, error) == platform::Files::Kind::Folder && platform::UserMayWrite(existing))
                return {true, "log file " + log + " does not exist yet; " + where + " may be written by you", {}};
            return {false, "log file " + log + " cannot be created: " + where + " cannot be written by you",
                    "sudo mkdir -p " + folder + " && sudo chown $USER " + folder +
                        " (or set XDG_STATE_HOME to a folder of yours)"};
        }
        default:
            return {false, "log file " + log + " is not a regular file: the link writes no log through it",
                    "rm " + log + " (the next logged run makes it anew)"};
    }
}

// The level and the two files of the link's log; only read, never created here.
DoctorSection CheckLog() {
    DoctorSection section{"Log", {}};
    const std::string settings = LinuxSettingsStore().path();
    int error = 0;
    const auto text = readSmallFile(settings, 64 * 1024, error);
    if (!text) {
        section.findings.push_back({true, "log level 0 (nothing is logged): " + settings +
                                              " does not exist yet; the first run creates it with LoggingLevel=0", {}});
    } else if (const auto level = parseLoggingLevel(*text)) {
        section.findings.push_back({true, "log level " + std::to_string(*level) + " from " + settings +
                                              " (1: each operation; 2: every step; 16: every byte in hex; 0: nothing; add them up)", {}});
    } else {
        section.findings.push_back({false, settings + " has no valid LoggingLevel line, so nothing is logged",
                                    "echo 'LoggingLevel = 19' >> " + settings});
    }
    section.findings.push_back(CheckLogFile(LinuxLogSink().path()));
    return section;
}

}  // namespace

std::vector<DoctorSection> CheckSystemSetUp(const std::vector<std::string>& driverNames,
                                            std::vector<std::string>& usablePorts) {
    const Roots roots = Roots::fromEnvironment();
    // A device is a supported printer when the link would take it: the same test as its open
    // and the start-up's discovery.
    const DeviceIdRecognizer recognize = [](std::string_view id) { return IsRecognizedDeviceId(id.data(), id.size()); };
    LinuxUsbPrinters usb(roots);
    LinuxPrinterList printerList(usb, roots);
    CupsListing cups;
    if (!printerList.list(cups.queues)) {
        cups.failure = printerList.lastFailure();
        cups.problem = printerList.lastProblem();
    }

    std::vector<DoctorSection> sections;
    const SetupReport parallel = CheckParallelPorts(roots, recognize);
    const SetupReport usbPrinters = CheckUsbPrinters(roots, recognize, cups.queues, driverNames);
    sections.push_back(SectionOf("Parallel port", parallel, usablePorts));
    sections.push_back(SectionOf("USB", usbPrinters, usablePorts));
    sections.push_back(SectionOf("CUPS", CheckCupsQueues(cups, driverNames), usablePorts));
    sections.push_back(CheckLog());
    // What the usable printers' status lines say: one left off-line by a stopped apply is usable
    // but prints nothing until it is asked back online.
    LinuxParallelPorts parallelPorts(roots);
    const StatusReader parallelLines = [&](const std::string& port, platform::ParallelStatus& status) {
        int error = 0;
        return parallelPorts.readStatus(port, status, error);
    };
    const StatusReader usbLines = [&](const std::string& port, platform::ParallelStatus& status) {
        int error = 0;
        return ReadUsbPrinterStatus(roots, port, status, error);
    };
    std::vector<SetupFinding> states = CheckPrinterStates(parallel.usablePorts, parallelLines).findings;
    for (SetupFinding& f : CheckPrinterStates(usbPrinters.usablePorts, usbLines).findings) states.push_back(std::move(f));
    if (!states.empty()) {
        DoctorSection section{"Printer state", {}};
        for (const SetupFinding& f : states) section.findings.push_back({f.ok, f.text, f.fix});
        sections.insert(sections.end() - 1, std::move(section));
    }
    return sections;
}

}  // namespace cli
