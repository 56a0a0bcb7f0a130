// The link's process-wide state and the helpers every file of the link shares: the reader
// thread's life cycle, the response semaphores, the record of an open port, the pause.
#include "link/state.h"

#include <utility>

#include "link/link_testing.h"

SlcState& SlcGlobals() {
    // Never destroyed: a process that exits without SlcShutdown must not trip over a joinable
    // reader thread in a static destructor.
    static SlcState* state = new SlcState;
    return *state;
}

void SlcRecordOpenPort(const char* portName, SlcOpenedPort opened) {
    SlcState& g = SlcGlobals();
    g.port = std::move(opened.channel);
    g.parallel = opened.parallel;
    g.unidirectional = opened.unidirectional;
    g.npaMode = opened.npaMode;
    g.openPort = portName;
    g.devicePath = std::move(opened.devicePath);
    g.deviceId = std::move(opened.deviceId);
}

void SlcSignal(SlcSemaphore& sem) {
    // Taking the count first keeps it at most 1; the mutex makes the pair atomic between two
    // releasing threads (waiters only ever lower the count).
    static std::mutex releaseMutex;
    std::lock_guard<std::mutex> lock(releaseMutex);
    (void)sem.try_acquire();
    sem.release();
}

void SlcSleep(uint32_t ms) {
    if (ms > 0) platform::current().clock->sleepMs(ms);
}

int SlcStartReaderLocked(std::function<void()> body, std::function<void()> wake) {
    static int serial = 0;
    SlcState& g = SlcGlobals();
    if (g.readThread.joinable()) g.readThread.join();
    g.readerStop.store(false, std::memory_order_release);
    g.expectingResponse = true;
    g.readThreadRunning = true;
    g.readerWake = std::move(wake);
    g.readThread = std::thread(std::move(body));
    return ++serial;
}

void SlcStopReader() {
    SlcState& g = SlcGlobals();
    {
        std::lock_guard<std::mutex> lock(g.transactionInfo);
        g.expectingResponse = false;
    }
    if (g.readThread.joinable()) {
        g.readerStop.store(true, std::memory_order_release);
        // The transport's own way to end a read in progress at once instead of after its bound.
        if (g.readerWake) g.readerWake();
        SlcSignal(g.semGoRead);
        g.readThread.join();
    }
    g.readerWake = nullptr;
    g.readThreadRunning = false;
    g.readerStop.store(false, std::memory_order_release);
    g.lateReplyPossible = false;
    // Nothing of the old conversation may answer a wait on the next port.
    (void)g.semGoRead.try_acquire();
    (void)g.semResponse.try_acquire();
    std::lock_guard<std::mutex> lock(g.responseMutex);
    for (int32_t& length : g.slotLength) length = 0;
}

void SlcSetLoggingLevelForTesting(uint32_t level) { SlcGlobals().loggingLevel = level; }

bool SlcHoldsChannelForTesting() { return SlcGlobals().port != nullptr; }

int16_t SlcOpenNpaModeForTesting() { return SlcGlobals().npaMode; }

bool SlcReaderRunsForTesting(std::thread::native_handle_type* handle) {
    SlcState& g = SlcGlobals();
    if (!g.readThread.joinable()) return false;
    if (handle != nullptr) *handle = g.readThread.native_handle();
    return true;
}
