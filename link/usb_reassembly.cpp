// UsbReassembly: one NPA message out of a stream of read transfers.
#include "link/usb_reassembly.h"

#include <algorithm>
#include <cstring>

#include "link/slc.h"

namespace {

constexpr uint8_t kSop = 0xA5;
constexpr uint8_t kContinueBit = 0x20;
constexpr uint32_t kHeaderSize = 5;
static_assert(UsbReassembly::kFragmentMax == kHeaderSize - 1);

uint32_t DataLenAt(const uint8_t* packet) { return static_cast<uint32_t>((packet[1] << 8) | packet[2]); }

}  // namespace

void UsbAssembly::begin(uint32_t capacity) {
    capacity_ = std::min<size_t>(capacity, buffer_.size());
    offset_ = 0;
}

void UsbAssembly::append(const uint8_t* bytes, size_t count) {
    if (offset_ < capacity_) std::memcpy(buffer_.data() + offset_, bytes, std::min(count, capacity_ - offset_));
    offset_ += count;
}

void UsbAssembly::storePacket(const uint8_t* packet, size_t length) {
    if (offset_ == 0) {
        append(packet, length);
    } else {
        append(packet + kHeaderSize, length - kHeaderSize);
        addToDataLen(length - kHeaderSize);
    }
}

void UsbAssembly::addToDataLen(size_t count) {
    if (capacity_ < 3) return;
    const uint16_t value = static_cast<uint16_t>(((buffer_[1] << 8) | buffer_[2]) + count);
    buffer_[1] = static_cast<uint8_t>(value >> 8);
    buffer_[2] = static_cast<uint8_t>(value & 0xFF);
}

void UsbAssembly::setFlags(uint8_t flags) {
    if (capacity_ > 3) buffer_[3] = flags;
}

uint32_t UsbAssembly::storedLength() const { return static_cast<uint32_t>(std::min(offset_, capacity_)); }

uint32_t UsbReassembly::next(const UsbTransferSource& readPkt, uint32_t capacity, uint32_t transferSize) {
    startMessage(capacity, transferSize);
    do {
        if (trace_) SlcLog(SLC_LOG_TRACE, "UsbReadResponse(): *secondResBufCurrentLen: %d\n", keptLength_);
        const Fetch fetched = fetch(readPkt);
        if (fetched == Fetch::Stop) {
            // The pipe failed or the reader is told to stop: what was assembled is lost.
            assembly_.reset();
            break;
        }
        if (fetched == Fetch::Nothing) continue;

        Step step = Step::More;
        if (truncatedPkt_) {
            step = finishTruncated();
        } else if (current_[0] == kSop && currentLength_ < kHeaderSize) {
            keepFragment();
        } else if (current_[0] == kSop && DataLenAt(current_) >= 2) {
            step = takePacket();
        } else {
            step = skipGarbage();
        }
        if (step == Step::Done) break;

        if (trace_) {
            SlcLog(SLC_LOG_TRACE,
                   "UsbReadResponse(): at the end of iteration, before checking for while condition, resBuf offset is %d\n",
                   static_cast<int>(assembly_.offset()));
        }
    } while (pending());

    messageLength_ = assembly_.storedLength();
    if (data_) {
        SlcLog(SLC_LOG_DATA, "UsbReadResponse Before RETURNING\n");
        SlcLogHex(assembly_.data(), messageLength_);
    }
    return messageLength_;
}

void UsbReassembly::startMessage(uint32_t capacity, uint32_t transferSize) {
    trace_ = (logLevel_ & SLC_LOG_TRACE) != 0;
    data_ = (logLevel_ & SLC_LOG_DATA) != 0;
    transferSize_ = std::clamp<uint32_t>(transferSize, 1, USB_MAX_TRANSFER_SIZE);
    assembly_.begin(std::min<uint32_t>(capacity, USB_BUFFER_CAPACITY));
    messageLength_ = 0;
    current_ = work_.data();
    currentLength_ = 0;
    fragmentLength_ = 0;
    continueBit_ = false;
    followOnPkt_ = false;
    truncatedPkt_ = false;
    missing_ = 0;
}

