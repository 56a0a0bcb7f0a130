// The routines the files of the printer link share, above its state (link/state.h). Only the
// files of link/, the link's own tests (tests/link/) and the fuzz targets of its inner pieces
// (fuzz/offline_exchange) include this header; tests and benches elsewhere use
// link/link_testing.h.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/link_testing.h"
#include "link/slc.h"
#include "link/state.h"
#include "link/timing.h"
#include "platform/platform.h"

// One message taken out of a response slot.
struct SlcSlotMessage {
    int32_t length = 0;          // > 0: bytes is the message; else SLC_SLOT_FAILED or SLC_SLOT_TOO_LARGE
    uint32_t serial = 0;         // the wait the parallel reader judged it for (slotSerial)
    std::vector<uint8_t> bytes;  // the message; only its header for a marker
};

enum class SlcVerdict { Take, Drop };

// How a transport waits for what its reader stored (response_wait.cpp). The wait is one for
// every transport; the fields are where the transports differ.
struct SlcResponseWait {
    const char* name = "";       // the waiting routine the log names: "ParGetResponse", "UsbGetResponse"
    uint32_t waitMs = 0;         // the whole wait (the timing table's responseWaitMs, or what is left of it)
    uint32_t loggedWaitMs = 0;   // the wait the time-out line names
    int slots = SLC_SLOT_COUNT;  // the reader fills slots 0 to slots - 1 (parallel: slot 0 only)
    bool logSlots = false;       // logs the slot of each message taken, and a signal that found none
    bool logOutcome = false;     // SlcAwaitReply logs its outcome (success, read failure, too large)
    bool noBufferIsTooLarge = false;  // SlcAwaitReply without a buffer: a reply is -7 (else dropped: 0)
    bool notesLateReply = true;  // a time-out marks a late reply as possible (SlcDrainLateReplies)
    // Judges each message taken, oldest slot first: Drop discards it (the judge logs why). Without
    // a judge every message is taken.
    std::function<SlcVerdict(const SlcSlotMessage&)> judge;
};

// Waits on semResponse until one signal of the reader brings messages the judge takes, and
// appends those to taken, oldest slot first; what the judge drops leaves the wait going on until
// waitMs from the call have passed. 0, or -6 (logged) when nothing was taken in time. Blocks at
// most waitMs. Caller's thread only.
int SlcAwaitMessages(const SlcResponseWait& wait, std::vector<SlcSlotMessage>& taken);
// SlcAwaitMessages for the reply to a request: the most recent message taken goes into reply
// (capacity *replyLength; *replyLength becomes its length, 0 on every other outcome). 0; -6
// nothing in time; -1 the reader gave up inside the message; -7 the message did not fit its slot
// or the buffer (or there is no buffer and noBufferIsTooLarge).
int SlcAwaitReply(const SlcResponseWait& wait, uint8_t* reply, uint32_t* replyLength);
// Empties every response slot and the response semaphore before a request goes out, so that
// replies and alerts whose waiter gave up cannot answer it. Logs each message dropped under name.
void SlcDropStoredMessages(const char* name);
// Before a request goes out: when an earlier wait timed out, waits up to the timing table's
// lateReplyDrainMs for the reply it gave up on and drops whatever arrives, so that a late reply
// cannot be taken for the answer to this request (the printer is promised nothing by which its
// answers could be told apart). rearm (may be empty) asks the reader for one more message; it is
// called at the start and after each message dropped. Nothing happens when no wait timed out.
// Caller's thread only.
void SlcDrainLateReplies(const char* name, const std::function<void()>& rearm);


// Parallel port and NPA detection (parallel.cpp, npa_detect.cpp).
int ParOpenPort(const char* portName);
// Ends the reader and closes the parallel device (or the workaround's collecting file).
void ParReleaseDevice();
int ParSendCommand(const uint8_t* command, uint32_t length, uint8_t* reply, uint32_t* replyLength);
int ParGetResponse(uint8_t* reply, uint32_t* replyLength, uint8_t expectedCommand);
// Announces a wait for the reader's next message with command byte expected (0: any), alerts
// only when acceptAlerts, and wakes the reader; returns the wait's serial. Call it before the
// request goes out: a reply the reader judged before this belongs to an earlier request.
uint32_t ParExpectMessage(uint8_t expected, bool acceptAlerts);
// Asks the reader for one more message of any kind, for SlcDrainLateReplies.
void ParRearmForLateReply();
// Waits up to waitMs for the message announced as serial: 0, -6 (nothing in time), -7 (too
// large for the buffer or a slot; also any reply when there is no buffer) or -1 (the reader gave
// up inside a message). Replies stored for earlier waits are dropped.
int ParWaitMessage(uint32_t serial, uint8_t* reply, uint32_t* replyLength, uint32_t waitMs);
int SendNPAStart(platform::Channel& channel);  // 0 written, 1 failed
// The start packet ahead of a request, logged as who's ("ParSendCommand"): true when it went out.
bool SlcSendStart(platform::Channel& channel, const char* who);
// Reads up to length bytes; an empty pass ends the read, and counts as a failure when the call
// lasted longer than readGiveUpMs. whole (when given) ends the read as soon as it says the bytes
// read so far are complete. bytesRead receives the total.
bool ParNT95ReadFile(platform::Channel& channel, uint8_t* buffer, uint32_t length, uint32_t& bytesRead,
                     bool (*whole)(const uint8_t* bytes, uint32_t count) = nullptr);
