// sim::VirtualPrinter plays an Altrin Pressline T90 at the far end of a cable: the host's bytes go
// in through receive(), the printer's answers come out through transmit(). It answers the IEEE
// 1284 device-ID request, the PJL mode query and the NPA packets (start, batch and single reads,
// writes, alert registration, offline and online), keeps its settings like NVRAM, and records the
// wire in both directions. Fault knobs (sim/faults.h) make it misbehave on request.
//
// Thread safety: every member may be called from any thread; receive() and transmit() may run on
// two threads at once, and several threads may wait in transmit().
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sim/faults.h"
#include "sim/model.h"

namespace sim {

class NpaEngine;
class Nvram;
class WireStream;

class VirtualPrinter {
public:
    // The most one transmit() hands over in USB mode (one bulk transfer).
    static constexpr size_t kUsbTransferSize = 32;

    explicit VirtualPrinter(PrinterConfig config = {});
    ~VirtualPrinter();
    VirtualPrinter(const VirtualPrinter&) = delete;
    VirtualPrinter& operator=(const VirtualPrinter&) = delete;

    // False (with a message) when the model file could not be read; the printer then knows no
    // settings and answers batch reads with no entries.
    bool modelLoaded() const;
    std::string modelError() const;
    // Empty when the state file (PrinterConfig::stateFile) is fine; otherwise one sentence naming
    // it, what is wrong and how to fix it. A printer whose state file cannot be used keeps the
    // defaults in memory and refuses to go offline, so the file is never overwritten.
    std::string stateError() const;
    // The longest a request to go offline waits for another program's write session on the same
    // state file (Nvram::kDefaultLockWaitMs); tests shrink it.
    void setStateLockWaitMs(int ms);

    // Bytes from the host. Returns how many were taken (fewer when the cable is pulled in the
    // middle, or when the printer stops reading: Faults::stopReadingAfterPackets), or -1 when
    // disconnected.
    long receive(const uint8_t* data, size_t n);
    // Bytes to the host: waits up to timeoutMs (0: no wait) for something to send and returns
    // how many bytes were copied (at most max, at most 32 in USB mode), 0 after the wait or a
    // wakeReaders() or once *abort is true (checked under the printer's lock, so a reader
    // cannot miss an abort that is followed by wakeReaders()), -1 when disconnected.
    long transmit(uint8_t* buffer, size_t max, int timeoutMs, const std::atomic<bool>* abort = nullptr);
    // Makes every transmit() that waits now return 0 at once.
    void wakeReaders();

    // The cable: disconnect() makes receive and transmit fail and wakes waiting readers;
    // reconnect() plugs it in again (pending output is dropped, NVRAM kept).
    void disconnect();
    void reconnect();
    bool connected() const;

    // The IEEE 1284 device ID in the long key form, without the two-byte length prefix;
    // false when the device-ID request fails (fault deviceIdUnreadable).
    bool readDeviceId(std::vector<uint8_t>& out) const;
    std::string deviceId() const;

    void setConfig(const PrinterConfig& config);  // identity and mode; keeps NVRAM and the wire
    PrinterConfig config() const;
    void setNpaMode(NpaMode mode);
    void setUsbTransfers(bool usb);
    void setFaults(const Faults& faults);
    Faults faults() const;

    // Printer state.
    bool offline() const;
    bool alertRegistered() const;
    bool npaStarted() const;  // the start packet has been seen (mode Auto)
    std::optional<Bytes> value(uint16_t id) const;
    // Sets a value as the operator panel would, without validation or a wire trace.
    void setValue(uint16_t id, const Bytes& value);
    const Model& model() const;

    // Wire recording.
    std::vector<std::vector<uint8_t>> receivedPackets() const;  // every complete NPA packet from the host
    std::vector<std::vector<uint8_t>> receivedChunks() const;   // the host's bytes as handed to receive()
    std::vector<uint8_t> receivedBytes() const;                 // all of them in one run
    std::vector<std::string> receivedPjl() const;               // PJL command lines (without CR LF)
    std::vector<std::vector<uint8_t>> sentPackets() const;      // every unit queued for the host, faults included
    std::vector<uint8_t> sentBytes() const;                     // all bytes queued for the host
    size_t pendingOutput() const;                               // queued bytes not yet transmitted
    // Drops the queued bytes that are ready for the host (what a host's driver had already taken
    // in and loses when it lets go of the device); bytes still to come later stay. Returns how
    // many were dropped.
    size_t dropReadyOutput();
    void clearWire();
    // Waits until at least count NPA packets have been received (or timeoutMs passed).
    bool waitForPackets(size_t count, int timeoutMs) const;

private:
    using Clock = std::chrono::steady_clock;
    struct Chunk {
        Clock::time_point readyAt;
        std::vector<uint8_t> bytes;
    };

    void handleUnitsLocked();
    void queueReplyLocked(const std::vector<Bytes>& packets, bool npa);
    void queueLocked(std::vector<uint8_t> bytes, Clock::time_point readyAt);

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    PrinterConfig config_;
    Faults faults_;
    std::unique_ptr<Model> model_;
    std::string modelError_;
    bool modelLoaded_ = false;
    std::unique_ptr<Nvram> nvram_;
    std::unique_ptr<NpaEngine> engine_;
    std::unique_ptr<WireStream> stream_;
    bool connected_ = true;
    long bytesUntilDisconnect_ = -1;
    long packetsUntilDeaf_ = -1;  // Faults::stopReadingAfterPackets counting down; 0: reads nothing
    uint64_t wakeGeneration_ = 0;
    std::deque<Chunk> output_;
    size_t outputOffset_ = 0;  // bytes of output_.front() already transmitted

    size_t receivedPacketCount_ = 0;  // counted even when the wire is not recorded
    std::vector<std::vector<uint8_t>> receivedPackets_;
    std::vector<std::vector<uint8_t>> receivedChunks_;
    std::vector<std::string> receivedPjl_;
    std::vector<std::vector<uint8_t>> sentPackets_;
};

}  // namespace sim
