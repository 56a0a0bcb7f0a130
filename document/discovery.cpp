#include "document/discovery.h"

#include <set>

#include "config/ascii.h"
#include "config/config.h"
#include "config/profile.h"
#include "platform/platform.h"
#include "platform/port_name.h"

namespace {

// Only ports the link drives and whose printer can be read.
bool IsDrivablePort(const std::string& port) { return platform::PortName::Parse(port).readable(); }

bool IsListedDriver(const std::vector<std::string>& driverNames, const std::string& driver) {
    for (const std::string& listed : driverNames) {
        // ASCII letters in any case; the bytes of multibyte characters must match exactly.
        if (EqualsAsciiNoCase(listed, driver)) return true;
    }
    return false;
}

}  // namespace

std::string PrinterLabel(const std::string& port, const std::string& name) { return port + " - " + name; }

DiscoveryResult DiscoverPrinters(platform::PrinterList* list, const Profile& ini,
                                 const std::vector<SlcAttachedPrinter>& attached) {
    DiscoveryResult result;
    std::vector<platform::InstalledPrinter> installed;
    if (!list || !list->list(installed)) {
        result.listReadable = false;
        if (list) result.listProblem = list->lastProblem();
        installed.clear();
    }
    const std::vector<std::string> driverNames = config::LoadDriverNames(ini);
    std::set<std::string> offered;  // ports an accepted queue offers
    for (const platform::InstalledPrinter& printer : installed) {
        if (!IsListedDriver(driverNames, printer.driverName) || !IsDrivablePort(printer.port)) continue;
        // A later printer with the same label replaces the earlier one.
        result.printers[PrinterLabel(printer.port, printer.name)] = printer.port;
        offered.insert(printer.port);
    }
    for (const SlcAttachedPrinter& device : attached) {
        if (offered.count(device.portName) != 0) continue;
        std::string name = device.model;
        for (const platform::InstalledPrinter& printer : installed) {
            if (printer.port == device.portName) {
                name = printer.name;
                break;
            }
        }
        result.printers[PrinterLabel(device.portName, name)] = device.portName;
        offered.insert(device.portName);
    }
    return result;
}

DiscoveryResult DiscoverPrinters() {
    return DiscoverPrinters(platform::current().printers, ConfigFile(), SlcFindAttachedPrinters());
}
