// Parallel ports: the LPTn devices through CreateFile, their CommTimeouts and device ID.
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "platform/port_name.h"
#include "platform/windows/system_replies.h"
#include "platform/windows/platform_classes.h"

namespace platform::windows_impl {
namespace {

// IOCTL_PAR_QUERY_DEVICE_ID of the parallel port driver: CTL_CODE(FILE_DEVICE_PARALLEL_PORT, 3,
// METHOD_BUFFERED, FILE_ANY_ACCESS).
constexpr DWORD kParQueryDeviceId = 0x0016000C;
constexpr DWORD kParallelDeviceIdWaitMs = 1000;
constexpr uint32_t kNoWait = std::numeric_limits<uint32_t>::max();
// Used when a device's CommTimeouts are all zero: long enough for a reply already on its way,
// short enough that the link's reader keeps its own pace.
constexpr DWORD kDefaultReadMs = 100;
// Used when the write time-outs are all zero: a printer that takes no byte for this long is gone.
constexpr DWORD kDefaultWriteMs = 10000;

DWORD clampMs(uint64_t ms) {
    // INFINITE is 0xFFFFFFFF: every bound stays below it.
    return static_cast<DWORD>(std::min<uint64_t>(ms, INFINITE - 1));
}

// How long one read of n bytes may take under these time-outs (the serial-port meaning).
DWORD readWaitMs(const CommTimeouts& t, size_t n) {
    if (t.readInterval == kNoWait && t.readTotalConstant == 0 && t.readTotalMultiplier == 0) return 0;
    const uint64_t total = uint64_t{t.readTotalConstant} + uint64_t{t.readTotalMultiplier} * n;
    return total == 0 ? kDefaultReadMs : clampMs(total);
}

DWORD writeWaitMs(const CommTimeouts& t, size_t n) {
    const uint64_t total = uint64_t{t.writeTotalConstant} + uint64_t{t.writeTotalMultiplier} * n;
    return total == 0 ? kDefaultWriteMs : clampMs(total);
}

UniqueHandle openPort(const std::string& portName, DWORD access, int& errorNumber) {
    errorNumber = 0;
    const auto number = platform::ParallelPortNumber(portName);
    if (!number) {
        errorNumber = ENOENT;
        return {};
    }
    for (const std::string& name : parallelDeviceNames(*number)) {
        UniqueHandle port(::CreateFileW(win32::Widen(name).c_str(), access, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                                        nullptr));
        if (port.valid()) return port;
        const DWORD error = ::GetLastError();
        errorNumber = errnoFromWin32(error);
        // Only a name the system does not know is worth the other spelling; a busy or refused
        // port stays so.
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND && error != ERROR_INVALID_NAME) break;
    }
    return {};
}

// A channel of a port opened for writing alone (the one-way copy).
class WriteOnlyChannel : public Channel {
public:
    explicit WriteOnlyChannel(UniqueHandle handle) : device_(std::move(handle)) {}
    long write(const uint8_t* data, size_t n) override { return device_.writeFor(data, n, kDefaultWriteMs); }
    long read(uint8_t*, size_t, int) override {
        device_.setError(EBADF);  // opened for writing only
        return -1;
    }
    void cancel() override { device_.cancel(); }
    int lastError() const override { return device_.lastError(); }

private:
    DeviceChannel device_;
};

}  // namespace

CommTimeouts WindowsParallelChannel::current() {
    std::lock_guard lock(mutex_);
    return timeouts_;
}

long WindowsParallelChannel::write(const uint8_t* data, size_t n) {
    return device_.writeFor(data, n, writeWaitMs(current(), n));
}

long WindowsParallelChannel::read(uint8_t* buffer, size_t n, int) {
    // The driver ends the read by the CommTimeouts; the same bound here holds a driver that does not.
    return device_.readFor(buffer, n, readWaitMs(current(), n));
}

