#include "document/discovery.h"

#include <vector>

#include "config/ascii.h"
#include "config/config.h"
#include "config/profile.h"
#include "platform/platform.h"

namespace {

// Only ports the link drives; the prefix test is case-sensitive, as the link's own.
bool IsDrivablePort(const std::string& port) {
    return port.compare(0, 3, "LPT") == 0 || port.compare(0, 3, "USB") == 0;
}

}  // namespace

std::string PrinterLabel(const std::string& port, const std::string& name) { return port + " - " + name; }

DiscoveryResult DiscoverPrinters(platform::PrinterList* list, const Profile& ini) {
    DiscoveryResult result;
    std::vector<platform::InstalledPrinter> installed;
    if (!list || !list->list(installed)) {
        result.listReadable = false;
        return result;
    }
    const std::vector<std::string> driverNames = config::LoadDriverNames(ini);
    for (const platform::InstalledPrinter& printer : installed) {
        bool listed = false;
        for (const std::string& driver : driverNames) {
            // ASCII letters in any case; the bytes of multibyte characters must match exactly.
            if (EqualsAsciiNoCase(driver, printer.driverName)) {
                listed = true;
                break;
            }
        }
        if (!listed || !IsDrivablePort(printer.port)) continue;
        // A later printer with the same label replaces the earlier one.
        result.printers[PrinterLabel(printer.port, printer.name)] = printer.port;
    }
    return result;
}

DiscoveryResult DiscoverPrinters() { return DiscoverPrinters(platform::current().printers, ConfigFile()); }
