// The printers attached to this machine's own ports, found without any print queue: each
// parallel and USB port's device is asked for its IEEE 1284 device ID, and those the link
// recognises as a printer it can drive (the test SlcOpenPort applies) are returned. For the
// start-up's discovery, where a printer plugged in without a queue, or queued under a generic
// driver, must still be found.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct SlcAttachedPrinter {
    std::string portName;  // "LPT1:" .. "LPT8:", "USB001" .. "USB016"
    std::string model;     // manufacturer and model from the device ID ("Altrin Pressline T90");
                           // the port name when the ID names neither
};

// Parallel ports LPT1: to LPT8: (the kernel's lp devices), then USB ports USB001 to USB016 (the
// usblp minors), in that order. A parallel port is opened for the moment its device ID takes
// (a busy or missing device is skipped); a USB port's ID comes from the system without opening
// its pipes. Call it while no port of the link is open (the link's operations are not
// re-entrant). Blocks at most about a second per parallel port that has a device.
std::vector<SlcAttachedPrinter> SlcFindAttachedPrinters();

// The label text of a device ID: its manufacturer and model ("MANUFACTURER"/"MFG",
// "MODEL"/"MDL"), the model alone when it already begins with the manufacturer; empty when the
// ID names neither.
std::string SlcDeviceIdModel(const std::string& deviceId);
