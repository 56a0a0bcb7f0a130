// State and routines shared by the files of the printer link. Nothing outside link/ and the
// link's tests includes this header.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <semaphore>
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

    // The reader thread (at most one) and what it shares with callers.
    std::thread readThread;           // G_hReadThread
    bool readThreadRunning = false;   // the thread has been started and not yet joined
    bool expectingResponse = false;   // bExpectingResponse, under transactionInfo
    uint8_t command = 0;              // ucCommand, under transactionInfo
    std::mutex transactionInfo;       // G_hTransactionInfo
    uint8_t slots[SLC_SLOT_COUNT][SLC_SLOT_SIZE] = {};
    int32_t slotLength[SLC_SLOT_COUNT] = {};
    std::mutex responseMutex;         // G_hResponseMutex
    std::binary_semaphore semResponse{0};  // G_hSemResponse
    std::binary_semaphore semGoRead{0};    // G_hSemGoRead
};

SlcState& SlcGlobals();

// Test support: ends any reader thread, closes the port and returns the link to its state before
// SlcInit, so that the next public call initialises it again with the installed platform.
void SlcResetForTesting();

// Releases a binary semaphore without exceeding its maximum count of 1.
void SlcSignal(std::binary_semaphore& sem);

// Parallel port and NPA detection (parallel.cpp, npa_detect.cpp).
int ParOpenPort(const char* portName);
int ParSendCommand(const uint8_t* command, uint32_t length, uint8_t* reply, uint32_t* replyLength);
int ParGetResponse(uint8_t* reply, uint32_t* replyLength, uint8_t expectedCommand);
int SendNPAStart(platform::Channel& channel);  // 0 written, 1 failed
bool IsRecognizedDeviceId(const char* deviceId, size_t length);

// Offline control and the file port (offline.cpp).
int ParOffline(int offline);
int FileOffline(platform::Channel& channel, int offline);
int FileSendCommand(platform::Channel& channel, const uint8_t* command, uint32_t length,
                    uint8_t* reply, uint32_t* replyLength);
int SlcCopyFiles();
