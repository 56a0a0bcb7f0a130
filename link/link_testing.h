// What tests and benches outside link/ may use of the link beyond its public calls (link/slc.h)
// and its timing table (link/timing.h): a reset between tests, the log level, and a look at the
// state that a test asserts or a bench measures. The link's own tests (tests/link/) use
// link/link_private.h.
#pragma once

#include <cstdint>
#include <thread>

#include "link/limits.h"
#include "link/slc.h"
#include "link/timing.h"

// Ends any reader thread, closes the port and returns the link to its state before SlcInit, so
// that the next public call initialises it again with the installed platform.
void SlcResetForTesting();

// Sets the enabled log level bits without reading the settings store (a fuzz target that runs
// the log's formats on its input).
void SlcSetLoggingLevelForTesting(uint32_t level);

// Whether the link still holds a port's channel (a parallel device, a command file or the
// workaround's file): false once a close, a shutdown or a reset let go of it.
bool SlcHoldsChannelForTesting();

// The NPA mode the open port was found in (NPA_OFF, NPA_AUTO, NPA_ON).
int16_t SlcOpenNpaModeForTesting();

// Whether a reader thread of the link exists (started and not yet joined); its native handle in
// *handle when given.
bool SlcReaderRunsForTesting(std::thread::native_handle_type* handle = nullptr);
