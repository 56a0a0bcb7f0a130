// The NPA mode a two-way parallel open found by asking the printer, kept for the next open of the
// same port. Each PJL mode query costs a write and a read (well under a second when the printer
// completes its reply, its read time-out of about three seconds when it does not), and a write
// session follows its read within seconds: an open that reads a
// byte-identical device ID (the same printer) on the same port less than the timing table's
// npaModeReuseMs after the query takes the mode from it instead of asking again.
//
// Only a mode the printer answered is kept (AUTO in PJL, ON as an NPA packet): silence, which
// counts as AUTO without telling anything, and OFF are not. Whatever casts doubt on the printer
// forgets it: a device ID that cannot be read or names no supported printer, a command on the port
// that goes unanswered or cannot be written, and the end of the link's work (SlcShutdown). Closing
// a port does not: the write session closes the read's port when it opens its own.
//
// Called on the caller's thread only, as the opens and sends are; nothing here blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// Keeps mode as what the printer on portName, whose device ID is the length bytes at deviceId,
// answered now (the platform clock's tick and time of day).
void SlcRememberNpaMode(const std::string& portName, const char* deviceId, size_t length, int16_t mode);

// The kept mode when it was found on portName, with this very device ID, less than
// npaModeReuseMs ago; logs at level 1 that it is reused and when it was asked. nullopt
// otherwise (logged at level 2 when a kept mode does not qualify).
std::optional<int16_t> SlcReusableNpaMode(const std::string& portName, const char* deviceId, size_t length);

// Drops the kept mode: the next open asks the printer.
void SlcForgetNpaMode();