// The bytes to work on next: those kept from the previous message, the rest of the current
// transfer, or a new transfer (joined behind a kept packet start).
UsbReassembly::Fetch UsbReassembly::fetch(const UsbTransferSource& readPkt) {
    if (keptLength_ > 0) {
        currentLength_ = std::min(keptLength_, kWorkSize);
        std::memcpy(work_.data(), kept_.data(), currentLength_);
        current_ = work_.data();
        keptLength_ = 0;
        if (trace_) {
            SlcLog(SLC_LOG_TRACE,
                   "UsbReadResponse(): copied secondResBuf into ptrCurrPkt, (len:%d) and going to re-init secondresbuf\n",
                   currentLength_);
        }
        return Fetch::Bytes;
    }
    // The rest of the current transfer is worked on where it lies.
    if (followOnPkt_ && fragmentLength_ == 0 && currentLength_ > 0) return Fetch::Bytes;

    std::memset(work_.data(), 0, transferSize_);
    if (trace_) {
        SlcLog(SLC_LOG_TRACE, "UsbReadResponse(): !followOnPkt || (prevCurrPktLen > 0), going to call ReadPkt()\n");
    }
    const long got = readPkt(work_.data(), transferSize_);
    if (got < 0) return Fetch::Stop;
    if (got == 0) {
        if (trace_) SlcLog(SLC_LOG_TRACE, "UsbReadResponse(): ReadPkt() did not read anything\n");
        return Fetch::Nothing;
    }
    currentLength_ = std::min<uint32_t>(static_cast<uint32_t>(got), transferSize_);
    current_ = work_.data();
    if (data_) {
        SlcLog(SLC_LOG_DATA, "UsbReadResponse(): ReadPkt() returned with data as below:\n");
        SlcLogHex(work_.data(), currentLength_);
    }
    if (fragmentLength_ > 0) joinFragment();
    return Fetch::Bytes;
}

// A kept packet start is joined with the transfer before anything else looks at the bytes: they
// are the rest of its header, whatever their value.
void UsbReassembly::joinFragment() {
    std::memmove(work_.data() + fragmentLength_, work_.data(), currentLength_);
    std::memcpy(work_.data(), fragment_.data(), fragmentLength_);
    currentLength_ += fragmentLength_;
    fragmentLength_ = 0;
    followOnPkt_ = true;
    if (trace_) SlcLog(SLC_LOG_TRACE, "Not A5, but prevCurrPktLen > 0, joined followOnPkt is:\n");
    if (data_) SlcLogHex(current_, currentLength_);
}

// The bytes continue the packet cut at the end of the previous transfer, even when one of them
// happens to be 0xA5.
UsbReassembly::Step UsbReassembly::finishTruncated() {
    if (currentLength_ == missing_) {
        assembly_.append(current_, missing_);
        truncatedPkt_ = false;
        followOnPkt_ = false;
        if (trace_) {
            SlcLog(SLC_LOG_TRACE,
                   "UsbReadResponse(Not A5, but prev truncatedPkt got completed, set trucPkt and followOnPkt to FALSE):\n");
        }
        return Step::More;
    }
    if (currentLength_ < missing_) {
        assembly_.append(current_, currentLength_);
        missing_ -= currentLength_;
        followOnPkt_ = false;
        if (trace_) {
            SlcLog(SLC_LOG_TRACE,
                   "UsbReadResponse(Not A5, but prev truncatedPkt DID NOT get completed, set followOnPkt to FALSE):\n");
        }
        return Step::More;
    }
    const uint32_t m = static_cast<uint32_t>(missing_);
    assembly_.append(current_, m);
    truncatedPkt_ = false;
    if (trace_) {
        SlcLog(SLC_LOG_TRACE, "UsbReadResponse(Not A5, but prev truncatedPkt got completed, set trucPkt  to FALSE):\n");
    }
    if (!continueBit_) {
        keepForNextMessage(current_ + m, currentLength_ - m);
        return Step::Done;
    }
    current_ += m;
    currentLength_ -= m;
    followOnPkt_ = current_[0] != 0;
    if (trace_) {
        SlcLog(SLC_LOG_TRACE,
               "UsbReadResponse(Not A5, but prev truncatedPkt got completed but there is  - followOnPkt is:):\n");
    }
    if (data_) SlcLogHex(current_, currentLength_);
    return Step::More;
}

// A packet start shorter than the header waits for the next transfer.
void UsbReassembly::keepFragment() {
    std::memcpy(fragment_.data(), current_, currentLength_);
    fragmentLength_ = currentLength_;
    currentLength_ = 0;
    followOnPkt_ = false;
    if (trace_) {
        SlcLog(SLC_LOG_TRACE, "UsbReadResponse(): copied ptrCurrPkt into prevCurrPkt (len:%d) and continuing\n",
               fragmentLength_);
    }
}

// A packet header at current_: the packet fills the bytes, is cut at their end, or is followed
// by more.
UsbReassembly::Step UsbReassembly::takePacket() {
    const uint32_t dataLen = DataLenAt(current_);
    const uint32_t packetLen = dataLen + 3;
    const uint8_t flags = current_[3];
    const bool first = assembly_.offset() == 0;
    if (trace_) SlcLog(SLC_LOG_TRACE, "UsbReadResponse() - Got packet, offset=%d\n", static_cast<int>(assembly_.offset()));
    if (currentLength_ == packetLen) return takeWholePacket(flags, first);
    if (currentLength_ < packetLen) {
        takeTruncatedPacket(dataLen, flags, first);
        return Step::More;
    }
    return takePacketWithFollower(packetLen, flags, first);
}

