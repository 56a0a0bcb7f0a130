#include "sim/linux/printer_host_end.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <time.h>
#include <termios.h>
#include <unistd.h>

namespace sim {
namespace {

// How long a read pauses after a failed read or a hang-up before the next try, so that a host
// that is away (a gadget not yet configured by its host, a terminal end closed) is not polled in
// a busy loop.
constexpr int kRetryPauseMs = 10;
// The slice of a write's wait for the host to take bytes; stop is checked between slices.
constexpr int kWriteSliceMs = 100;

bool MakeRaw(int fd) {
    termios t{};
    if (::tcgetattr(fd, &t) != 0) return false;
    ::cfmakeraw(&t);
    return ::tcsetattr(fd, TCSANOW, &t) == 0;
}

bool SetNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

std::string Describe(const std::string& what, int error) { return what + ": " + std::strerror(error); }

void Pause(int ms) {
    if (ms > 0) ::poll(nullptr, 0, ms);
}

// After a client's half-close, the longest its replies still go out before the connection closes.
constexpr long kHalfCloseGraceMs = 1000;

long NowMs() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// Closes a connection with a reset (RST) instead of an orderly close.
void CloseWithReset(int fd) {
    linger l{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    ::close(fd);
}

}  // namespace

std::unique_ptr<HostEnd> HostEnd::OpenPty(std::string& error) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) {
        error = Describe("pseudo-terminal", errno);
        return nullptr;
    }
    const char* slavePath = nullptr;
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 || (slavePath = ::ptsname(master)) == nullptr) {
        error = Describe("pseudo-terminal", errno);
        ::close(master);
        return nullptr;
    }
    std::unique_ptr<HostEnd> end(new HostEnd(Kind::Pty, slavePath));
    end->ioFd_ = master;
    // Holding the terminal open ourselves keeps the master readable between the host's opens
    // (with no terminal end open, reads of the master fail).
    end->keptFd_ = ::open(end->path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (end->keptFd_ < 0 || !MakeRaw(end->keptFd_) || !MakeRaw(master) || !SetNonBlocking(master)) {
        error = Describe("raw mode of " + end->path_, errno);
        return nullptr;
    }
    return end;
}

std::unique_ptr<HostEnd> HostEnd::OpenDevice(const std::string& path, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = Describe(path, errno);
        return nullptr;
    }
    std::unique_ptr<HostEnd> end(new HostEnd(Kind::Device, path));
    end->ioFd_ = fd;
    // A terminal (the host side of an emulated port on a pty) would otherwise translate line
    // ends and swallow control bytes of the packets.
    if (::isatty(fd) && !MakeRaw(fd)) {
        error = Describe("raw mode of " + path, errno);
        return nullptr;
    }
    return end;
}

std::unique_ptr<HostEnd> HostEnd::Listen(const std::string& path, std::string& error) {
    sockaddr_un address{};
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        error = path + ": a socket path must have 1 to " + std::to_string(sizeof address.sun_path - 1) + " bytes";
        return nullptr;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        error = Describe("socket", errno);
        return nullptr;
    }
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 1) != 0) {
        error = Describe(path, errno);
        ::close(fd);
        return nullptr;
    }
    std::unique_ptr<HostEnd> end(new HostEnd(Kind::Socket, path));
    end->listenFd_ = fd;
    return end;
}

std::unique_ptr<HostEnd> HostEnd::ListenTcp(const std::string& host, uint16_t port, const TcpFaults& faults,
                                            std::string& error) {
    sockaddr_storage address{};
    socklen_t size = 0;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
    if (::inet_pton(AF_INET, host.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(port);
        size = sizeof *v4;
    } else if (::inet_pton(AF_INET6, host.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(port);
        size = sizeof *v6;
    } else {
        error = host + ": give an IPv4 or IPv6 address to listen on (127.0.0.1, ::1)";
        return nullptr;
    }
    const int fd = ::socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        error = Describe("socket", errno);
        return nullptr;
    }
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    // A refusing port is bound (so that no one else takes it) but never listens.
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 || (!faults.refuse && ::listen(fd, 1) != 0) ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        error = Describe(host + ":" + std::to_string(port), errno);
        ::close(fd);
        return nullptr;
    }
    const uint16_t bound = ntohs(address.ss_family == AF_INET ? v4->sin_port : v6->sin6_port);
    const std::string shown = address.ss_family == AF_INET6 ? "[" + host + "]" : host;
    std::unique_ptr<HostEnd> end(new HostEnd(Kind::Tcp, shown + ":" + std::to_string(bound)));
    end->listenFd_ = fd;
    end->faults_ = faults;
    return end;
}

