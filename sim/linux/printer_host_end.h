// The host's end of the cable that devpanel-printer serves: a new pseudo-terminal, an existing
// device node or terminal (the gadget side of a USB printer function, the host side of an
// emulated parallel port), or a Unix socket that the host side connects to. Linux only.
//
// Thread safety: read() is called by one thread and write() by another; they may run at once.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace sim {

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

    ~HostEnd();
    HostEnd(const HostEnd&) = delete;
    HostEnd& operator=(const HostEnd&) = delete;

    // What to tell whoever started the printer: the terminal, device or socket path.
    const std::string& path() const { return path_; }

    // Waits at most timeoutMs for bytes from the host. Returns how many were read, or 0 when
    // none came (also after a hang-up or a read error, which are retried at the next call).
    long read(uint8_t* buffer, size_t n, int timeoutMs);
    // Writes all n bytes, waiting while the host does not take them, until stop turns true.
    // False when they could not all be written (stopped, no host connected, a write error).
    bool write(const uint8_t* data, size_t n, const std::atomic<bool>& stop);

private:
    enum class Kind { Pty, Device, Socket };
    HostEnd(Kind kind, std::string path) : kind_(kind), path_(std::move(path)) {}

    int acceptConnection(int timeoutMs);
    void dropConnection();

    const Kind kind_;
    const std::string path_;
    int listenFd_ = -1;  // Socket: the listening socket
    int keptFd_ = -1;    // Pty: the terminal end, held open
    std::mutex ioMutex_; // guards ioFd_ against a hang-up closing it under a write
    int ioFd_ = -1;      // the descriptor the bytes go through (-1: no host connected)
};

}  // namespace sim
