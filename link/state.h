// The printer link's process-wide state and the small helpers every file of the link shares:
// the bottom of link/. Nothing here calls a transport or a public Slc* operation, and nothing
// here logs, so that every other file of the link may stand on it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <chrono>
#include <condition_variable>
#include <set>
#include <string>
#include <thread>

#include "link/limits.h"
#include "link/slc.h"
#include "platform/platform.h"

// A binary semaphore whose timed wait ends as soon as it is released. libstdc++'s
// std::binary_semaphore waits for a deadline by sleeping in growing steps (up to tens of
// milliseconds), which every reply of a fast port would pay; this one waits on a condition.
class SlcSemaphore {
public:
    void release() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            available_ = true;
        }
        changed_.notify_one();
    }
    void acquire() {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return available_; });
        available_ = false;
    }
    bool try_acquire() {
        std::lock_guard<std::mutex> lock(mutex_);
        const bool was = available_;
        available_ = false;
        return was;
    }
    template <class Clock, class Duration>
    bool try_acquire_until(const std::chrono::time_point<Clock, Duration>& deadline) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!changed_.wait_until(lock, deadline, [this] { return available_; })) return false;
        available_ = false;
        return true;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool available_ = false;
};

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
    SlcSemaphore semResponse;  // G_hSemResponse
    SlcSemaphore semGoRead;    // G_hSemGoRead
    // Set (before the reader is woken) when close, reopen or shutdown ends the reader: it leaves
    // any read transaction at once instead of hunting on a channel that is about to go away.
    std::atomic<bool> readerStop{false};

    // The network port drives its printer through the USB storey (usb.cpp): when set, the USB
    // pipes are views of this one stream instead of pipes opened on a device node. nullptr (the
    // stream is gone) ends the pipe's open at once, without the retries of a device node.
    std::function<std::unique_ptr<platform::Channel>(platform::UsbPipe pipe)> streamPipes;

    // DOS device names defined by ParCorvaneDosPort (QueryDosDevice has nothing to ask on Linux).
    std::set<std::string> dosNames;
};

SlcState& SlcGlobals();

// Releases a binary semaphore without exceeding its maximum count of 1.
void SlcSignal(SlcSemaphore& sem);

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
