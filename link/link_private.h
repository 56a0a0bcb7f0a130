// State and routines shared by the files of the printer link. Nothing outside link/ and the
// link's tests includes this header.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <semaphore>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "link/attached_printers.h"
#include "link/slc.h"
#include "link/timing.h"
#include "platform/platform.h"

constexpr uint32_t SLC_MAX_COMMAND = 512;     // longest command the link sends
constexpr uint32_t SLC_SLOT_SIZE = 2048;      // one response slot
constexpr int SLC_SLOT_COUNT = 3;
constexpr size_t SLC_DEVICE_ID_SIZE = 4096;

// Process-wide state of the link (one instance, set up by SlcInit).
struct SlcTransport;

struct SlcState {
    bool initialised = false;
    int osKind = 0;  // 1 two-way parallel, 2 one-way workaround, 0 unknown
    uint32_t loggingLevel = 0;

    std::unique_ptr<platform::Channel> port;  // G_hPort: parallel device, FILE file or workaround temp file
    platform::ParallelChannel* parallel = nullptr;  // the same object as port when it is a two-way parallel device
    int16_t npaMode = NPA_AUTO;
    bool unidirectional = false;
    std::string openPort;     // G_szOpenPort
    const SlcTransport* transport = nullptr;  // the table of the open port's kind (link/transport.h)
    std::string tempFile;     // G_szTempFile
    std::string offlineFile;  // G_szOfflineFile
    std::string devicePath;   // G_szDevicePath
    std::string deviceId;     // G_szDeviceId (bytes as read)
    std::string lastProblem;  // SlcLastProblem(): why the last failed operation failed

    // One-way targets (offline.cpp). FILE port: the commands go to commandTemp beside the
    // command file (the open port's name) and offline.dat's content to offlineTemp beside
    // offlineFile; SlcClosePort puts both in place, or deletes both when anything failed.
    // Parallel workaround: tempFile and offlineFile live in workFolder, a private folder made
    // for this open.
    std::string commandTemp;
    std::string offlineTemp;
    std::unique_ptr<platform::Channel> offlineChannel;  // the open offlineTemp
    std::string workFolder;
    bool collectFailed = false;  // a write into a one-way target failed: the set is incomplete
    std::string collectProblem;  // what the first such failure was, for the close that discards the set

    // The reader thread (at most one) and what it shares with callers.
    // What the last offline/online exchange received, for the message of a failure.
    bool exchangeResponseCame = false;
    bool exchangeAlertCame = false;
    // A wait gave up: its reply may still come, and must not answer the next request.
    // Caller's thread only.
    bool lateReplyPossible = false;
    std::thread readThread;           // G_hReadThread
    std::function<void()> readerWake;  // ends the running reader's read in progress
    bool readThreadRunning = false;   // the thread has been started and not yet joined
    bool expectingResponse = false;   // bExpectingResponse, under transactionInfo
    uint8_t command = 0;              // ucCommand, under transactionInfo
    bool acceptAlerts = false;        // the waiter takes alerts (the offline exchange), under transactionInfo
    uint32_t requestSerial = 0;       // counts the waits for a reply, under transactionInfo
    std::mutex transactionInfo;       // G_hTransactionInfo
    uint8_t responseSlots[SLC_SLOT_COUNT][SLC_SLOT_SIZE] = {};
    int32_t slotLength[SLC_SLOT_COUNT] = {};
    uint32_t slotSerial[SLC_SLOT_COUNT] = {};  // parallel: the wait (requestSerial) a stored reply was judged for
    uint32_t answeredSerial = 0;  // parallel: the last wait the reader stored something for, under responseMutex
    std::mutex responseMutex;         // G_hResponseMutex
    std::binary_semaphore semResponse{0};  // G_hSemResponse
    std::binary_semaphore semGoRead{0};    // G_hSemGoRead
    // Set (before the reader is woken) when close, reopen or shutdown ends the reader: it leaves
    // any read transaction at once instead of hunting on a channel that is about to go away.
    std::atomic<bool> readerStop{false};

    // DOS device names defined by ParCorvaneDosPort (QueryDosDevice has nothing to ask on Linux).
    std::set<std::string> dosNames;
};

SlcState& SlcGlobals();

// Test support: ends any reader thread, closes the port and returns the link to its state before
// SlcInit, so that the next public call initialises it again with the installed platform.
void SlcResetForTesting();

// Releases a binary semaphore without exceeding its maximum count of 1.
void SlcSignal(std::binary_semaphore& sem);

// Ends the reader thread, if any, and waits for it: clears bExpectingResponse, cancels a pending
// parallel read, wakes the reader and joins it; then empties the response slots and the
// semaphores so that nothing of the old conversation reaches the next one. Caller's thread only.
void SlcStopReader();

