#include "platform/tcp_socket.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {
namespace {

// Writes wait for the peer in slices of this length, so that cancel() ends them soon (reads are
// woken through the wake pipe instead).
constexpr int kTcpSliceMs = 20;

using TcpClock = std::chrono::steady_clock;

int TcpRemainingMs(TcpClock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TcpClock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

class PosixTcpChannel final : public TcpChannel {
public:
    PosixTcpChannel(int fd, uint32_t writeMs) : fd_(fd), writeMs_(writeMs) {
        if (::pipe2(wakePipe_, O_CLOEXEC | O_NONBLOCK) != 0) wakePipe_[0] = wakePipe_[1] = -1;
    }
    ~PosixTcpChannel() override {
        ::close(fd_);
        if (wakePipe_[0] >= 0) ::close(wakePipe_[0]);
        if (wakePipe_[1] >= 0) ::close(wakePipe_[1]);
    }

    long write(const uint8_t* data, size_t n) override {
        const TcpClock::time_point deadline = TcpClock::now() + std::chrono::milliseconds(writeMs_);
        size_t done = 0;
        while (done < n) {
            if (cancelled_.load() || lost_.load()) return fail(ECANCELED, done);
            const ssize_t w = ::send(fd_, data + done, n - done, MSG_NOSIGNAL);
            if (w > 0) {
                done += static_cast<size_t>(w);
                continue;
            }
            if (w < 0 && errno == EINTR) continue;
            if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                lost_.store(true);
                return fail(errno, done);
            }
            const int left = TcpRemainingMs(deadline);
            if (left == 0) return fail(ETIMEDOUT, done);
            pollfd p{fd_, POLLOUT, 0};
            ::poll(&p, 1, left < kTcpSliceMs ? left : kTcpSliceMs);
        }
        return static_cast<long>(done);
    }

    long read(uint8_t* buffer, size_t n, int timeoutMs) override {
        const TcpClock::time_point deadline = TcpClock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
        for (;;) {
            if (cancelled_.load()) return fail(ECANCELED, 0);
            if (lost_.load()) {
                error_ = ECONNRESET;
                return -1;
            }
            const ssize_t got = ::recv(fd_, buffer, n, 0);
            if (got > 0) return static_cast<long>(got);
            if (got == 0) {
                // The printer closed its side: no reply can come any more.
                lost_.store(true);
                error_ = ECONNRESET;
                return -1;
            }
            if (errno == EINTR) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                lost_.store(true);
                error_ = errno;
                return -1;
            }
            const int left = TcpRemainingMs(deadline);
            if (left == 0) return 0;
            pollfd p[2] = {{fd_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
            // Without a wake pipe, the wait is sliced so that a wake is still seen soon.
            ::poll(p, 2, wakePipe_[0] >= 0 ? left : (left < kTcpSliceMs ? left : kTcpSliceMs));
            if ((p[1].revents & POLLIN) != 0 || woken_.exchange(false)) {
                uint8_t drained[16];
                while (::read(wakePipe_[0], drained, sizeof drained) > 0) {
                }
                woken_.store(false);
                return cancelled_.load() ? fail(ECANCELED, 0) : 0;
            }
        }
    }

    void wake() override {
        woken_.store(true);
        const uint8_t one = 1;
        if (wakePipe_[1] >= 0) (void)!::write(wakePipe_[1], &one, 1);
    }
    void cancel() override {
        cancelled_.store(true);
        wake();
    }
    int lastError() const override { return error_; }
    bool lost() const override { return lost_.load(); }

private:
    // A write that failed: -1, or the count when part of it went (a partial write).
    long fail(int error, size_t done) {
        error_ = error;
        return done > 0 ? static_cast<long>(done) : -1;
    }

    const int fd_;
    const uint32_t writeMs_;
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> lost_{false};
    std::atomic<bool> woken_{false};
    int wakePipe_[2] = {-1, -1};
    int error_ = 0;
};

TcpFailure TcpFailureOf(int error) {
    switch (error) {
    case ECONNREFUSED: return TcpFailure::Refused;
    case ETIMEDOUT: return TcpFailure::TimedOut;
    case ENETUNREACH:
    case EHOSTUNREACH:
    case EHOSTDOWN: return TcpFailure::Unreachable;
    default: return TcpFailure::Other;
    }
}

// One address: a non-blocking connect waited for until deadline. The descriptor, or -1 with
// *error set.
int ConnectTcpAddress(const addrinfo& address, TcpClock::time_point deadline, int* error) {
    const int fd = ::socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, address.ai_protocol);
    if (fd < 0) {
        *error = errno;
        return -1;
    }
    if (::connect(fd, address.ai_addr, address.ai_addrlen) == 0) return fd;
    if (errno != EINPROGRESS) {
        *error = errno;
        ::close(fd);
        return -1;
    }
    for (;;) {
        const int left = TcpRemainingMs(deadline);
        pollfd p{fd, POLLOUT, 0};
        const int ready = left > 0 ? ::poll(&p, 1, left) : 0;
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) {
            *error = ETIMEDOUT;
            ::close(fd);
            return -1;
        }
        int soError = 0;
        socklen_t size = sizeof soError;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &size) != 0) soError = errno;
        if (soError == 0) return fd;
        *error = soError;
        ::close(fd);
        return -1;
    }
}

}  // namespace

TcpConnectResult ConnectTcp(const std::string& host, uint16_t port, uint32_t connectMs, uint32_t writeMs) {
    TcpConnectResult result;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_ADDRCONFIG | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    const int lookup = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
    if (lookup != 0 || found == nullptr) {
        result.failure = TcpFailure::NameNotFound;
        result.error = lookup == EAI_SYSTEM ? errno : ENOENT;
        return result;
    }
    const TcpClock::time_point deadline = TcpClock::now() + std::chrono::milliseconds(connectMs);
    int error = ETIMEDOUT;
    int fd = -1;
    for (const addrinfo* a = found; a != nullptr && fd < 0; a = a->ai_next) {
        fd = ConnectTcpAddress(*a, deadline, &error);
        if (TcpRemainingMs(deadline) == 0) break;
    }
    ::freeaddrinfo(found);
    if (fd < 0) {
        result.failure = TcpFailureOf(error);
        result.error = error;
        return result;
    }
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    result.channel = std::make_unique<PosixTcpChannel>(fd, writeMs);
    return result;
}

std::string TcpErrorText(int error) { return std::strerror(error); }

}  // namespace platform