UsbReassembly::Step UsbReassembly::takeWholePacket(uint8_t flags, bool first) {
    assembly_.storePacket(current_, currentLength_);
    if ((flags & kContinueBit) == 0) {
        if (!first) assembly_.setFlags(flags);
        if (trace_) {
            if (first) {
                SlcLog(SLC_LOG_TRACE, "UsbReadResponse(continueBit NOT set, offset=0): [offset now %d]\n",
                       static_cast<int>(assembly_.offset()));
            } else {
                SlcLog(SLC_LOG_TRACE, "UsbReadResponse(continueBit NOT set, offset != 0):\n");
            }
        }
        return Step::Done;
    }
    continueBit_ = true;
    followOnPkt_ = false;
    currentLength_ = 0;
    return Step::More;
}

void UsbReassembly::takeTruncatedPacket(uint32_t dataLen, uint8_t flags, bool first) {
    const bool continues = (flags & kContinueBit) != 0;
    truncatedPkt_ = true;
    missing_ = dataLen + 3 - currentLength_;
    followOnPkt_ = false;
    continueBit_ = continues;
    if (first) {
        assembly_.append(current_, currentLength_);
    } else {
        assembly_.append(current_ + kHeaderSize, currentLength_ - kHeaderSize);
        assembly_.addToDataLen(dataLen - 2);
        if (!continues) assembly_.setFlags(flags);
    }
    if (!trace_) return;
    if (continues) {
        SlcLog(SLC_LOG_TRACE, first ? "UsbReadResponse(Truncated Pkt, continueBit set, offset=0):\n"
                                    : "UsbReadResponse(Truncated Pkt, continueBit set, offset != 0):\n");
    } else {
        SlcLog(SLC_LOG_TRACE, first ? "UsbReadResponse(Truncated Pkt, continueBit NOT set, offset=0):\n"
                                    : "UsbReadResponse(Truncated Pkt, continueBit NOT set, offset != 0):\n");
    }
}

UsbReassembly::Step UsbReassembly::takePacketWithFollower(uint32_t packetLen, uint8_t flags, bool first) {
    assembly_.storePacket(current_, packetLen);
    if ((flags & kContinueBit) == 0) {
        if (!first) {
            assembly_.setFlags(flags);
        } else if (trace_) {
            SlcLog(SLC_LOG_TRACE, "UsbReadResponse(Has followOnPkt, continueBit NOT set, offset=0):\n");
        }
        keepForNextMessage(current_ + packetLen, currentLength_ - packetLen);
        return Step::Done;
    }
    continueBit_ = true;
    if (trace_) {
        SlcLog(SLC_LOG_TRACE, first ? "UsbReadResponse(Has followOnPkt, continueBit set, offset=0):\n"
                                    : "UsbReadResponse(Has followOnPkt, continueBit set, offset != 0):\n");
    }
    current_ += packetLen;
    currentLength_ -= packetLen;
    followOnPkt_ = true;
    if (trace_) SlcLog(SLC_LOG_TRACE, "UsbReadResponse(followOnPkt is:)\n");
    if (data_) SlcLogHex(current_, currentLength_);
    return Step::More;
}

// Bytes that start no packet (or a 0xA5 whose DataLen cannot even hold a command byte): skip to
// the next 0xA5; without one the message is given up.
UsbReassembly::Step UsbReassembly::skipGarbage() {
    if (data_) {
        SlcLog(SLC_LOG_DATA, "Not A5, but NO prev truncatedPkt - GARBAGE - going to look for A5: responseBuffer is:\n");
        SlcLogHex(assembly_.data(), assembly_.storedLength());
    }
    uint8_t* next = static_cast<uint8_t*>(std::memchr(current_ + 1, kSop, currentLength_ - 1));
    if (next == nullptr) {
        if (trace_) {
            SlcLog(SLC_LOG_TRACE,
                   "Not A5, but NO prev truncatedPkt - GARBAGE - DID NOT FIND A5, rejecting bad data in responseBuffer and returning no response (offset set to 0): responseBuffer is:\n");
        }
        if (data_) SlcLogHex(assembly_.data(), assembly_.storedLength());
        assembly_.reset();
        return Step::Done;
    }
    currentLength_ -= static_cast<uint32_t>(next - current_);
    current_ = next;
    followOnPkt_ = true;
    return Step::More;
}

// Keeps the bytes after a complete message for the next call.
void UsbReassembly::keepForNextMessage(const uint8_t* bytes, uint32_t count) {
    const uint32_t kept = std::min(count, kWorkSize);
    std::memcpy(kept_.data(), bytes, kept);
    keptLength_ = kept;
    if (data_) {
        SlcLog(SLC_LOG_DATA, "UsbReadResponse(stored away secondResBuf is:)\n");
        SlcLogHex(kept_.data(), kept);
    }
}
