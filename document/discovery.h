// Finds the installed printers this program can drive: those whose driver the configuration's
// "DriverNames" section lists and whose port is a parallel ("LPT") or USB ("USB") port.
#pragma once

#include <map>
#include <string>

class Profile;
namespace platform {
class PrinterList;
}

// Printer label ("PORT - NAME") -> port name, sorted by label.
using PrinterTable = std::map<std::string, std::string>;

struct DiscoveryResult {
    // False when the installed printers cannot be listed at all (the start-up then shows
    // 61209 / 61210 and, with the table empty, 61205 / 61206).
    bool listReadable = true;
    PrinterTable printers;
};

// Over the installed platform's printer list and ConfigFile().
DiscoveryResult DiscoverPrinters();
// Over the given list and configuration (a null list counts as unreadable).
DiscoveryResult DiscoverPrinters(platform::PrinterList* list, const Profile& ini);

// The label of a printer: port, " - ", name.
std::string PrinterLabel(const std::string& port, const std::string& name);
