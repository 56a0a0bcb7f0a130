// One UDP request and its answer, for the SNMP identity check of a network printer. One
// implementation per system: linux/udp_socket.cpp (POSIX sockets), windows/udp_socket.cpp (Winsock).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace platform {

enum class UdpOutcome {
    Answered,      // a datagram that accept took is in the reply buffer
    NoAnswer,      // nothing acceptable came within the wait
    NameNotFound,  // the host name does not resolve
    Failed,        // the socket could not be made or the request not sent
};

struct UdpResult {
    UdpOutcome outcome = UdpOutcome::Failed;
    size_t length = 0;  // Answered: the reply's length
};

// Sends request to host:port (the host's first address) and waits up to waitMs in all for a
// datagram from that address that accept takes; the request is sent again once, halfway through
// the wait, when nothing came (a lost datagram). Datagrams that accept refuses, or that come from
// elsewhere, are dropped and the wait goes on. Datagrams longer than capacity are cut to it (and
// then refused by any sane accept). Blocks up to waitMs, plus the name's resolution.
UdpResult UdpRequest(const std::string& host, uint16_t port, const uint8_t* request, size_t length, uint8_t* reply,
                     size_t capacity, uint32_t waitMs, const std::function<bool(const uint8_t*, size_t)>& accept);

}  // namespace platform
