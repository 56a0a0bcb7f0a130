// A TCP connection to a printer's raw port, for the network port of the link. One implementation
// per system: linux/tcp_socket.cpp (POSIX sockets), windows/tcp_socket.cpp (Winsock). Both give
// the same results for the same events, so that the link words its messages once.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/platform.h"

namespace platform {

// Why a connection could not be had.
enum class TcpFailure {
    None,
    NameNotFound,  // the host name does not resolve
    Refused,       // the host answered, but nothing listens on the port (connection refused)
    TimedOut,      // no answer to the connect within the bound
    Unreachable,   // no route to the host or its network
    Other,         // anything else (lastError says what)
};

// A connected stream. read() and write() are those of Channel; in addition the channel knows
// whether the peer has gone (reset, closed its side, a write or read error).
class TcpChannel : public Channel {
public:
    // The peer closed or reset the connection, or a read or write on it failed: nothing more will
    // come or go. Does not block.
    virtual bool lost() const = 0;
    // Ends a read in progress on another thread (it returns 0, as after its wait) without
    // touching the connection; a wake with no read in progress ends the next read at once. Does
    // not block.
    virtual void wake() = 0;
};

struct TcpConnectResult {
    std::unique_ptr<TcpChannel> channel;  // set on success
    TcpFailure failure = TcpFailure::None;
    int error = 0;  // the system's error number of the failure (errno, or the Winsock code)
};

// Resolves host (a name, an IPv4 address or an IPv6 address without brackets) and connects to
// port on each of its addresses in turn, without blocking beyond connectMs in all. The connection
// has Nagle's algorithm off (TCP_NODELAY) and keep-alive on. Its reads wait at most their
// timeoutMs (a read never blocks longer, and returns -1 once the peer is gone); its writes wait at
// most writeMs for the peer to take bytes, then count as failed. cancel() makes every later read
// and write fail at once and ends a read in progress at once (Winsock: within 5 ms). The channel's
// destructor closes the connection without a half-close first. Blocks up to connectMs.
TcpConnectResult ConnectTcp(const std::string& host, uint16_t port, uint32_t connectMs, uint32_t writeMs);

// The system's text for an error number ConnectTcp or a TcpChannel reported.
std::string TcpErrorText(int error);

}  // namespace platform
