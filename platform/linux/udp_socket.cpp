#include "platform/udp_socket.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

UdpResult UdpRequest(const std::string& host, uint16_t port, const uint8_t* request, size_t length, uint8_t* reply,
                     size_t capacity, uint32_t waitMs, const std::function<bool(const uint8_t*, size_t)>& accept) {
    UdpResult result;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 || found == nullptr) {
        result.outcome = UdpOutcome::NameNotFound;
        return result;
    }
    const int fd = ::socket(found->ai_family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    // Connected, so that only the agent's own datagrams arrive and an ICMP "port unreachable"
    // ends the wait early.
    if (fd < 0 || ::connect(fd, found->ai_addr, found->ai_addrlen) != 0) {
        if (fd >= 0) ::close(fd);
        ::freeaddrinfo(found);
        return result;
    }
    ::freeaddrinfo(found);
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const Clock::time_point deadline = start + std::chrono::milliseconds(waitMs);
    const Clock::time_point resendAt = start + std::chrono::milliseconds(waitMs / 2);
    bool resent = false;
    if (::send(fd, request, length, 0) != static_cast<ssize_t>(length)) {
        ::close(fd);
        return result;
    }
    result.outcome = UdpOutcome::NoAnswer;
    for (;;) {
        const Clock::time_point now = Clock::now();
        if (now >= deadline) break;
        const Clock::time_point until = !resent && resendAt > now ? resendAt : deadline;
        const int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(until - now).count()) + 1;
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, left);
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) {
            if (!resent && Clock::now() >= resendAt) {
                resent = true;
                (void)::send(fd, request, length, 0);
            }
            continue;
        }
        const ssize_t got = ::recv(fd, reply, capacity, 0);
        if (got < 0) {
            // Nothing listens there (ICMP port unreachable): no answer will come.
            if (errno == ECONNREFUSED) break;
            continue;
        }
        if (accept(reply, static_cast<size_t>(got))) {
            result.outcome = UdpOutcome::Answered;
            result.length = static_cast<size_t>(got);
            break;
        }
    }
    ::close(fd);
    return result;
}

}  // namespace platform
