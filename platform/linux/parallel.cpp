#include "platform/linux/parallel.h"

#include <fcntl.h>
#include <linux/lp.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "platform/linux/device_id.h"
#include "platform/linux/port_names.h"
#include "platform/port_name.h"
#include "platform/reverse_channel.h"

namespace platform::linux_impl {
namespace {

constexpr uint32_t kNoWait = std::numeric_limits<uint32_t>::max();
// Autoprobe text and device IDs are short; anything longer is cut at the caller's buffer anyway.
constexpr size_t kAutoprobeLimit = 4096;

int clampMs(uint64_t ms) {
    return static_cast<int>(std::min<uint64_t>(ms, static_cast<uint64_t>(std::numeric_limits<int>::max())));
}

std::string lpNode(int index) { return "dev/lp" + std::to_string(index); }

}  // namespace

ReadBounds parallelReadBounds(const CommTimeouts& t, size_t n) {
    ReadBounds bounds;
    if (t.readInterval == kNoWait && t.readTotalConstant == 0 && t.readTotalMultiplier == 0) {
        // Serial-port convention: return at once with whatever is there.
        return bounds;
    }
    uint64_t total = uint64_t{t.readTotalConstant} + uint64_t{t.readTotalMultiplier} * n;
    if (total == 0) total = kDefaultParallelReadMs;  // no read without a bound
    bounds.totalMs = clampMs(total);
    bounds.intervalMs = t.readInterval == kNoWait ? 0 : clampMs(t.readInterval);
    return bounds;
}

int parallelWriteMs(const CommTimeouts& t, size_t n) {
    uint64_t total = uint64_t{t.writeTotalConstant} + uint64_t{t.writeTotalMultiplier} * n;
    return total == 0 ? kDefaultWriteMs : clampMs(total);
}

bool LinuxSystemInfo::parallelPortIsWriteOnly(const std::string& portName) {
    auto number = platform::ParallelPortNumber(portName);
    if (!number) return false;
    std::string path = roots_.devPath(lpNode(*number - 1));
    if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return false;
    if (::faccessat(AT_FDCWD, path.c_str(), R_OK, AT_EACCESS) != 0) return true;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    if ((st.st_mode & (S_IRUSR | S_IRGRP | S_IROTH)) == 0) return true;
    return ReadyPrinterWithoutReverseChannel(ports_, portName);
}

LinuxParallelChannel::LinuxParallelChannel(std::shared_ptr<OpenNode> node, Roots roots, int portIndex)
    : io_(std::move(node)), roots_(std::move(roots)), portIndex_(portIndex) {}

CommTimeouts LinuxParallelChannel::currentTimeouts() {
    std::lock_guard lock(timeoutsMutex_);
    return timeouts_;
}

long LinuxParallelChannel::write(const uint8_t* data, size_t n) {
    return io_.write(data, n, parallelWriteMs(currentTimeouts(), n));
}

long LinuxParallelChannel::read(uint8_t* buffer, size_t n, int) {
    // A parallel device is bounded by its CommTimeouts, as the link sets them.
    return io_.read(buffer, n, parallelReadBounds(currentTimeouts(), n));
}

int LinuxParallelChannel::lastError() const { return io_.lastError(); }

bool LinuxParallelChannel::getTimeouts(CommTimeouts& timeouts) {
    timeouts = currentTimeouts();
    return true;
}

bool LinuxParallelChannel::setTimeouts(const CommTimeouts& timeouts) {
    std::lock_guard lock(timeoutsMutex_);
    timeouts_ = timeouts;
    return true;
}

bool LinuxParallelChannel::readDeviceId(uint8_t* buffer, size_t size, size_t& length) {
    length = 0;
    if (buffer == nullptr || size == 0) {
        io_.setError(EINVAL);
        return false;
    }
    // The kernel probes the device ID when the port comes up and keeps it in procfs; reading it
    // there needs no negotiation with a printer that is busy with our own traffic.
    std::string probe = roots_.procPath("proc/sys/dev/parport/parport" + std::to_string(portIndex_) + "/autoprobe");
    int error = 0;
    if (auto text = readSmallFile(probe, kAutoprobeLimit, error)) {
        std::string id = joinAutoprobeLines(*text);
        if (id.empty()) {
            io_.setError(ENODATA);
            return false;
        }
        length = std::min(id.size(), size);
        std::memcpy(buffer, id.data(), length);
        return true;
    }
    std::string ppdev = roots_.devPath("dev/parport" + std::to_string(portIndex_));
    if (::access(ppdev.c_str(), F_OK) == 0) {
        if (readPpdevDeviceId(ppdev, buffer, size, length, error)) return true;
    }
    io_.setError(error != 0 ? error : ENOENT);
    return false;
}

std::unique_ptr<ParallelChannel> LinuxParallelPorts::open(const std::string& portName, int& errorNumber) {
    auto number = platform::ParallelPortNumber(portName);
    if (!number) {
        errorNumber = ENOENT;
        return nullptr;
    }
    auto node = openDeviceNode(roots_.devPath(lpNode(*number - 1)), O_RDWR, errorNumber);
    if (!node) return nullptr;
    return std::make_unique<LinuxParallelChannel>(std::move(node), roots_, *number - 1);
}

std::unique_ptr<Channel> LinuxParallelPorts::openWriteOnly(const std::string& portName, int& errorNumber) {
    auto number = platform::ParallelPortNumber(portName);
    if (!number) {
        errorNumber = ENOENT;
        return nullptr;
    }
    auto node = openDeviceNode(roots_.devPath(lpNode(*number - 1)), O_WRONLY, errorNumber);
    if (!node) return nullptr;
    return std::make_unique<LinuxWriteChannel>(std::move(node));
}

std::string LinuxParallelPorts::deviceNode(const std::string& portName) {
    auto number = platform::ParallelPortNumber(portName);
    if (!number) return portName;
    return roots_.devPath(lpNode(*number - 1));
}

bool LinuxParallelPorts::readStatus(const std::string& portName, ParallelStatus& status, int& errorNumber) {
    auto number = platform::ParallelPortNumber(portName);
    if (!number) {
        errorNumber = ENOENT;
        return false;
    }
    // Non-blocking: the lp driver would otherwise wait for an off-line printer at the open.
    auto node = openDeviceNode(roots_.devPath(lpNode(*number - 1)), O_WRONLY, errorNumber);
    if (!node) return false;
    int lines = 0;
    if (::ioctl(node->fd.get(), LPGETSTATUS, &lines) != 0) {
        errorNumber = errno;
        return false;
    }
    // The status register as the driver reads it; an error is signalled by LP_PERRORP low.
    status.selected = (lines & LP_PSELECD) != 0;
    status.paperOut = (lines & LP_POUTPA) != 0;
    status.fault = (lines & LP_PERRORP) == 0;
    errorNumber = 0;
    return true;
}

long LinuxWriteChannel::read(uint8_t*, size_t, int) {
    io_.setError(EBADF);  // opened for writing only
    return -1;
}

}  // namespace platform::linux_impl
