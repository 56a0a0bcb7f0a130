// Finds the printers this program can drive: the installed printers (print queues) whose driver
// the configuration's "DriverNames" section lists and whose port is a parallel ("LPT") or USB
// ("USB") port, and the devices attached to those ports that the link recognises as this
// printer, with or without a queue.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "link/attached_printers.h"

class Profile;
namespace platform {
class PrinterList;
}

// Printer label ("PORT - NAME") -> port name, sorted by label.
using PrinterTable = std::map<std::string, std::string>;

struct DiscoveryResult {
    // False when the installed printers cannot be listed at all. With no attached printer found
    // either, the start-up then shows 61209 / 61210 and 61205 / 61206.
    bool listReadable = true;
    // Why not, as the platform says it (the print server tried, what is not installed); may be
    // empty.
    std::string listProblem;
    PrinterTable printers;
};

// Over the installed platform's printer list, its attached devices and ConfigFile().
DiscoveryResult DiscoverPrinters();
// Over the given list (a null list counts as unreadable), configuration and attached devices.
// A queue accepted by its driver is labelled "PORT - QUEUE". An attached device is labelled by
// a queue on its port when there is one (accepted or not: a queue under a generic driver still
// names the printer as its user knows it), else "PORT - MODEL"; a port that an accepted queue
// already offers gets no second entry.
DiscoveryResult DiscoverPrinters(platform::PrinterList* list, const Profile& ini,
                                 const std::vector<SlcAttachedPrinter>& attached = {});

// The label of a printer: port, " - ", name.
std::string PrinterLabel(const std::string& port, const std::string& name);