// Starts a reader thread running body; the body carries what the reader needs (a USB reader its
// device path), and wake ends a read of the reader's in progress at once (SlcStopReader calls it,
// so that stopping does not wait out the read's bound). Call with transactionInfo held and
// readThreadRunning clear: joins a reader that ended by itself, sets bExpectingResponse and
// readThreadRunning, and returns a serial number of the thread for the log. A reader that ends by
// itself clears readThreadRunning under transactionInfo before it returns.
int SlcStartReaderLocked(std::function<void()> body, std::function<void()> wake);

// Slot lengths that stand for no message: the parallel reader gave up inside one, or the message
// did not fit a slot (the slot then keeps its header).
constexpr int32_t SLC_SLOT_FAILED = -1;
constexpr int32_t SLC_SLOT_TOO_LARGE = -2;

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

// Pauses the calling thread through the platform clock (a zero wait does not sleep).
void SlcSleep(uint32_t ms);

// What a successful open records, whatever the kind: the port's name, its channel (a two-way
// parallel device also as `parallel`; none for USB, which opens its pipes per use), whether it
// runs in the one-way workaround, its NPA mode, device path and device ID.
struct SlcOpenedPort {
    std::unique_ptr<platform::Channel> channel;
    platform::ParallelChannel* parallel = nullptr;
    bool unidirectional = false;
    int16_t npaMode = NPA_AUTO;
    std::string devicePath;
    std::string deviceId;
};
void SlcRecordOpenPort(const char* portName, SlcOpenedPort opened);

// Into a one-way target (a command file, the workaround's temporary file named file): a write
// that failed leaves the collected set incomplete (SlcNoteCollectFailure).
int SlcCollectCommand(const std::string& file, const uint8_t* command, uint32_t length, uint8_t* reply,
                      uint32_t* replyLength);

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
// lasted longer than readGiveUpMs. bytesRead receives the total.
bool ParNT95ReadFile(platform::Channel& channel, uint8_t* buffer, uint32_t length, uint32_t& bytesRead);
void ParCorvaneDosPort(bool create, const char* portName);
bool BceEnumGetDeviceID(platform::ParallelChannel& channel, uint8_t* buffer, size_t size, size_t& length);
void ParReadPort();
// answered (when given) tells whether the mode is what the printer answered to the query, rather
// than read from the device ID, taken from silence, or the outcome of a failed write or read.
int16_t IsNpaActive(platform::ParallelChannel& channel, const char* deviceId, size_t length, bool* answered = nullptr);
int SendNpaActiveQuery(platform::ParallelChannel& channel, bool* answered = nullptr);
int CheckPJLQueryResponse(const uint8_t* reply, uint32_t count);
// Closes the one-way workaround: copies offline.dat and the commands to the port (SlcCopyFiles),
// or, when a write into them failed, deletes them and returns -5 with the first failure as the
// problem. Either way the link forgets the files afterwards.
int ParCloseWorkaround();
// Drops the collected commands of the one-way workaround (reopen, or close without offline file):
// nothing is sent and the temporary files are deleted.
void ParDropWorkaround();

// Offline control and the file port (offline.cpp).
int ParOffline(int offline);
int FileOffline(platform::Channel& channel, int offline);
// The offline/online step of each kind: a FILE port's offline.dat or online record; the one-way
// workaround's offline.dat or online record; a two-way port's registration, exchange (given) and
// deregistration, with the problem of a failed exchange.
int FileTargetOffline(const std::string& portName, int offline);
int WorkaroundOffline(const std::string& portName, int offline);
int RegisteredOfflineExchange(const std::string& portName, int offline, int (*exchange)(int offline));
int FileSendCommand(platform::Channel& channel, const uint8_t* command, uint32_t length,
                    uint8_t* reply, uint32_t* replyLength);
// Copies offline.dat, then (after the pause) the collected commands to the port. 0 when both
// went out whole, and then both files and their folder are gone; -5 otherwise, the files are
// kept and SlcLastProblem says where.
int SlcCopyFiles();
// FILE port: refuses a target that is not a regular file or whose folder cannot take a new
// file (-1, with the problem), else opens the command temporary beside it and records the port.
int FileOpenPort(const std::string& path);
// FILE port: puts offline.dat and the command file in place when every write succeeded and the
// offline file was written (0), else deletes both temporaries and leaves the old files as they
// were (-5 for a failed write, -1 for a missing offline file, with the problem).
int FileClosePort();
// Deletes whatever temporaries the FILE port holds (port replaced or reset without a close).
void FileDiscard();
// A write into a one-way target (command file, offline.dat or the workaround's files) failed:
// the set is incomplete and will not be committed or sent.
void SlcNoteCollectFailure(const std::string& file, int error);

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
