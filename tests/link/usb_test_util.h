// Helpers of the USB link tests: packets by hand and a scripted transfer source.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "link/usb_reassembly.h"

namespace usbtest {

// The port name of the first USB printer found.
constexpr const char* kPort = "USB001";

using Bytes = std::vector<uint8_t>;

// A packet: A5, DataLen (big-endian), flags, command, data.
inline Bytes Packet(uint8_t flags, uint8_t command, const Bytes& data) {
    const size_t dataLen = data.size() + 2;
    Bytes p{0xA5, static_cast<uint8_t>(dataLen >> 8), static_cast<uint8_t>(dataLen & 0xFF), flags, command};
    p.insert(p.end(), data.begin(), data.end());
    return p;
}

// A packet of total length total whose data bytes count up from seed.
inline Bytes Sized(size_t total, uint8_t flags = 0x11, uint8_t command = 0xE0, uint8_t seed = 1) {
    Bytes data(total - 5);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(seed + i);
    return Packet(flags, command, data);
}

inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

inline Bytes Slice(const Bytes& b, size_t from, size_t count) {
    return Bytes(b.begin() + static_cast<long>(from), b.begin() + static_cast<long>(from + count));
}

// Cuts a byte run into transfers of at most size bytes, as the pipe hands them over.
inline std::vector<Bytes> Transfers(const Bytes& run, size_t size = USB_TRANSFER_SIZE) {
    std::vector<Bytes> out;
    for (size_t at = 0; at < run.size(); at += size) out.push_back(Slice(run, at, std::min(size, run.size() - at)));
    return out;
}

// Hands out one scripted transfer per read; an empty entry is a read that timed out. When the
// script is used up it stops the reassembly, as a stopped reader would.
class Script {
public:
    explicit Script(std::vector<Bytes> transfers) : transfers_(std::move(transfers)) {}

    UsbTransferSource source() {
        return [this](uint8_t* buffer, uint32_t size) -> long {
            ++reads_;
            if (next_ >= transfers_.size()) return USB_TRANSFER_STOP;
            const Bytes& t = transfers_[next_++];
            const size_t n = std::min<size_t>(t.size(), size);
            std::copy(t.begin(), t.begin() + static_cast<long>(n), buffer);
            return static_cast<long>(n);
        };
    }
    size_t reads() const { return reads_; }
    size_t remaining() const { return transfers_.size() - next_; }

private:
    std::vector<Bytes> transfers_;
    size_t next_ = 0;
    size_t reads_ = 0;
};

// The reader's reassembly across calls, with the length of the bytes it keeps after a message.
struct Reader {
    UsbReassembly assembly;
    uint32_t secondLength = 0;

    // One message; capacity limits the message kept.
    Bytes next(const UsbTransferSource& source, uint32_t capacity = USB_BUFFER_CAPACITY) {
        const uint32_t length = assembly.next(source, capacity, USB_TRANSFER_SIZE);
        secondLength = assembly.keptLength();
        return Bytes(assembly.message(), assembly.message() + length);
    }
    Bytes kept() const { return Bytes(assembly.kept(), assembly.kept() + assembly.keptLength()); }
};

}  // namespace usbtest
