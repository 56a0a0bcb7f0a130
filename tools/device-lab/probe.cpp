// devpanel-lab-probe: runs in the device lab's guest and reports, one "@@lab fact AREA: TEXT" line
// each, what the kernel's own printer drivers do where our stand-ins (pseudo-terminals, stand-in
// device folders) cannot show it: open flags and a second opener, the device-ID request for
// buffers of several lengths, the status lines, a read after a zero-length transfer, writes while
// the printer side does not read, and an IEEE 1284 negotiation on a parallel port without a
// reverse channel. It reports; it asserts nothing (the scenarios do).
//
//   devpanel-lab-probe usb HOST_NODE GADGET_NODE    e.g. /dev/usb/lp0 /dev/g_printer0
//   devpanel-lab-probe parallel LP_NODE PARPORT_NODE e.g. /dev/lp0 /dev/parport0
//
// Neither node may be held by another program while it runs.
#include <fcntl.h>
#include <linux/lp.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// usblp's device-ID request: the length of the caller's buffer is part of the request number.
unsigned long DeviceIdRequest(unsigned length) { return _IOC(_IOC_READ, 'P', 1, length); }

// The printer function's status byte, which its host reads with GET_PORT_STATUS.
constexpr unsigned long kGadgetGetStatus = _IOR('g', 0x21, unsigned char);

void Fact(const char* area, const std::string& text) { std::printf("@@lab fact %s: %s\n", area, text.c_str()); }

std::string ErrorName(int error) {
    switch (error) {
        case 0: return "no error";
        case EBUSY: return "EBUSY";
        case EIO: return "EIO";
        case EAGAIN: return "EAGAIN";
        case EINTR: return "EINTR";
        case ENODEV: return "ENODEV";
        case EINVAL: return "EINVAL";
        case ENOTTY: return "ENOTTY";
        case EACCES: return "EACCES";
        case ENXIO: return "ENXIO";
        case ETIMEDOUT: return "ETIMEDOUT";
        case ESHUTDOWN: return "ESHUTDOWN";
        case EPROTO: return "EPROTO";
        default: return "errno " + std::to_string(error);
    }
}

std::string Result(long rc) { return rc >= 0 ? std::to_string(rc) : "-1 " + ErrorName(errno); }

std::string Hex(unsigned value) {
    char b[16];
    std::snprintf(b, sizeof b, "0x%02X", value);
    return b;
}

std::string Printable(const uint8_t* data, size_t n) {
    std::string out;
    for (size_t i = 0; i < n; ++i) {
        if (data[i] >= 0x20 && data[i] < 0x7F) out += static_cast<char>(data[i]);
        else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", data[i]);
            out += hex;
        }
    }
    return out;
}

// The parallel port's status register as lp reports it (LP_PBUSY is inverted on the wire).
std::string ParallelStatus(int status) {
    std::string s = Hex(static_cast<unsigned>(status) & 0xFF);
    s += (status & LP_PBUSY) ? " not-busy" : " busy";
    s += (status & LP_PACK) ? " ack" : "";
    s += (status & LP_POUTPA) ? " paper-out" : "";
    s += (status & LP_PSELECD) ? " selected" : " not-selected";
    s += (status & LP_PERRORP) ? " no-error" : " error";
    return s;
}

// A USB printer's port status (the class request GET_PORT_STATUS): paper empty, selected, not error.
std::string UsbPortStatus(int status) {
    std::string s = Hex(static_cast<unsigned>(status) & 0xFF);
    s += (status & 0x20) ? " paper-empty" : "";
    s += (status & 0x10) ? " selected" : " not-selected";
    s += (status & 0x08) ? " no-error" : " error";
    return s;
}

