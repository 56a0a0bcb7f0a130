// Parallel ports without a reverse channel: many ports, cables and printers carry bytes to the
// printer only (no IEEE 1284 reverse mode). Such a port gives no device ID, and every read fails
// at once; the link can still write to it one way, as it does on a machine whose parallel ports
// are all one-way. Told apart from a printer that is switched off by the status lines, which
// every port has.
#pragma once

#include <string>

#include "platform/platform.h"

namespace platform {

// Whether the status lines say the printer is ready to take bytes: selected, with paper, no fault.
bool ParallelStatusReady(const ParallelStatus& status);

// True when the port opens, gives no device ID, fails a read at once with EIO, and its status
// lines say the printer is ready. False when any of these does not hold (a port that cannot be
// opened or whose status cannot be read included: the two-way open then says what is wrong).
// Sends the printer nothing; the port is closed again before the status read. Blocks for at
// most one open, the device-ID read (about a second), one read that does not wait and one
// status read.
bool ReadyPrinterWithoutReverseChannel(ParallelPorts& ports, const std::string& portName);

}  // namespace platform