bool WindowsParallelChannel::getTimeouts(CommTimeouts& timeouts) {
    COMMTIMEOUTS system{};
    if (::GetCommTimeouts(device_.handle(), &system)) {
        timeouts.readInterval = system.ReadIntervalTimeout;
        timeouts.readTotalMultiplier = system.ReadTotalTimeoutMultiplier;
        timeouts.readTotalConstant = system.ReadTotalTimeoutConstant;
        timeouts.writeTotalMultiplier = system.WriteTotalTimeoutMultiplier;
        timeouts.writeTotalConstant = system.WriteTotalTimeoutConstant;
        std::lock_guard lock(mutex_);
        timeouts_ = timeouts;
        known_ = true;
        return true;
    }
    device_.setError(win32::LastErrno());
    // A driver without time-outs of its own: the ones set here are what bounds the calls.
    std::lock_guard lock(mutex_);
    if (!known_) return false;
    timeouts = timeouts_;
    return true;
}

bool WindowsParallelChannel::setTimeouts(const CommTimeouts& timeouts) {
    COMMTIMEOUTS system{};
    system.ReadIntervalTimeout = timeouts.readInterval;
    system.ReadTotalTimeoutMultiplier = timeouts.readTotalMultiplier;
    system.ReadTotalTimeoutConstant = timeouts.readTotalConstant;
    system.WriteTotalTimeoutMultiplier = timeouts.writeTotalMultiplier;
    system.WriteTotalTimeoutConstant = timeouts.writeTotalConstant;
    const bool applied = ::SetCommTimeouts(device_.handle(), &system) != 0;
    const DWORD error = applied ? 0 : ::GetLastError();
    // A driver that has no time-outs (ERROR_INVALID_FUNCTION, ERROR_NOT_SUPPORTED) still gets them
    // kept: every read and write here waits no longer than they say.
    if (!applied && error != ERROR_INVALID_FUNCTION && error != ERROR_NOT_SUPPORTED) {
        device_.setError(errnoFromWin32(error));
        return false;
    }
    std::lock_guard lock(mutex_);
    timeouts_ = timeouts;
    known_ = true;
    return true;
}

bool WindowsParallelChannel::readDeviceId(uint8_t* buffer, size_t size, size_t& length) {
    length = 0;
    if (buffer == nullptr || size == 0) {
        device_.setError(EINVAL);
        return false;
    }
    uint8_t reply[4096] = {};
    DWORD returned = 0;
    if (!deviceControl(device_.handle(), kParQueryDeviceId, nullptr, 0, reply, sizeof reply, returned, kParallelDeviceIdWaitMs)) {
        device_.setError(win32::LastErrno());
        return false;
    }
    const auto id = deviceIdFromParallelReply(reply, std::min<size_t>(returned, sizeof reply));
    if (!id) {
        device_.setError(ENODATA);
        return false;
    }
    length = std::min(id->size(), size);
    std::memcpy(buffer, id->data(), length);
    return true;
}

std::unique_ptr<ParallelChannel> WindowsParallelPorts::open(const std::string& portName, int& errorNumber) {
    UniqueHandle port = openPort(portName, GENERIC_READ | GENERIC_WRITE, errorNumber);
    if (!port.valid()) return nullptr;
    return std::make_unique<WindowsParallelChannel>(std::move(port));
}

std::unique_ptr<Channel> WindowsParallelPorts::openWriteOnly(const std::string& portName, int& errorNumber) {
    UniqueHandle port = openPort(portName, GENERIC_WRITE, errorNumber);
    if (!port.valid()) return nullptr;
    return std::make_unique<WriteOnlyChannel>(std::move(port));
}

std::string WindowsParallelPorts::deviceNode(const std::string& portName) {
    const auto number = platform::ParallelPortNumber(portName);
    return number ? parallelDeviceNames(*number).front() : portName;
}

bool WindowsParallelPorts::readStatus(const std::string&, ParallelStatus&, int& errorNumber) {
    errorNumber = ENOTSUP;
    return false;
}

}  // namespace platform::windows_impl