void OpenModes(const char* area, const char* node) {
    const std::pair<const char*, int> modes[] = {{"read-only", O_RDONLY}, {"write-only", O_WRONLY}, {"read-write", O_RDWR}};
    std::string text;
    for (const auto& [name, flags] : modes) {
        const int fd = ::open(node, flags | O_NONBLOCK | O_CLOEXEC);
        text += std::string(text.empty() ? "" : ", ") + name + " " + (fd >= 0 ? "opens" : ErrorName(errno));
        if (fd >= 0) ::close(fd);
    }
    Fact(area, std::string("open of ") + node + ": " + text);
    const int first = ::open(node, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    const int second = ::open(node, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    Fact(area, std::string("a second open while one is held: ") + (second >= 0 ? "opens" : ErrorName(errno)));
    if (second >= 0) ::close(second);
    if (first >= 0) ::close(first);
}

// Reads what the host side has after timeoutMs of waiting: "n bytes", "0 (end of data)", an error.
std::string ReadOnce(int fd, uint8_t* buffer, size_t n, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, timeoutMs);
    if (ready == 0) return "nothing within " + std::to_string(timeoutMs) + " ms";
    const ssize_t r = ::read(fd, buffer, n);
    if (r == 0) return "0 bytes";
    return r > 0 ? std::to_string(r) + " bytes" : Result(r);
}

void WriteAll(int fd, const uint8_t* data, size_t n) {
    for (size_t done = 0; done < n;) {
        const ssize_t w = ::write(fd, data + done, n - done);
        if (w <= 0) return;
        done += static_cast<size_t>(w);
    }
}

// Reads what the fd has until nothing comes for quietMs; returns the count.
size_t Drain(int fd, uint8_t* buffer, size_t n, int quietMs) {
    size_t total = 0;
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, quietMs) <= 0) break;
        const ssize_t r = ::read(fd, buffer, n);
        if (r <= 0) break;
        total += static_cast<size_t>(r);
    }
    return total;
}

void Alarm(int ms) {
    itimerval t{};
    t.it_value.tv_sec = ms / 1000;
    t.it_value.tv_usec = (ms % 1000) * 1000;
    ::setitimer(ITIMER_REAL, &t, nullptr);
}

