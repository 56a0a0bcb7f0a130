// Which printers the link drives, told by their IEEE 1284 device ID (npa_detect.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

// Whether a device ID is that of a printer the link drives: one of its markers ("Corvane",
// "QNPAP", " NPAP,", "CPDNPA00", ...) occurs in the bytes as the device returned them. The one
// test for the link's parallel open, USB discovery, the start-up's discovery and the set-up
// check alike. Does not block.
bool IsRecognizedDeviceId(const char* deviceId, size_t length);

// The NPA mode a reply to the PJL mode query tells (count bytes at reply): NPA_ON for an NPA
// error packet, -1 for another NPA packet (ask again), NPA_AUTO for a PJL reply that says AUTO and
// not OFF, NPA_OFF for anything else, nothing included. Logs at level 2. Does not block.
int CheckPJLQueryResponse(const uint8_t* reply, uint32_t count);

// Whether the count bytes read so far are a whole reply to the PJL mode query, so that the read
// can end without waiting out its time-out: a PJL reply ends with a form feed (0x0C), an NPA
// packet after the bytes its DataLen counts. Does not block.
bool IsWholeModeQueryReply(const uint8_t* reply, uint32_t count);
