// Reassembly of NPA messages from the read transfers of a USB printer's read pipe. The printer
// splits a message across transfers, packs several into one transfer and chains packets with the
// continue bit; UsbReassembly turns that stream back into one message per call of next(). It
// reads through a transfer source, so it runs the same against a pipe, a test script or a fuzzer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// Capacity of the assembled message.
constexpr uint32_t USB_BUFFER_CAPACITY = 100000;
// One read transfer of the reader (ReadPkt).
constexpr uint32_t USB_TRANSFER_SIZE = 32;
// Largest transfer size the reassembly accepts; larger requests are cut to it.
constexpr uint32_t USB_MAX_TRANSFER_SIZE = 512;

// Fills buffer with the next transfer of at most size bytes. Returns the count (> 0), 0 when
// nothing came (an empty read or a wait that timed out), or USB_TRANSFER_STOP to give up the
// message in progress (read error, or nobody waits for replies any more).
using UsbTransferSource = std::function<long(uint8_t* buffer, uint32_t size)>;
constexpr long USB_TRANSFER_STOP = -1;

// The message under construction. Its length is counted in full, whatever the printer claims,
// but bytes past the capacity are dropped, so no length can push a write past the buffer.
class UsbAssembly {
public:
    UsbAssembly() : buffer_(USB_BUFFER_CAPACITY) {}

    // Starts a new message that keeps at most capacity bytes (never more than USB_BUFFER_CAPACITY).
    void begin(uint32_t capacity);
    size_t offset() const { return offset_; }
    void reset() { offset_ = 0; }
    void append(const uint8_t* bytes, size_t count);
    // The first packet goes in whole; a continuing packet adds only its data, and the message's
    // DataLen grows by the same count.
    void storePacket(const uint8_t* packet, size_t length);
    void addToDataLen(size_t count);
    // The message takes the flags of its last packet.
    void setFlags(uint8_t flags);

    const uint8_t* data() const { return buffer_.data(); }
    uint32_t storedLength() const;

private:
    std::vector<uint8_t> buffer_;
    size_t capacity_ = 0;
    size_t offset_ = 0;
};

// The reader's reassembly: the message being built, the transfer being worked on and the bytes
// that followed the last message, which the next message starts with.
class UsbReassembly {
public:
    // A packet start shorter than the header is kept and joined with the next transfer.
    static constexpr uint32_t kFragmentMax = 4;
    // Room for one transfer behind a kept fragment; the bytes kept after a message never exceed it.
    static constexpr uint32_t kWorkSize = USB_MAX_TRANSFER_SIZE + kFragmentMax;

    // logLevel: the log level bits the reassembly writes its steps at (the link's level, handed in
    // by the reader; 0 writes nothing), so that it reads no state of the link.
    explicit UsbReassembly(uint32_t logLevel = 0) : logLevel_(logLevel) {}
    UsbReassembly(const UsbReassembly&) = delete;
    UsbReassembly& operator=(const UsbReassembly&) = delete;

    // Assembles the next message: the kept bytes first, then transfers of transferSize bytes
    // (cut to 1 .. USB_MAX_TRANSFER_SIZE) from readPkt. Returns the message's length, 0 when there
    // is none (the source stopped, or the bytes started no packet); a message longer than
    // capacity (at most USB_BUFFER_CAPACITY) is cut to exactly the capacity. The bytes after the
    // message are kept for the next call.
    uint32_t next(const UsbTransferSource& readPkt, uint32_t capacity = USB_BUFFER_CAPACITY,
                  uint32_t transferSize = USB_TRANSFER_SIZE);
    const uint8_t* message() const { return assembly_.data(); }
    uint32_t messageLength() const { return messageLength_; }
    const uint8_t* kept() const { return kept_.data(); }
    uint32_t keptLength() const { return keptLength_; }

private:
    enum class Fetch { Bytes, Nothing, Stop };
    enum class Step { More, Done };

    void startMessage(uint32_t capacity, uint32_t transferSize);
    Fetch fetch(const UsbTransferSource& readPkt);
    void joinFragment();
    Step finishTruncated();
    void keepFragment();
    Step takePacket();
    Step takeWholePacket(uint8_t flags, bool first);
    void takeTruncatedPacket(uint32_t dataLen, uint8_t flags, bool first);
    Step takePacketWithFollower(uint32_t packetLen, uint8_t flags, bool first);
    Step skipGarbage();
    void keepForNextMessage(const uint8_t* bytes, uint32_t count);
    bool pending() const { return continueBit_ || followOnPkt_ || truncatedPkt_ || fragmentLength_ > 0; }

    uint32_t logLevel_ = 0;
    UsbAssembly assembly_;
    uint32_t messageLength_ = 0;
    // Bytes that followed the last message.
    std::array<uint8_t, kWorkSize> kept_{};
    uint32_t keptLength_ = 0;

    // One call of next(): the log levels it writes at, the transfer size, the transfer (or kept
    // bytes) being worked on, a kept packet start and where the message stands.
    bool trace_ = false;
    bool data_ = false;
    uint32_t transferSize_ = USB_TRANSFER_SIZE;
    std::array<uint8_t, kWorkSize> work_{};
    uint8_t* current_ = nullptr;  // into work_
    uint32_t currentLength_ = 0;
    std::array<uint8_t, kFragmentMax> fragment_{};
    uint32_t fragmentLength_ = 0;
    bool continueBit_ = false;  // the last packet taken continues in the next one
    bool followOnPkt_ = false;  // the bytes being worked on hold more after what was taken
    bool truncatedPkt_ = false; // the last packet was cut at the end of its transfer
    size_t missing_ = 0;        // bytes of the truncated packet still to come
};