void ParCorvaneDosPort(bool create, const char* portName);
bool BceEnumGetDeviceID(platform::ParallelChannel& channel, uint8_t* buffer, size_t size, size_t& length);
void ParReadPort();
// answered (when given) tells whether the mode is what the printer answered to the query, rather
// than read from the device ID, taken from silence, or the outcome of a failed write or read.
int16_t IsNpaActive(platform::ParallelChannel& channel, const char* deviceId, size_t length, bool* answered = nullptr);
int SendNpaActiveQuery(platform::ParallelChannel& channel, bool* answered = nullptr);

// The offline/online step of a two-way port (offline.cpp).
// send is the open port's own send (its transport table's): the registration and the
// deregistration go out as commands of the session, logged and judged as SlcSendCommand's.
using SlcSendFunction = int (*)(const std::string& portName, const uint8_t* command, uint32_t length,
                                uint8_t* reply, uint32_t* replyLength);
// A two-way port's registration, exchange (given) and deregistration, with the problem of a
// failed exchange.
int RegisteredOfflineExchange(const std::string& portName, int offline, SlcSendFunction send,
                              int (*exchange)(int offline));
int ParOffline(int offline);

// The parallel port's one-way workaround (transport_oneway.cpp; its open is the parallel open's).
// The workaround's offline.dat or online record.
int WorkaroundOffline(const std::string& portName, int offline);
// Copies offline.dat, then (after the pause) the collected commands to the port. 0 when both
// went out whole, and then both files and their folder are gone; -5 otherwise, the files are
// kept and SlcLastProblem says where.
int SlcCopyFiles();
// Closes the one-way workaround: copies offline.dat and the commands to the port (SlcCopyFiles),
// or, when a write into them failed, deletes them and returns -5 with the first failure as the
// problem. Either way the link forgets the files afterwards.
int ParCloseWorkaround();
// Drops the collected commands of the one-way workaround (reopen, or close without offline file):
// nothing is sent and the temporary files are deleted.
void ParDropWorkaround();

// The one-way targets' records and the FILE port (transport_file.cpp). The parallel workaround
// collects its commands the same way as a command file.
// Writes the offline or online record (after a start packet) into a one-way target.
int FileOffline(platform::Channel& channel, int offline);
int FileSendCommand(platform::Channel& channel, const uint8_t* command, uint32_t length,
                    uint8_t* reply, uint32_t* replyLength);
// Into a one-way target (a command file, the workaround's temporary file named file): a write
// that failed leaves the collected set incomplete (SlcNoteCollectFailure).
int SlcCollectCommand(const std::string& file, const uint8_t* command, uint32_t length, uint8_t* reply,
                      uint32_t* replyLength);
// A write into a one-way target (command file, offline.dat or the workaround's files) failed:
// the set is incomplete and will not be committed or sent.
void SlcNoteCollectFailure(const std::string& file, int error);
// FILE port: refuses a target that is not a regular file or whose folder cannot take a new
// file (-1, with the problem), else opens the command temporary beside it and records the port.
int FileOpenPort(const std::string& path);
// FILE port: its offline.dat (offline) or online record.
int FileTargetOffline(const std::string& portName, int offline);
// FILE port: puts offline.dat and the command file in place when every write succeeded and the
// offline file was written (0), else deletes both temporaries and leaves the old files as they
// were (-5 for a failed write, -1 for a missing offline file, with the problem).
int FileClosePort();
// Deletes whatever temporaries the FILE port holds (port replaced or reset without a close).
void FileDiscard();

// The offline/online exchange on a two-way port (offline_exchange.cpp). A transport supplies
// the write of the request and the wait for the next message; the rule is the exchange's:
//  - the response (0xE0) counts only when it answers this request (E7 0C and byte 7 = the
//    requested state); it decides by byte 8: 1 accepted, else -4;
//  - the alert (0xF0) must show the requested state in byte 8, else -4; an alert about the
//    other request (byte 7 the other state) is dropped;
//  - response without alert: 0 (logged); no response: -6;
//  - every other message is dropped and the wait goes on within the same wait time.
struct SlcOfflineTransport {
    const char* prefix = "";    // "ParOffline(): " or "UsbOffline(): "
    const char* waitName = "";  // "ParGetResponse" or "UsbGetResponse", for the log
    // Writes the offline or online packet (after a start packet where the port needs one):
    // 0, or the failure code to return (-1, -3).
    std::function<int(const uint8_t* packet, size_t length)> writePacket;
    // The next message within waitMs: 0 with the message; -6 when nothing came in time; any
    // other code for a message that cannot be used (too large, cut short), which is dropped.
    std::function<int(std::vector<uint8_t>& message, uint32_t waitMs)> nextMessage;
};
int SlcOfflineExchange(const SlcOfflineTransport& transport, int offline);

// What went wrong, for SlcLastProblem() (problem.cpp).
// Records one sentence (and logs it at level 1).
void SlcSetProblem(const std::string& sentence);
// The reason for an errno value with what the user can do about it, for a device node:
// "permission denied: add your user to the lp group ...", "busy: ...", "missing: ...", or the
// system's text.
std::string SlcErrnoReason(int error);
// The system's text for an errno value ("Input/output error").
std::string SlcErrnoText(int error);
// Ends a public operation: success clears the problem; a failure that recorded none gets a
// plain sentence for its code. Returns result.
int SlcFinishOperation(const std::string& portName, int result);
