// State and routines shared by the files of the printer link. Nothing outside link/ and the
// link's tests includes this header.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <semaphore>
#include <set>
#include <string>
#include <thread>

#include "link/slc.h"
#include "link/timing.h"
#include "platform/platform.h"

constexpr uint32_t SLC_MAX_COMMAND = 512;     // longest command the link sends
constexpr uint32_t SLC_SLOT_SIZE = 2048;      // one response slot
constexpr int SLC_SLOT_COUNT = 3;
constexpr size_t SLC_DEVICE_ID_SIZE = 4096;

// Process-wide state of the link (one instance, set up by SlcInit).
struct SlcState {
    bool initialised = false;
    int osKind = 0;  // 1 two-way parallel, 2 one-way workaround, 0 unknown
    uint32_t loggingLevel = 0;

    std::unique_ptr<platform::Channel> port;  // G_hPort: parallel device, FILE file or workaround temp file
    platform::ParallelChannel* parallel = nullptr;  // the same object as port when it is a two-way parallel device
    int16_t npaMode = NPA_AUTO;
    bool unidirectional = false;
    std::string openPort;     // G_szOpenPort
    std::string tempFile;     // G_szTempFile
    std::string offlineFile;  // G_szOfflineFile
    std::string devicePath;   // G_szDevicePath
    std::string deviceId;     // G_szDeviceId (bytes as read)
    std::string lastProblem;  // SlcLastProblem(): why the last failed operation failed

    // The reader thread (at most one) and what it shares with callers.
    std::thread readThread;           // G_hReadThread
    bool readThreadRunning = false;   // the thread has been started and not yet joined
    bool expectingResponse = false;   // bExpectingResponse, under transactionInfo
    uint8_t command = 0;              // ucCommand, under transactionInfo
    std::mutex transactionInfo;       // G_hTransactionInfo
    uint8_t responseSlots[SLC_SLOT_COUNT][SLC_SLOT_SIZE] = {};
    int32_t slotLength[SLC_SLOT_COUNT] = {};
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

// Starts a reader thread running body. Call with transactionInfo held and readThreadRunning
// clear: joins a reader that ended by itself, sets bExpectingResponse and readThreadRunning, and
// returns a serial number of the thread for the log. A reader that ends by itself clears
// readThreadRunning under transactionInfo before it returns.
int SlcStartReaderLocked(void (*body)());

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

// The transport a port name selects (its first three characters, case-sensitive).
enum class SlcPortKind { Parallel, Usb, File };
SlcPortKind SlcKindOf(const std::string& portName);

// Parallel port and NPA detection (parallel.cpp, npa_detect.cpp).
int ParOpenPort(const char* portName);
int ParSendCommand(const uint8_t* command, uint32_t length, uint8_t* reply, uint32_t* replyLength);
int ParGetResponse(uint8_t* reply, uint32_t* replyLength, uint8_t expectedCommand);
int SendNPAStart(platform::Channel& channel);  // 0 written, 1 failed
bool IsRecognizedDeviceId(const char* deviceId, size_t length);
// Reads up to length bytes; an empty pass ends the read, and counts as a failure when the call
// lasted longer than readGiveUpMs. bytesRead receives the total.
bool ParNT95ReadFile(platform::Channel& channel, uint8_t* buffer, uint32_t length, uint32_t& bytesRead);
void ParCorvaneDosPort(bool create, const char* portName);
bool BceEnumGetDeviceID(platform::ParallelChannel& channel, uint8_t* buffer, size_t size, size_t& length);
void ParReadPort();
int16_t IsNpaActive(platform::ParallelChannel& channel, const char* deviceId, size_t length);
int SendNpaActiveQuery(platform::ParallelChannel& channel);
int CheckPJLQueryResponse(const uint8_t* reply, uint32_t count);
// Drops the collected commands of the one-way workaround (reopen, or close without offline file):
// nothing is sent and the temporary files are deleted.
void ParDropWorkaround();

// Offline control and the file port (offline.cpp).
int ParOffline(int offline);
int FileOffline(platform::Channel& channel, int offline);
int FileSendCommand(platform::Channel& channel, const uint8_t* command, uint32_t length,
                    uint8_t* reply, uint32_t* replyLength);
int SlcCopyFiles();