int ProbeUsb(const char* hostNode, const char* gadgetNode) {
    OpenModes("usblp", hostNode);
    const int gadget = ::open(gadgetNode, O_RDWR | O_CLOEXEC);
    const int host = ::open(hostNode, O_RDWR | O_CLOEXEC);
    if (gadget < 0 || host < 0) {
        Fact("usblp", "the probe could not open both ends: " + ErrorName(errno));
        return 1;
    }
    Fact("usblp", std::string("a second open of the printer side ") + gadgetNode + ": " +
                      [&] {
                          const int again = ::open(gadgetNode, O_RDWR | O_CLOEXEC);
                          if (again >= 0) ::close(again);
                          return again >= 0 ? std::string("opens") : ErrorName(errno);
                      }());

    // The device-ID request: what comes back for buffers of several lengths.
    for (unsigned length : {1024u, 100u, 64u, 8u, 2u}) {
        std::vector<uint8_t> buffer(length, 0xEE);
        const int rc = ::ioctl(host, DeviceIdRequest(length), buffer.data());
        size_t filled = length;
        while (filled > 0 && buffer[filled - 1] == 0xEE) --filled;
        const unsigned prefix = length >= 2 ? (buffer[0] << 8 | buffer[1]) : 0;
        Fact("usblp", "LPIOC_GET_DEVICE_ID(" + std::to_string(length) + ") returns " + Result(rc) + ", fills " +
                          std::to_string(filled) + " bytes, length prefix " + std::to_string(prefix) + ": \"" +
                          Printable(buffer.data() + (filled >= 2 ? 2 : 0), filled >= 2 ? filled - 2 : 0) + "\"");
    }
    int status = 0;
    const int statusRc = ::ioctl(host, LPGETSTATUS, &status);
    // The printer function answers with the status byte itself.
    const int gadgetStatus = ::ioctl(gadget, kGadgetGetStatus);
    Fact("usblp", "LPGETSTATUS returns " + Result(statusRc) + (statusRc == 0 ? ", port status " + UsbPortStatus(status) : "") +
                      " (the printer function's status byte: " +
                      (gadgetStatus >= 0 ? UsbPortStatus(gadgetStatus) : Result(gadgetStatus)) + ")");

    // Reads: nothing waiting, then replies of whole 512-byte packets (a transfer of such a
    // length ends with a zero-length packet) and a short one.
    uint8_t buffer[8192];
    ::fcntl(host, F_SETFL, ::fcntl(host, F_GETFL) | O_NONBLOCK);
    Fact("usblp", "a non-blocking read with nothing sent: " + Result(::read(host, buffer, sizeof buffer)));
    Fact("usblp", "poll for reading with nothing sent: " + ReadOnce(host, buffer, sizeof buffer, 300));
    std::vector<uint8_t> reply(4096, 0x5A);
    for (size_t size : {size_t{512}, size_t{1024}, size_t{2048}, size_t{32}}) {
        WriteAll(gadget, reply.data(), size);
        std::string reads;
        for (int i = 0; i < 4; ++i) {
            const std::string one = ReadOnce(host, buffer, sizeof buffer, 400);
            reads += std::string(i ? ", then " : "") + one;
            if (one.rfind("nothing", 0) == 0) break;
        }
        Fact("usblp", "the printer side writes " + std::to_string(size) + " bytes; the host's reads: " + reads);
    }

    // Writes while the printer side reads nothing: how much the driver takes before it refuses,
    // and how a blocking write behaves then.
    size_t taken = 0;
    std::vector<uint8_t> chunk(512, 0x20);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 4096; ++i) {
        pollfd p{host, POLLOUT, 0};
        if (::poll(&p, 1, 100) <= 0) break;
        const ssize_t w = ::write(host, chunk.data(), chunk.size());
        if (w <= 0) break;
        taken += static_cast<size_t>(w);
    }
    const int writeError = errno;
    const long ms = static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
    Fact("usblp", "with the printer side not reading, the host's writes take " + std::to_string(taken) +
                      " bytes in " + std::to_string(ms) + " ms, then poll says not writable (" + ErrorName(writeError) + ")");
    ::fcntl(host, F_SETFL, ::fcntl(host, F_GETFL) & ~O_NONBLOCK);
    struct sigaction quiet {};
    quiet.sa_handler = [](int) {};
    ::sigaction(SIGALRM, &quiet, nullptr);
    Alarm(600);
    const auto blockedFrom = std::chrono::steady_clock::now();
    const ssize_t blocked = ::write(host, chunk.data(), chunk.size());
    const int blockedError = errno;
    Alarm(0);
    const long blockedMs = static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - blockedFrom).count());
    Fact("usblp", "then a blocking write of 512 bytes returns " + (blocked >= 0 ? std::to_string(blocked) : "-1 " + ErrorName(blockedError)) +
                      " after " + std::to_string(blockedMs) + " ms (interrupted by a timer at 600 ms)");
    ::close(host);
    // What reaches the printer side of the writes above once it reads again.
    ::fcntl(gadget, F_SETFL, ::fcntl(gadget, F_GETFL) | O_NONBLOCK);
    const size_t arrived = Drain(gadget, buffer, sizeof buffer, 300);
    Fact("usblp", "after the host closed its node, the printer side reads " + std::to_string(arrived) + " of the " +
                      std::to_string(taken + (blocked > 0 ? static_cast<size_t>(blocked) : 0)) + " bytes written");

    // Two writes (a 19-byte packet, then a 32-byte one, as a start packet and a request go out)
    // and the node closed: a non-blocking write returns once its transfer is queued (a blocking
    // one waits for it to end), and close cancels a transfer the device has not taken yet; once
    // poll reports the node writable again, the last transfer has ended.
    struct CloseWay {
        int openFlags;
        bool waitForTransfer;
        const char* text;
    };
    const CloseWay ways[] = {
        {0, false, "blocking, closed at once"},
        // Opened as the link opens a printer's node: for both directions, without blocking.
        {O_NONBLOCK, false, "non-blocking, closed at once"},
        {O_NONBLOCK, true, "non-blocking, closed once poll reports the node writable again"},
    };
    for (const CloseWay& way : ways) {
        constexpr int kTries = 5;
        int delivered = 0;
        for (int t = 0; t < kTries; ++t) {
            pollfd listening{gadget, POLLIN, 0};
            ::poll(&listening, 1, 0);  // the printer side has its reads queued, as a server's are
            const int once = ::open(hostNode, O_RDWR | way.openFlags | O_CLOEXEC);
            if (once < 0) break;
            for (const size_t size : {size_t{19}, size_t{32}}) {
                size_t done = 0;
                while (done < size) {
                    pollfd writable{once, POLLOUT, 0};
                    ::poll(&writable, 1, 1000);
                    const ssize_t w = ::write(once, chunk.data() + done, size - done);
                    if (w > 0) done += static_cast<size_t>(w);
                    else if (errno != EAGAIN) break;
                }
            }
            if (way.waitForTransfer) {
                pollfd done{once, POLLOUT, 0};
                ::poll(&done, 1, 1000);
            }
            ::close(once);
            if (Drain(gadget, buffer, sizeof buffer, 150) == 19 + 32) ++delivered;
        }
        Fact("usblp", std::string("writes of 19 and 32 bytes, ") + way.text + ": the printer side gets both in " +
                          std::to_string(delivered) + " of " + std::to_string(kTries) + " tries");
    }
    ::close(gadget);
    return 0;
}

