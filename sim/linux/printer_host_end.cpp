#include "sim/linux/printer_host_end.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
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

HostEnd::~HostEnd() {
    if (ioFd_ >= 0) ::close(ioFd_);
    if (keptFd_ >= 0) ::close(keptFd_);
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        ::unlink(path_.c_str());
    }
}

int HostEnd::acceptConnection(int timeoutMs) {
    pollfd p{listenFd_, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) return -1;
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) return -1;
    std::lock_guard lock(ioMutex_);
    ioFd_ = fd;
    return fd;
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
        if (kind_ != Kind::Socket || (fd = acceptConnection(timeoutMs)) < 0) return 0;
    }
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