HostEnd::~HostEnd() {
    if (ioFd_ >= 0) ::close(ioFd_);
    if (keptFd_ >= 0) ::close(keptFd_);
    if (secondFd_ >= 0) ::close(secondFd_);
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        if (kind_ == Kind::Socket) ::unlink(path_.c_str());
    }
}

int HostEnd::acceptConnection(int timeoutMs) {
    pollfd p{listenFd_, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) return -1;
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) return -1;
    if (kind_ == Kind::Tcp && onConnect_) onConnect_();
    std::lock_guard lock(ioMutex_);
    ioFd_ = fd;
    return fd;
}

void HostEnd::resetConnection() {
    std::lock_guard lock(ioMutex_);
    if (ioFd_ >= 0) CloseWithReset(ioFd_);
    ioFd_ = -1;
}

long HostEnd::readTcp(int fd, uint8_t* buffer, size_t n, int timeoutMs) {
    if (halfClosedAtMs_ >= 0) {
        // The client has sent everything; its replies still go out for a while.
        const bool pending = repliesPending_ && repliesPending_();
        if (pending) Pause(timeoutMs < 5 ? timeoutMs : 5);
        if (!pending || NowMs() - halfClosedAtMs_ >= kHalfCloseGraceMs) {
            halfClosedAtMs_ = -1;
            dropConnection();
        }
        return 0;
    }
    // A second client is accepted and reset as soon as it sends (so that it always meets the
    // reset on its first request, never in the middle of its connect).
    pollfd p[3] = {{fd, POLLIN, 0}, {faults_.refuseSecond ? listenFd_ : -1, POLLIN, 0}, {secondFd_, POLLIN, 0}};
    if (::poll(p, 3, timeoutMs) <= 0) return 0;
    if ((p[2].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
        CloseWithReset(secondFd_);
        secondFd_ = -1;
    }
    if ((p[1].revents & POLLIN) != 0) {
        const int second = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (second >= 0) {
            if (secondFd_ >= 0) CloseWithReset(secondFd_);
            secondFd_ = second;
        }
    }
    if ((p[0].revents & (POLLIN | POLLHUP | POLLERR)) == 0) return 0;
    ssize_t got = ::read(fd, buffer, n);
    if (got > 0) {
        if (faults_.resetAfter >= 0 && !resetDone_ && receivedTotal_ + got >= faults_.resetAfter) {
            // The bytes before the reset still reach the printer.
            got = faults_.resetAfter - receivedTotal_;
            resetDone_ = true;
            resetConnection();
        }
        receivedTotal_ += got;
        return faults_.silent ? 0 : static_cast<long>(got);
    }
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) return 0;
    if (got == 0 && !faults_.closeOnHalfClose) {
        halfClosedAtMs_ = NowMs();
        return 0;
    }
    dropConnection();
    return 0;
}

void HostEnd::dropConnection() {
    std::lock_guard lock(ioMutex_);
    if (ioFd_ >= 0) ::close(ioFd_);
    ioFd_ = -1;
}

long HostEnd::read(uint8_t* buffer, size_t n, int timeoutMs) {
    // Only this thread changes ioFd_, so it reads it without the lock.
    int fd = ioFd_;
    if (fd < 0) {
        if (kind_ == Kind::Tcp && faults_.refuse) {
            Pause(timeoutMs);
            return 0;
        }
        if ((kind_ != Kind::Socket && kind_ != Kind::Tcp) || (fd = acceptConnection(timeoutMs)) < 0) return 0;
    }
    if (kind_ == Kind::Tcp) return readTcp(fd, buffer, n, timeoutMs);
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) return 0;
    const ssize_t got = ::read(fd, buffer, n);
    if (got > 0) return static_cast<long>(got);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) return 0;
    if (kind_ == Kind::Socket) {
        dropConnection();  // the host hung up: wait for the next one
        return 0;
    }
    // No terminal end open, or a gadget whose host is away: try again shortly.
    Pause(timeoutMs < kRetryPauseMs ? timeoutMs : kRetryPauseMs);
    return 0;
}

bool HostEnd::write(const uint8_t* data, size_t n, const std::atomic<bool>& stop) {
    size_t done = 0;
    while (done < n && !stop.load()) {
        int fd = -1;
        {
            std::lock_guard lock(ioMutex_);
            fd = ioFd_;
            if (fd < 0) return false;
            const ssize_t w = ::write(fd, data + done, n - done);
            if (w > 0) {
                done += static_cast<size_t>(w);
                continue;
            }
            if (w < 0 && errno == EINTR) continue;
            if (w == 0 || errno != EAGAIN) return false;
        }
        // The host does not take bytes now: wait without the lock, so that a hang-up can be
        // handled meanwhile (a descriptor closed under this wait only ends it early).
        pollfd p{fd, POLLOUT, 0};
        ::poll(&p, 1, kWriteSliceMs);
    }
    return done == n;
}

}  // namespace sim
