// Parallel ports on Linux: LPTn is the lp driver's node dev/lp{n-1}; its device ID comes from the
// kernel's autoprobe text or, where only ppdev is there, from an IEEE 1284 negotiation.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "platform/linux/device_io.h"
#include "platform/linux/roots.h"
#include "platform/platform.h"

namespace platform::linux_impl {

// Used when a device's CommTimeouts are all zero: long enough for a reply already on its way,
// short enough that the link's reader keeps its own pace.
constexpr int kDefaultParallelReadMs = 100;
// Used when the write time-outs are all zero: a printer that takes no byte for this long is gone.
constexpr int kDefaultWriteMs = 10000;

// How a device's CommTimeouts bound one read of n bytes (all zero -> the default above).
ReadBounds parallelReadBounds(const CommTimeouts& timeouts, size_t n);
// How they bound one write of n bytes.
int parallelWriteMs(const CommTimeouts& timeouts, size_t n);

class LinuxSystemInfo : public SystemInfo {
public:
    // ports: where a port's reverse channel and status lines are asked (outlives this object).
    LinuxSystemInfo(Roots roots, ParallelPorts& ports) : roots_(std::move(roots)), ports_(ports) {}
    // Linux gives programs direct two-way access to parallel ports.
    OsKind osKind() override { return OsKind::TwoWay; }
    // The node opens for writing but not for reading: the caller may write but not read it, or
    // its permission bits give nobody read access (an administrator's way of marking a port
    // write-only, which holds for root too). Or the port has no reverse channel and its printer
    // is ready: the lp driver then reads no device ID (an empty autoprobe text, no ppdev
    // answer) and fails every read at once with EIO.
    bool parallelPortIsWriteOnly(const std::string& portName) override;

private:
    Roots roots_;
    ParallelPorts& ports_;
};

class LinuxParallelChannel : public ParallelChannel {
public:
    LinuxParallelChannel(std::shared_ptr<OpenNode> node, Roots roots, int portIndex);

    long write(const uint8_t* data, size_t n) override;
    long read(uint8_t* buffer, size_t n, int timeoutMs = -1) override;
    void cancel() override { io_.cancel(); }
    int lastError() const override;

    bool readDeviceId(uint8_t* buffer, size_t size, size_t& length) override;
    bool getTimeouts(CommTimeouts& timeouts) override;
    bool setTimeouts(const CommTimeouts& timeouts) override;

private:
    CommTimeouts currentTimeouts();

    DeviceIo io_;
    Roots roots_;
    int portIndex_;  // n - 1 for LPTn
    std::mutex timeoutsMutex_;
    CommTimeouts timeouts_;
};

class LinuxParallelPorts : public ParallelPorts {
public:
    explicit LinuxParallelPorts(Roots roots) : roots_(std::move(roots)) {}
    std::unique_ptr<ParallelChannel> open(const std::string& portName, int& errorNumber) override;
    std::unique_ptr<Channel> openWriteOnly(const std::string& portName, int& errorNumber) override;
    // dev/lp{n-1} under the device root; the port name when it names no port.
    std::string deviceNode(const std::string& portName) override;
    // LPGETSTATUS of the lp node, opened for writing without waiting for the printer. A node
    // without status lines (a pseudo-terminal) answers ENOTTY.
    bool readStatus(const std::string& portName, ParallelStatus& status, int& errorNumber) override;

private:
    Roots roots_;
};

// A write-only device channel (the one-way copy to a parallel port).
class LinuxWriteChannel : public Channel {
public:
    explicit LinuxWriteChannel(std::shared_ptr<OpenNode> node) : io_(std::move(node)) {}
    long write(const uint8_t* data, size_t n) override { return io_.write(data, n, kDefaultWriteMs); }
    long read(uint8_t*, size_t, int) override;
    void cancel() override { io_.cancel(); }
    int lastError() const override { return io_.lastError(); }

private:
    DeviceIo io_;
};

// Reads the device ID of parport{index} by IEEE 1284 device-ID negotiation through its ppdev node
// (nibble mode), bounded to about a second. Fills buffer (capacity size) with the ID without its
// length prefix. False (errorNumber set) when the node is missing or does not take the requests.
bool readPpdevDeviceId(const std::string& ppdevPath, uint8_t* buffer, size_t size, size_t& length,
                       int& errorNumber);

}  // namespace platform::linux_impl
