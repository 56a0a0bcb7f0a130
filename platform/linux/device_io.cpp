#include "platform/linux/device_io.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace platform::linux_impl {
namespace {

using SteadyClock = std::chrono::steady_clock;

// Nodes without poll support (the lp driver) report ready and then answer EAGAIN; retry them at
// this pace.
constexpr int kRetrySliceMs = 10;

int msUntil(SteadyClock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
    if (left <= 0) return 0;
    // Round a partial millisecond up so that a wait does not end just short of its deadline.
    return static_cast<int>(std::min<long long>(left + 1, 1 << 30));
}

}  // namespace

std::shared_ptr<OpenNode> openDeviceNode(const std::string& path, int accessMode, int& errorNumber) {
    errorNumber = 0;
    int fd = ::open(path.c_str(), accessMode | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        errorNumber = errno;
        return nullptr;
    }
    auto node = std::make_shared<OpenNode>();
    node->fd.reset(fd);
    node->path = path;
    node->accessMode = accessMode;
    // A terminal (a pseudo-terminal standing in for a printer, or a serial adapter) would
    // otherwise translate line ends and swallow control bytes of the packets.
    if (::isatty(fd)) {
        termios mode{};
        if (::tcgetattr(fd, &mode) == 0) {
            ::cfmakeraw(&mode);
            ::tcsetattr(fd, TCSANOW, &mode);
        }
    }
    return node;
}

DeviceIo::DeviceIo(std::shared_ptr<OpenNode> node) : node_(std::move(node)) {
    cancelFd_.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
}

DeviceIo::~DeviceIo() = default;

void DeviceIo::cancel() {
    cancelled_.store(true);
    if (cancelFd_.valid()) {
        uint64_t one = 1;
        // A full counter means a wake-up is already pending; nothing more to do.
        [[maybe_unused]] ssize_t ignored = ::write(cancelFd_.get(), &one, sizeof one);
    }
}

int DeviceIo::waitReady(short events, int ms) {
    for (;;) {
        pollfd fds[2] = {{fd(), events, 0}, {cancelFd_.get(), POLLIN, 0}};
        nfds_t count = cancelFd_.valid() ? 2 : 1;
        int rc = ::poll(fds, count, ms);
        if (cancelled_.load()) {
            fail(ECANCELED);
            return -1;
        }
        if (rc < 0) {
            if (errno == EINTR) continue;  // the deadline is rechecked by the caller
            fail(errno);
            return -1;
        }
        return rc == 0 ? 0 : fds[0].revents;
    }
}

bool DeviceIo::waitWritable(int totalMs) {
    const int revents = waitReady(POLLOUT, totalMs);
    if (revents < 0) return false;
    if ((revents & POLLOUT) == 0) {
        fail(revents == 0 ? ETIMEDOUT : EIO);
        return false;
    }
    return true;
}

bool DeviceIo::backOff(int ms) {
    if (ms <= 0) return !cancelled_.load();
    // Without an eventfd (none could be made) this is a plain sleep.
    pollfd wake{cancelFd_.get(), POLLIN, 0};
    while (::poll(&wake, cancelFd_.valid() ? 1 : 0, ms) < 0 && errno == EINTR) {
    }
    if (cancelled_.load()) {
        fail(ECANCELED);
        return false;
    }
    return true;
}

long DeviceIo::read(uint8_t* buffer, size_t n, const ReadBounds& bounds) {
    if (cancelled_.load()) {
        fail(ECANCELED);
        return -1;
    }
    if (n == 0) return 0;
    const auto start = SteadyClock::now();
    const auto deadline = start + std::chrono::milliseconds(std::max(bounds.totalMs, 0));
    auto lastByte = start;
    size_t got = 0;
    bool first = true;
    while (got < n) {
        auto until = deadline;
        if (got > 0 && bounds.intervalMs > 0)
            until = std::min(until, lastByte + std::chrono::milliseconds(bounds.intervalMs));
        int waitMs = msUntil(until);
        if (waitMs == 0 && !first) break;
        first = false;
        int revents = waitReady(POLLIN, waitMs);
        if (revents < 0) return -1;
        if (revents == 0) {
            if (msUntil(until) == 0) break;
            continue;
        }
        ssize_t r = ::read(fd(), buffer + got, n - got);
        if (r > 0) {
            got += static_cast<size_t>(r);
            lastByte = SteadyClock::now();
            if (bounds.returnOnFirstData) break;
            continue;
        }
        int error = (r == 0) ? 0 : errno;
        if (r < 0 && error == EINTR) continue;
        if (r < 0 && (error == EAGAIN || error == EWOULDBLOCK)) {
            if (!backOff(std::min(kRetrySliceMs, msUntil(until)))) return -1;
            if (msUntil(until) == 0) break;
            continue;
        }
        if (r == 0 && !(revents & (POLLHUP | POLLERR | POLLNVAL))) {
            // An end-of-data with the node still present (a zero-length transfer): nothing came.
            if (!backOff(std::min(kRetrySliceMs, msUntil(until)))) return -1;
            if (msUntil(until) == 0) break;
            continue;
        }
        // The node hung up (the printer went away) or failed: report what came first, the
        // failure on the next call.
        fail(r == 0 ? EIO : error);
        return got > 0 ? static_cast<long>(got) : -1;
    }
    return static_cast<long>(got);
}

long DeviceIo::write(const uint8_t* data, size_t n, int totalMs) {
    if (n == 0) return 0;
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(std::max(totalMs, 0));
    size_t done = 0;
    bool first = true;
    while (done < n) {
        int waitMs = msUntil(deadline);
        if (waitMs == 0 && !first) {
            fail(ETIMEDOUT);
            break;
        }
        first = false;
        pollfd out{fd(), POLLOUT, 0};
        int rc = ::poll(&out, 1, waitMs);
        if (rc < 0) {
            if (errno == EINTR) continue;
            fail(errno);
            return done > 0 ? static_cast<long>(done) : -1;
        }
        if (rc == 0) continue;
        if (out.revents & (POLLHUP | POLLERR | POLLNVAL) && !(out.revents & POLLOUT)) {
            fail(EIO);
            return done > 0 ? static_cast<long>(done) : -1;
        }
        ssize_t w = ::write(fd(), data + done, n - done);
        if (w > 0) {
            done += static_cast<size_t>(w);
            continue;
        }
        if (w < 0 && errno == EINTR) continue;
        if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // The lp driver reports ready without poll support; pace the retries.
            pollfd none{-1, 0, 0};
            ::poll(&none, 1, std::min(kRetrySliceMs, msUntil(deadline)));
            continue;
        }
        fail(w < 0 ? errno : EIO);
        return done > 0 ? static_cast<long>(done) : -1;
    }
    return static_cast<long>(done);
}

}  // namespace platform::linux_impl
