// The printer link: the only code that touches the printer's port. Plain functions with signed
// result codes and process-wide state; called by one thread at a time (not re-entrant).
#pragma once

#include <cstdint>
#include <string>

// Result codes of every Slc* operation.
enum : int {
    SLC_OK = 0,
    SLC_UNIDIRECTIONAL = 1,  // SlcOpenPort only: a parallel port opened in the one-way workaround
    SLC_FAIL = -1,
    SLC_NOT_OPEN = -2,
    SLC_REFUSED = -3,
    SLC_REJECTED = -4,
    SLC_SEND_WRITEFAIL = -5,
    SLC_SEND_READFAIL = -6,
    SLC_SEND_TOOLARGE = -7,
};

// NPA modes of the open port.
enum : int16_t { NPA_OFF = 0, NPA_AUTO = 1, NPA_ON = 2 };

// Log level bits.
enum : uint32_t { SLC_LOG_PUBLIC = 1, SLC_LOG_TRACE = 2, SLC_LOG_DATA = 16 };

void SlcInit();
int SlcOpenPort(const char* portName);
// command: one complete NPA packet of length bytes. reply/replyLength: buffer and its capacity
// on entry, the stored reply's length on return; either may be null when no reply is wanted.
int SlcSendCommand(const char* portName, const uint8_t* command, uint32_t length, uint8_t* reply,
                   uint32_t* replyLength);
int SlcOffline(const char* portName, int offline);
int SlcClosePort(const char* portName);
void SlcShutdown();
// What the last failed Open/Send/Offline/Close could not do and why, in one English sentence with
// the remedy a user can take: the device node and the reason for a port that does not open
// (permission, busy, missing), the file that failed for a command file, the folder where the
// commands were kept after a failed one-way copy. Empty after an operation that succeeded. For
// the log and the command-line tool; the GUI keeps its own messages.
std::string SlcLastProblem();
void SlcLog(uint32_t level, const char* format, ...) __attribute__((format(printf, 2, 3)));
void SlcLogHex(const uint8_t* bytes, uint32_t count);
