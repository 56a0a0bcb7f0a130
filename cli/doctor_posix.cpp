// The Linux side of devpanel-cli doctor: the checks of platform/linux/setup_check.h under the
// roots the environment names, the CUPS queue list, and the link's log settings.
#include <algorithm>

#include "cli/doctor.h"
#include "link/attached_printers.h"
#include "platform/linux/cups_printers.h"
#include "platform/linux/device_id.h"
#include "platform/linux/setup_check.h"
#include "platform/linux/usb.h"
#include "platform/linux/user_files.h"

namespace cli {

namespace {

using namespace platform::linux_impl;

DoctorSection SectionOf(const std::string& title, const SetupReport& report, std::vector<std::string>& usablePorts) {
    DoctorSection section{title, {}};
    for (const SetupFinding& f : report.findings) section.findings.push_back({f.ok, f.text, f.fix});
    usablePorts.insert(usablePorts.end(), report.usablePorts.begin(), report.usablePorts.end());
    return section;
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
                                              " (1 operations, 2 every step, 16 hex dumps; 0 nothing)", {}});
    } else {
        section.findings.push_back({false, settings + " has no valid LoggingLevel line, so nothing is logged",
                                    "echo 'LoggingLevel = 19' >> " + settings});
    }
    section.findings.push_back({true, "log file " + LinuxLogSink().path(), {}});
    return section;
}

}  // namespace

std::vector<DoctorSection> CheckSystemSetUp(const std::vector<std::string>& driverNames,
                                            std::vector<std::string>& usablePorts) {
    const Roots roots = Roots::fromEnvironment();
    // A device is a supported printer when the manufacturer and model of its ID are one of the
    // configuration's driver names, the names its queues carry.
    const DeviceIdRecognizer recognize = [&driverNames](std::string_view id) {
        const std::string model = SlcDeviceIdModel(std::string(id));
        return std::any_of(driverNames.begin(), driverNames.end(),
                           [&](const std::string& name) { return equalsIgnoreCase(name, model); });
    };
    LinuxUsbPrinters usb(roots);
    LinuxPrinterList printerList(usb);
    std::vector<platform::InstalledPrinter> queues;
    const bool listed = printerList.list(queues);

    std::vector<DoctorSection> sections;
    sections.push_back(SectionOf("Parallel port", CheckParallelPorts(roots, recognize), usablePorts));
    sections.push_back(SectionOf("USB", CheckUsbPrinters(roots, recognize, queues, driverNames), usablePorts));
    sections.push_back(SectionOf("CUPS", CheckCupsQueues(listed, queues, driverNames), usablePorts));
    sections.push_back(CheckLog());
    return sections;
}

}  // namespace cli
