// The printer link: the only code that touches the printer's port. Plain functions with signed
// result codes and process-wide state.
//
// Conventions for every call below:
//  - Threads: the Slc* operations are called by one thread at a time (the caller's thread; they
//    are not re-entrant). The link runs one reader thread of its own while a two-way port waits
//    for replies; it never calls back into the caller. SlcLog and SlcLogHex may be called from
//    any thread.
//  - Waits are named by the fields of the timing table (link/timing.h), SlcTimingTable().
//  - Log levels are the bits below; SlcInit reads the enabled bits from the settings store. A
//    line is written when its bit is enabled. Every operation logs its name and arguments at
//    level 1 (SLC_LOG_PUBLIC), its steps at level 2 (SLC_LOG_TRACE) and the bytes it sends and
//    receives at level 16 (SLC_LOG_DATA).
//  - A failure (negative result) of SlcOpenPort, SlcSendCommand, SlcOffline and SlcClosePort
//    leaves one sentence for SlcLastProblem (logged at level 1); a success clears it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/port_name.h"

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

// Sets the link up once per process (later calls return at once; every operation below calls
// it first): no port open, empty response slots, the log level read from the settings store and
// the log emptied when any level is on. Logs its cancel support at level 2 (the level-1 line on
// the kind of parallel ports comes before the level is read, so it is not written). Blocks only
// on the settings store's and the log's file I/O.
void SlcInit();

// Opens the port portName names, of the kind the registry of port kinds finds in it
// (platform::PortName::Parse: LPTn: parallel, USBnnn USB); a command file is opened only by the
// overload below, never by its name. A name no kind accepts (or of a kind this version cannot
// open) is refused with -1 before anything else happens (a port that is open stays open) and
// SlcLastProblem() says why and lists the accepted forms. A port that is still open is otherwise
// first released without sending anything: its reader ends, the workaround's collected files and
// a command file's temporaries are deleted (the user's files stay as they were). Logs
// "SlcOpenPort(%s)" and "SlcOpenPort(%s) - returning %d" at level 1. Returns:
//  -  0: the port is open (two-way parallel, USB, or a command file).
//  -  1 (SLC_UNIDIRECTIONAL): a parallel port that can only be written (a one-way machine, or
//     this port's node opens for writing only). The commands are collected in a file inside a
//     new private folder (mode 0700) made for this open, and sent when the port is closed.
//  - -1 (SLC_FAIL): the device node does not open (SlcLastProblem names it and why: permission,
//     busy, missing); no USB printer has the port's number, or its write pipe does not open
//     (two attempts, pipeRetryMs apart); the workaround's folder or file cannot be made; a
//     command file whose target is not a regular file (a folder, a symbolic link, a device) or
//     whose folder does not take a new file; a name that is no port's.
//  - -2 (SLC_NOT_OPEN): the parallel printer's device ID cannot be read.
//  - -4 (SLC_REJECTED): the parallel device is not a printer this program supports.
//  - -3 (SLC_REFUSED): the parallel printer has NPA switched off.
// A command file is written to a temporary beside it ("." + its name + random characters); the
// file itself is untouched until SlcClosePort. Blocks for the device opens, the device ID read
// (about a second at most) and, on a parallel printer whose ID does not tell its NPA mode, at
// most two PJL mode queries, whose reads end once the reply is whole (a PJL reply's closing form
// feed, an NPA packet's DataLen) and are bounded by the queryRead* fields. No query when the
// printer answered one on this port less than npaModeReuseMs ago and the device ID reads
// byte-identical: that mode is reused (logged at level 1 with the time it was asked); a failed
// open, a command on the port that went unanswered or could not be written, and SlcShutdown make
// the next open ask again. A two-way parallel port's writes are bounded by writeWaitMs from here on.
int SlcOpenPort(const char* portName);
// The same for a port already parsed or made: platform::PortName::CommandFile(path) opens a
// command file at path, whose name for SlcSendCommand, SlcOffline and SlcClosePort is path.
int SlcOpenPort(const platform::PortName& port);

