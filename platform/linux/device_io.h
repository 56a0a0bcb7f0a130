// Bounded, cancellable I/O on one open device node (a parallel port, a USB printer node or a
// pseudo-terminal standing in for one). Every wait is a poll() with a deadline; a second
// descriptor (an eventfd) wakes a reader at once when the channel is cancelled.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/linux/unique_fd.h"

namespace platform::linux_impl {

// An open device node, possibly shared by several channels (a USB printer node serves both the
// write and the read pipe through one descriptor, because usblp admits a single open).
struct OpenNode {
    UniqueFd fd;
    std::string path;
    int accessMode = 0;  // O_RDONLY, O_WRONLY or O_RDWR as opened
};

// Opens path with accessMode plus close-on-exec, no controlling tty and non-blocking; puts a
// terminal into raw mode so that bytes pass unchanged. nullptr and errorNumber on failure.
std::shared_ptr<OpenNode> openDeviceNode(const std::string& path, int accessMode, int& errorNumber);

// The bounds of one read.
struct ReadBounds {
    int totalMs = 0;               // the whole read; 0 = only what is there already
    int intervalMs = 0;            // the largest gap between two bytes once some came; 0 = none
    bool returnOnFirstData = false;  // end as soon as any bytes came (a USB transfer)
};

class DeviceIo {
public:
    explicit DeviceIo(std::shared_ptr<OpenNode> node);
    ~DeviceIo();
    DeviceIo(const DeviceIo&) = delete;
    DeviceIo& operator=(const DeviceIo&) = delete;

    // Count read, 0 when the bounds passed without data, -1 on failure or after cancel().
    long read(uint8_t* buffer, size_t n, const ReadBounds& bounds);
    // Count written (less than n when the time ran out), -1 on failure before any byte.
    long write(const uint8_t* data, size_t n, int totalMs);
    // Waits up to totalMs until the driver can take more (POLLOUT): for usblp, until the transfer
    // of the last write has finished. False (ETIMEDOUT, or the poll's error) when it has not.
    bool waitWritable(int totalMs);
    void cancel();
    int lastError() const { return lastError_.load(); }
    // Records a failure found above this layer (a pipe used the wrong way, an unreadable ID).
    void setError(int error) { fail(error); }
    int fd() const { return node_->fd.get(); }

private:
    // Waits up to ms for fd to be ready for events or for the cancel signal. Returns the fd's
    // revents (0 on time-out), or -1 when cancelled or poll failed (lastError_ set).
    int waitReady(short events, int ms);
    // A short pause between retries of a node that says ready but has nothing (EAGAIN), still
    // woken by cancel(). False when cancelled.
    bool backOff(int ms);
    void fail(int error) { lastError_.store(error); }

    std::shared_ptr<OpenNode> node_;
    UniqueFd cancelFd_;
    std::atomic<bool> cancelled_{false};
    std::atomic<int> lastError_{0};
};

}  // namespace platform::linux_impl
