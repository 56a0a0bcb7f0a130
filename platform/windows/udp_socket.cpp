// Winsock half of platform/udp_socket.h.
#include "platform/udp_socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <chrono>
#include <mutex>

namespace platform {
namespace {

bool StartWinsockForUdp() {
    static std::once_flag once;
    static bool started = false;
    std::call_once(once, [] {
        WSADATA data;
        started = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    });
    return started;
}

}  // namespace

UdpResult UdpRequest(const std::string& host, uint16_t port, const uint8_t* request, size_t length, uint8_t* reply,
                     size_t capacity, uint32_t waitMs, const std::function<bool(const uint8_t*, size_t)>& accept) {
    UdpResult result;
    if (!StartWinsockForUdp()) return result;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_protocol = IPPROTO_UDP;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 || found == nullptr) {
        result.outcome = UdpOutcome::NameNotFound;
        return result;
    }
    SOCKET s = ::socket(found->ai_family, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET || ::connect(s, found->ai_addr, static_cast<int>(found->ai_addrlen)) != 0) {
        if (s != INVALID_SOCKET) ::closesocket(s);
        ::freeaddrinfo(found);
        return result;
    }
    ::freeaddrinfo(found);
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const Clock::time_point deadline = start + std::chrono::milliseconds(waitMs);
    const Clock::time_point resendAt = start + std::chrono::milliseconds(waitMs / 2);
    bool resent = false;
    if (::send(s, reinterpret_cast<const char*>(request), static_cast<int>(length), 0) != static_cast<int>(length)) {
        ::closesocket(s);
        return result;
    }
    result.outcome = UdpOutcome::NoAnswer;
    for (;;) {
        const Clock::time_point now = Clock::now();
        if (now >= deadline) break;
        const Clock::time_point until = !resent && resendAt > now ? resendAt : deadline;
        const long ms = static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(until - now).count()) + 1;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(s, &readable);
        timeval tv{ms / 1000, (ms % 1000) * 1000};
        const int ready = ::select(0, &readable, nullptr, nullptr, &tv);
        if (ready == 0) {
            if (!resent && Clock::now() >= resendAt) {
                resent = true;
                (void)::send(s, reinterpret_cast<const char*>(request), static_cast<int>(length), 0);
            }
            continue;
        }
        if (ready < 0) break;
        const int got = ::recv(s, reinterpret_cast<char*>(reply), static_cast<int>(capacity), 0);
        if (got == SOCKET_ERROR) {
            const int error = ::WSAGetLastError();
            if (error == WSAECONNRESET) break;  // ICMP port unreachable: no agent there
            if (error == WSAEMSGSIZE && accept(reply, capacity)) {
                result.outcome = UdpOutcome::Answered;
                result.length = capacity;
                break;
            }
            continue;
        }
        if (accept(reply, static_cast<size_t>(got))) {
            result.outcome = UdpOutcome::Answered;
            result.length = static_cast<size_t>(got);
            break;
        }
    }
    ::closesocket(s);
    return result;
}

}  // namespace platform