int ProbeParallel(const char* lpNode, const char* parportNode) {
    OpenModes("parallel", lpNode);
    const int lp = ::open(lpNode, O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (lp < 0) {
        Fact("parallel", std::string("cannot open ") + lpNode + ": " + ErrorName(errno));
        return 1;
    }
    uint8_t buffer[64];
    const auto start = std::chrono::steady_clock::now();
    const ssize_t r = ::read(lp, buffer, sizeof buffer);
    const int readError = errno;
    const long ms = static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
    Fact("parallel", std::string("read of ") + lpNode + ": " + (r >= 0 ? std::to_string(r) + " bytes" : "-1 " + ErrorName(readError)) +
                         " after " + std::to_string(ms) + " ms");
    pollfd p{lp, POLLIN | POLLOUT, 0};
    const int ready = ::poll(&p, 1, 100);
    Fact("parallel", "poll for reading and writing: " + Result(ready) + ", revents " + Hex(static_cast<unsigned>(p.revents)));
    int status = 0;
    const int statusRc = ::ioctl(lp, LPGETSTATUS, &status);
    Fact("parallel", "LPGETSTATUS returns " + Result(statusRc) + (statusRc == 0 ? ", status " + ParallelStatus(status) : ""));
    ::close(lp);

    const int port = ::open(parportNode, O_RDWR | O_CLOEXEC);
    if (port < 0) {
        Fact("parallel", std::string("cannot open ") + parportNode + ": " + ErrorName(errno));
        return 1;
    }
    if (::ioctl(port, PPCLAIM) != 0) {
        Fact("parallel", "PPCLAIM: " + ErrorName(errno));
        ::close(port);
        return 1;
    }
    unsigned char lines = 0;
    const int linesRc = ::ioctl(port, PPRSTATUS, &lines);
    Fact("parallel", "PPRSTATUS returns " + Result(linesRc) + ", status register " + ParallelStatus(lines));
    int mode = IEEE1284_MODE_NIBBLE | IEEE1284_DEVICEID;
    const int negotiated = ::ioctl(port, PPNEGOT, &mode);
    Fact("parallel", "IEEE 1284 negotiation for the device ID (nibble mode): " + Result(negotiated));
    if (negotiated == 0) {
        ::ioctl(port, PPSETMODE, &mode);
        const ssize_t got = ::read(port, buffer, sizeof buffer);
        Fact("parallel", "device-ID read: " + (got > 0 ? Printable(buffer, static_cast<size_t>(got)) : Result(got)));
        int compat = IEEE1284_MODE_COMPAT;
        ::ioctl(port, PPNEGOT, &compat);
    }
    ::ioctl(port, PPRELEASE);
    ::close(port);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (argc == 4 && std::strcmp(argv[1], "usb") == 0) return ProbeUsb(argv[2], argv[3]);
    if (argc == 4 && std::strcmp(argv[1], "parallel") == 0) return ProbeParallel(argv[2], argv[3]);
    std::fprintf(stderr, "usage: devpanel-lab-probe usb HOST_NODE GADGET_NODE | parallel LP_NODE PARPORT_NODE\n");
    return 2;
}
