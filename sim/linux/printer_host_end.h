// The host's end of the cable that devpanel-printer serves: a new pseudo-terminal, an existing
// device node or terminal (the gadget side of a USB printer function, the host side of an
// emulated parallel port), a Unix socket that the host side connects to, or a TCP port as a
// network printer's raw port. Linux only.
//
// Thread safety: read() is called by one thread and write() by another; they may run at once.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <cstdint>

namespace sim {

// The ways a network printer's raw port misbehaves, for tests of the network port.
struct TcpFaults {
    bool refuse = false;           // the port is taken but nothing listens: every connect is refused
    bool silent = false;           // connections are accepted, their bytes read and dropped, nothing answered
    long resetAfter = -1;          // >= 0: once, when this many bytes have come from clients (counted
                                   // over all connections), the connection is reset (RST) after them
    bool closeOnHalfClose = false; // a client's half-close closes the connection at once, dropping the
                                   // replies still to go (else they go out before the close)
    bool refuseSecond = false;     // a second client while one is served is accepted and reset at once
                                   // (else it waits unanswered in the queue, as on a printer's raw port)
};

class HostEnd {
public:
    // A new pseudo-terminal in raw mode; path() is its terminal's path. Its terminal end is held
    // open here, so that reads do not fail between the host's opens.
    static std::unique_ptr<HostEnd> OpenPty(std::string& error);
    // An existing node, opened for reading and writing (raw mode when it is a terminal). Read
    // errors (a USB gadget whose host resets the bus) are waited out, not fatal.
    static std::unique_ptr<HostEnd> OpenDevice(const std::string& path, std::string& error);
    // A new Unix socket listening at path (which must not exist yet). One connection is served
    // at a time; when it hangs up, the next one is accepted. While none is connected, what the
    // printer sends is dropped, as on a cable that is not plugged in. The socket file is removed
    // again when the object goes.
    static std::unique_ptr<HostEnd> Listen(const std::string& path, std::string& error);

    // A TCP port listening on host:port (port 0: a free one), one client at a time; path() is
    // "HOST:PORT" with the port in use. What the printer sends while no client is connected is
    // dropped.
    static std::unique_ptr<HostEnd> ListenTcp(const std::string& host, uint16_t port, const TcpFaults& faults,
                                              std::string& error);

    ~HostEnd();
    HostEnd(const HostEnd&) = delete;
    HostEnd& operator=(const HostEnd&) = delete;

    // Called (on the reading thread) when a TCP client connects: a printer's raw port starts each
    // connection afresh, without the half packet or the replies of the one before.
    void onConnect(std::function<void()> callback) { onConnect_ = std::move(callback); }
    // Tells whether the printer still has replies to send: after a client's half-close the
    // connection stays open while it has (at most a second), as a printer's raw port finishes
    // its replies before it closes.
    void onHalfClose(std::function<bool()> repliesPending) { repliesPending_ = std::move(repliesPending); }

    // What to tell whoever started the printer: the terminal, device or socket path.
    const std::string& path() const { return path_; }

    // Waits at most timeoutMs for bytes from the host. Returns how many were read, or 0 when
    // none came (also after a hang-up or a read error, which are retried at the next call).
    long read(uint8_t* buffer, size_t n, int timeoutMs);
    // Writes all n bytes, waiting while the host does not take them, until stop turns true.
    // False when they could not all be written (stopped, no host connected, a write error).
    bool write(const uint8_t* data, size_t n, const std::atomic<bool>& stop);

private:
    enum class Kind { Pty, Device, Socket, Tcp };
    HostEnd(Kind kind, std::string path) : kind_(kind), path_(std::move(path)) {}

    int acceptConnection(int timeoutMs);
    void dropConnection();
    void resetConnection();
    long readTcp(int fd, uint8_t* buffer, size_t n, int timeoutMs);

    const Kind kind_;
    const std::string path_;
    int listenFd_ = -1;  // Socket: the listening socket
    int keptFd_ = -1;    // Pty: the terminal end, held open
    std::mutex ioMutex_; // guards ioFd_ against a hang-up closing it under a write
    int ioFd_ = -1;      // the descriptor the bytes go through (-1: no host connected)
    // Tcp: the faults, the bytes counted towards resetAfter, and the moment a client half-closed
    // (its replies still go out for a short while, then the connection is closed).
    TcpFaults faults_;
    std::function<void()> onConnect_;
    std::function<bool()> repliesPending_;
    long receivedTotal_ = 0;
    bool resetDone_ = false;
    long halfClosedAtMs_ = -1;
    int secondFd_ = -1;  // refuseSecond: a second client, reset when it sends
};

}  // namespace sim
