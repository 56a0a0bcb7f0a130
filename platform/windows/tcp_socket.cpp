// Winsock half of platform/tcp_socket.h.
#include "platform/tcp_socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <mutex>

namespace platform {
namespace {

// Reads and writes wait in slices of this length, so that cancel() and wake() end them soon.
constexpr int kTcpSliceMs = 5;

using TcpClock = std::chrono::steady_clock;

int TcpRemainingMs(TcpClock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TcpClock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Winsock is started once for the process and left running: the link may connect at any time.
bool StartWinsock() {
    static std::once_flag once;
    static bool started = false;
    std::call_once(once, [] {
        WSADATA data;
        started = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    });
    return started;
}

// Waits up to ms for the socket to become readable (write false) or writable (write true).
// True when it did; a connect's failure also counts as ready (its error is read afterwards).
bool WaitReady(SOCKET s, bool write, int ms) {
    fd_set ready;
    fd_set failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(s, &ready);
    FD_SET(s, &failed);
    timeval tv{ms / 1000, (ms % 1000) * 1000};
    const int n = ::select(0, write ? nullptr : &ready, write ? &ready : nullptr, &failed, &tv);
    return n > 0;
}

class WinsockTcpChannel final : public TcpChannel {
public:
    WinsockTcpChannel(SOCKET s, uint32_t writeMs) : socket_(s), writeMs_(writeMs) {}
    ~WinsockTcpChannel() override { ::closesocket(socket_); }

    long write(const uint8_t* data, size_t n) override {
        const TcpClock::time_point deadline = TcpClock::now() + std::chrono::milliseconds(writeMs_);
        size_t done = 0;
        while (done < n) {
            if (cancelled_.load() || lost_.load()) return fail(WSAECONNABORTED, done);
            const size_t chunk = n - done > 65536 ? 65536 : n - done;
            const int w = ::send(socket_, reinterpret_cast<const char*>(data + done), static_cast<int>(chunk), 0);
            if (w > 0) {
                done += static_cast<size_t>(w);
                continue;
            }
            const int error = ::WSAGetLastError();
            if (w == SOCKET_ERROR && error != WSAEWOULDBLOCK) {
                lost_.store(true);
                return fail(error, done);
            }
            const int left = TcpRemainingMs(deadline);
            if (left == 0) return fail(WSAETIMEDOUT, done);
            WaitReady(socket_, true, left < kTcpSliceMs ? left : kTcpSliceMs);
        }
        return static_cast<long>(done);
    }

    long read(uint8_t* buffer, size_t n, int timeoutMs) override {
        const TcpClock::time_point deadline = TcpClock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
        const int wanted = n > 65536 ? 65536 : static_cast<int>(n);
        for (;;) {
            if (cancelled_.load()) return fail(WSAECONNABORTED, 0);
            if (lost_.load()) return fail(WSAECONNRESET, 0);
            const int got = ::recv(socket_, reinterpret_cast<char*>(buffer), wanted, 0);
            if (got > 0) return got;
            if (got == 0) {
                // The printer closed its side: no reply can come any more.
                lost_.store(true);
                return fail(WSAECONNRESET, 0);
            }
            const int error = ::WSAGetLastError();
            if (error != WSAEWOULDBLOCK) {
                lost_.store(true);
                return fail(error, 0);
            }
            const int left = TcpRemainingMs(deadline);
            if (left == 0) return 0;
            WaitReady(socket_, false, left < kTcpSliceMs ? left : kTcpSliceMs);
            if (woken_.exchange(false)) return cancelled_.load() ? fail(WSAECONNABORTED, 0) : 0;
        }
    }

    void wake() override { woken_.store(true); }
    void cancel() override {
        cancelled_.store(true);
        wake();
    }
    int lastError() const override { return error_; }
    bool lost() const override { return lost_.load(); }

private:
    long fail(int error, size_t done) {
        error_ = error;
        return done > 0 ? static_cast<long>(done) : -1;
    }

    const SOCKET socket_;
    const uint32_t writeMs_;
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> lost_{false};
    std::atomic<bool> woken_{false};
    int error_ = 0;
};

TcpFailure TcpFailureOf(int error) {
    switch (error) {
    case WSAECONNREFUSED: return TcpFailure::Refused;
    case WSAETIMEDOUT: return TcpFailure::TimedOut;
    case WSAENETUNREACH:
    case WSAEHOSTUNREACH:
    case WSAEHOSTDOWN: return TcpFailure::Unreachable;
    default: return TcpFailure::Other;
    }
}

SOCKET ConnectTcpAddress(const addrinfo& address, TcpClock::time_point deadline, int* error) {
    SOCKET s = ::socket(address.ai_family, address.ai_socktype, address.ai_protocol);
    if (s == INVALID_SOCKET) {
        *error = ::WSAGetLastError();
        return INVALID_SOCKET;
    }
    u_long nonBlocking = 1;
    ::ioctlsocket(s, FIONBIO, &nonBlocking);
    if (::connect(s, address.ai_addr, static_cast<int>(address.ai_addrlen)) == 0) return s;
    const int started = ::WSAGetLastError();
    if (started != WSAEWOULDBLOCK) {
        *error = started;
        ::closesocket(s);
        return INVALID_SOCKET;
    }
    const int left = TcpRemainingMs(deadline);
    if (left == 0 || !WaitReady(s, true, left)) {
        *error = WSAETIMEDOUT;
        ::closesocket(s);
        return INVALID_SOCKET;
    }
    int soError = 0;
    int size = sizeof soError;
    if (::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &size) != 0) soError = ::WSAGetLastError();
    if (soError == 0) return s;
    *error = soError;
    ::closesocket(s);
    return INVALID_SOCKET;
}

}  // namespace

TcpConnectResult ConnectTcp(const std::string& host, uint16_t port, uint32_t connectMs, uint32_t writeMs) {
    TcpConnectResult result;
    if (!StartWinsock()) {
        result.failure = TcpFailure::Other;
        result.error = WSASYSNOTREADY;
        return result;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || found == nullptr) {
        result.failure = TcpFailure::NameNotFound;
        result.error = ::WSAGetLastError();
        return result;
    }
    const TcpClock::time_point deadline = TcpClock::now() + std::chrono::milliseconds(connectMs);
    int error = WSAETIMEDOUT;
    SOCKET s = INVALID_SOCKET;
    for (const addrinfo* a = found; a != nullptr && s == INVALID_SOCKET; a = a->ai_next) {
        s = ConnectTcpAddress(*a, deadline, &error);
        if (TcpRemainingMs(deadline) == 0) break;
    }
    ::freeaddrinfo(found);
    if (s == INVALID_SOCKET) {
        result.failure = TcpFailureOf(error);
        result.error = error;
        return result;
    }
    const BOOL on = TRUE;
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    ::setsockopt(s, SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<const char*>(&on), sizeof on);
    result.channel = std::make_unique<WinsockTcpChannel>(s, writeMs);
    return result;
}

std::string TcpErrorText(int error) {
    char text[256] = {};
    const DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                     static_cast<DWORD>(error), 0, text, sizeof text, nullptr);
    std::string result(text, n);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == '.')) result.pop_back();
    return result.empty() ? "Winsock error " + std::to_string(error) : result;
}

}  // namespace platform