// Sends one complete NPA packet of length bytes on the open port portName. reply/replyLength:
// buffer and its capacity on entry, the stored reply's length on return; either may be null
// when no reply is wanted. Logs "SlcSendCommand()" at level 1 and the command at level 16.
// Returns:
//  -  0: sent; when a reply was awaited it is in reply (*replyLength its length). On a
//     one-way port (command file, workaround) the command is appended to the collected set with
//     its response bit cleared, and *replyLength is 0: nothing ever answers.
//  - -2 (SLC_NOT_OPEN): portName is not the open port.
//  - -3 (SLC_REFUSED): longer than 512 bytes; nothing is sent.
//  - -1 (SLC_FAIL): USB only: the write pipe does not open (opened anew for every command).
//  - -5 (SLC_SEND_WRITEFAIL): the start packet or the command did not go out whole. On a
//     one-way port the collected set is then incomplete: it will not be saved or sent.
//  - -6 (SLC_SEND_READFAIL): no reply within responseWaitMs, or (parallel) the reply stopped in
//     the middle.
//  - -7 (SLC_SEND_TOOLARGE): the reply does not fit the buffer or a response slot (2048 bytes);
//     on a parallel port also any reply when no buffer was given.
// A reply is awaited when a buffer is given or the command's response bit is set; on USB a
// reply without a buffer is awaited and dropped. Only a message with the command's command byte
// answers, never an alert; replies to earlier requests are dropped. Before the write the start
// packet goes out (USB always, parallel unless the printer is in NPA mode ON, a command file
// always). Blocks at most for the write (writeWaitMs on a parallel port) plus responseWaitMs; the
// first wait starts the reader thread, which then runs until the port is closed (a USB reader
// also ends when its read pipe does not reopen; the next wait starts another). After a failure
// *replyLength is not meaningful (-2, -3 and failures before the write leave it as it was).
int SlcSendCommand(const char* portName, const uint8_t* command, uint32_t length, uint8_t* reply,
                   uint32_t* replyLength);

// Takes the printer on the open port offline (offline != 0) or back online. Logs
// "SlcOffline(%s, %s)" and each step at level 1.
//  - Two-way port (parallel, USB): registers for the offline alert, sends the request and judges
//    the printer's response and alert, in either order: the response counts when it answers this
//    request and accepts it; the alert must show the requested state; an alert about the other
//    request and every other message are dropped. Then deregisters (a failure there is only
//    logged). 0: accepted (also when the accepted response came and the alert did not); -3: the
//    registration or the request could not be sent; -4: refused (response or alert); -6: no
//    response within responseWaitMs; -1: USB write pipe does not open. Blocks at most for three
//    writes and four reply waits of responseWaitMs (registration, response, alert,
//    deregistration).
//  - Command file: offline writes the offline record into a temporary of "offline.dat" in the
//    command file's folder (a second offline replaces the first); online appends the online
//    record to the commands. -1: offline.dat's place is not a regular file or its folder takes
//    no new file; -3: the record was not written. Either failure makes the set incomplete.
//  - Workaround: offline writes "offline.dat" into the private folder, online appends the online
//    record to the commands; -1/-3 as for a command file.
//  - -2 (SLC_NOT_OPEN): portName is not the open port.
int SlcOffline(const char* portName, int offline);

// Closes the open port; closing a port that is not open is 0. Logs "SlcClosePort(%s)" and the
// port's kind at level 1. The reader thread, if any, is ended first (a read in progress is
// cancelled) and joined. For a one-way target the close is where the collected writes are
// completed, so its result is the write's result:
//  - FILE port (a command file): the commands and offline.dat were written to temporaries
//    beside their targets; both are made durable and renamed into place: 0 once both are in
//    place. -5 (SLC_SEND_WRITEFAIL) when a write, the sync or a rename failed, -1 (SLC_FAIL)
//    when offline.dat was never written: the temporaries are deleted and the files that were
//    there before stay as they were (a failed rename of the commands after offline.dat was put
//    in place leaves the new offline.dat).
//  - Parallel workaround: offline.dat, then after copyPauseMs the commands are copied to the
//    port; 0 when both went out whole (the files and their private folder are then deleted).
//    -5 when the copy failed (the port did not open, or a write fell short): the files are kept
//    in the private folder and SlcLastProblem() says where. -5 also when a write into the set
//    had failed: nothing is sent and the files are deleted. 0 when offline.dat was never written:
//    the collected commands are then deleted unsent. Blocks for the copy and copyPauseMs.
// Two-way ports and USB: 0.
int SlcClosePort(const char* portName);

// Ends the link's work before the program exits: ends and joins the reader thread, deletes the
// workaround's files and a command file's temporaries that were not committed (a command file
// not closed is not saved), and forgets the NPA mode kept for the next parallel open. The open
// port is not closed. Logs at level 2. Caller's thread; does not block beyond ending the reader.
void SlcShutdown();

// What the last failed Open/Send/Offline/Close could not do and why, in one English sentence with
// the remedy a user can take: the device node and the reason for a port that does not open
// (permission, busy, missing), the file that failed for a command file, the folder where the
// commands were kept after a failed one-way copy. Empty after an operation that succeeded. For
// the log and the command-line tool; the GUI keeps its own messages. Does not block.
std::string SlcLastProblem();

// Writes one log entry, "HH:MM:SS tick: message", when level has a bit that is enabled (none
// before SlcInit). The message is formatted as printf does, cut to 1023 bytes. Any thread;
// entries never interleave. Blocks only on the log's file I/O.
void SlcLog(uint32_t level, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Writes count bytes (taken modulo 65536) as level-16 entries of 16 bytes each, in hex and as
// printable characters, then one empty entry; nothing when level 16 is off. Any thread.
void SlcLogHex(const uint8_t* bytes, uint32_t count);
