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
// Closes the open port; closing a port that is not open is 0. For a one-way target the close
// is where the collected writes are completed, so its result is the write's result:
//  - FILE port (a command file): the commands and offline.dat were written to temporaries
//    beside their targets; 0 once both are in place. -5 (SLC_SEND_WRITEFAIL) when a write
//    failed, -1 (SLC_FAIL) when offline.dat was never written: both temporaries are deleted and
//    the files that were there before stay as they were.
//  - Parallel workaround: offline.dat, then the commands are copied to the port; 0 when both
//    went out whole (the files and their private folder are then deleted). -5 when the copy
//    failed (the port did not open, or a write fell short): the files are kept and
//    SlcLastProblem() says where.
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
