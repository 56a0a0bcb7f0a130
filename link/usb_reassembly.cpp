// UsbReadResponse: one NPA message out of a stream of read transfers.
#include "link/usb_reassembly.h"

#include <algorithm>
#include <cstring>

#include "link/link_private.h"

namespace {

constexpr uint8_t kSop = 0xA5;
constexpr uint8_t kContinueBit = 0x20;
constexpr uint32_t kHeaderSize = 5;
// A packet start shorter than the header is kept and joined with the next transfer.
constexpr uint32_t kFragmentMax = kHeaderSize - 1;
// Room for one transfer behind a kept fragment (and for bytes carried over from the previous
// message, which never exceed that).
constexpr uint32_t kWorkSize = USB_MAX_TRANSFER_SIZE + kFragmentMax;

// The message under construction. Its length is counted in full, whatever the printer claims,
// but bytes past the capacity are dropped, so no length can push a write past the buffer.
class Assembly {
public:
    Assembly(uint8_t* buffer, size_t capacity) : buffer_(buffer), capacity_(capacity) {}

    size_t offset() const { return offset_; }
    void reset() { offset_ = 0; }

    void append(const uint8_t* bytes, size_t count) {
        if (offset_ < capacity_) std::memcpy(buffer_ + offset_, bytes, std::min(count, capacity_ - offset_));
        offset_ += count;
    }

    // The first packet goes in whole; a continuing packet adds only its data, and the message's
    // DataLen grows by the same count (AddToDataLen).
    void storePacket(const uint8_t* packet, size_t length) {
        if (offset_ == 0) {
            append(packet, length);
        } else {
            append(packet + kHeaderSize, length - kHeaderSize);
            addToDataLen(length - kHeaderSize);
        }
    }

    void addToDataLen(size_t count) {
        if (capacity_ < 3) return;
        const uint16_t value = static_cast<uint16_t>(((buffer_[1] << 8) | buffer_[2]) + count);
        buffer_[1] = static_cast<uint8_t>(value >> 8);
        buffer_[2] = static_cast<uint8_t>(value & 0xFF);
    }

    // The message takes the flags of its last packet.
    void setFlags(uint8_t flags) {
        if (capacity_ > 3) buffer_[3] = flags;
    }

    const uint8_t* data() const { return buffer_; }
    uint32_t storedLength() const { return static_cast<uint32_t>(std::min(offset_, capacity_)); }

private:
    uint8_t* buffer_;
    size_t capacity_;
    size_t offset_ = 0;
};

bool LevelOn(uint32_t levels, uint32_t level) { return (levels & level) != 0; }

}  // namespace

void UsbReadResponse(const UsbTransferSource& readPkt, uint8_t* responseBuffer, uint32_t* responseBufLen,
                     uint8_t* secondResBuf, uint32_t* secondResBufCurrentLen, uint32_t transferSize) {
    // Read once: the reader runs this for every message and most levels are off.
    const uint32_t levels = SlcGlobals().loggingLevel;
    const bool trace = LevelOn(levels, SLC_LOG_TRACE);
    const bool data = LevelOn(levels, SLC_LOG_DATA);
    const uint32_t size = std::clamp<uint32_t>(transferSize, 1, USB_MAX_TRANSFER_SIZE);

    Assembly res(responseBuffer, std::min<uint32_t>(*responseBufLen, USB_BUFFER_CAPACITY));
    uint8_t work[kWorkSize];
    uint8_t* ptrCurrPkt = work;
    uint32_t currPktLen = 0;
    uint8_t prevCurrPkt[kFragmentMax];
    uint32_t prevCurrPktLen = 0;
    bool continueBit = false;
    bool followOnPkt = false;
    bool truncatedPkt = false;
    size_t missing = 0;  // bytes of the truncated packet still to come

    // Keeps the bytes after a complete message for the next call.
    auto keepForNextMessage = [&](const uint8_t* bytes, uint32_t count) {
        const uint32_t kept = std::min(count, USB_BUFFER_CAPACITY);
        std::memcpy(secondResBuf, bytes, kept);
        *secondResBufCurrentLen = kept;
        if (data) {
            SlcLog(SLC_LOG_DATA, "UsbReadResponse(stored away secondResBuf is:)\n");
            SlcLogHex(secondResBuf, kept);
        }
    };

    do {
        if (trace) SlcLog(SLC_LOG_TRACE, "UsbReadResponse(): *secondResBufCurrentLen: %d\n", *secondResBufCurrentLen);

        if (*secondResBufCurrentLen > 0) {
            currPktLen = std::min(*secondResBufCurrentLen, kWorkSize);
            std::memcpy(work, secondResBuf, currPktLen);
            ptrCurrPkt = work;
            *secondResBufCurrentLen = 0;
            if (trace) {
                SlcLog(SLC_LOG_TRACE,
                       "UsbReadResponse(): copied secondResBuf into ptrCurrPkt, (len:%d) and going to re-init secondresbuf\n",
                       currPktLen);
            }
        } else if (followOnPkt && prevCurrPktLen == 0 && currPktLen > 0) {
            // The rest of the current transfer is worked on where it lies.
        } else {
            std::memset(work, 0, size);
            if (trace) {
                SlcLog(SLC_LOG_TRACE,
                       "UsbReadResponse(): !followOnPkt || (prevCurrPktLen > 0), going to call ReadPkt()\n");
            }
            const long got = readPkt(work, size);
            if (got < 0) {
                // The pipe failed or the reader is told to stop: what was assembled is lost.
                res.reset();
                break;
            }
            if (got == 0) {
                if (trace) SlcLog(SLC_LOG_TRACE, "UsbReadResponse(): ReadPkt() did not read anything\n");
                continue;
            }
            currPktLen = std::min<uint32_t>(static_cast<uint32_t>(got), size);
            ptrCurrPkt = work;
            if (data) {
                SlcLog(SLC_LOG_DATA, "UsbReadResponse(): ReadPkt() returned with data as below:\n");
                SlcLogHex(work, currPktLen);
            }
            // A kept packet start is joined with the transfer before anything else looks at the
            // bytes: they are the rest of its header, whatever their value.
            if (prevCurrPktLen > 0) {
                std::memmove(work + prevCurrPktLen, work, currPktLen);
                std::memcpy(work, prevCurrPkt, prevCurrPktLen);
                currPktLen += prevCurrPktLen;
                prevCurrPktLen = 0;
                followOnPkt = true;
                if (trace) SlcLog(SLC_LOG_TRACE, "Not A5, but prevCurrPktLen > 0, joined followOnPkt is:\n");
                if (data) SlcLogHex(ptrCurrPkt, currPktLen);
            }
        }

        if (truncatedPkt) {
            // The bytes continue the packet cut at the end of the previous transfer, even when
            // one of them happens to be 0xA5.
            if (currPktLen == missing) {
                res.append(ptrCurrPkt, missing);
                truncatedPkt = false;
                followOnPkt = false;
                if (trace) {
                    SlcLog(SLC_LOG_TRACE,
                           "UsbReadResponse(Not A5, but prev truncatedPkt got completed, set trucPkt and followOnPkt to FALSE):\n");
                }
            } else if (currPktLen < missing) {
                res.append(ptrCurrPkt, currPktLen);
                missing -= currPktLen;
                followOnPkt = false;
                if (trace) {
                    SlcLog(SLC_LOG_TRACE,
                           "UsbReadResponse(Not A5, but prev truncatedPkt DID NOT get completed, set followOnPkt to FALSE):\n");
                }
            } else {
                const uint32_t m = static_cast<uint32_t>(missing);
                res.append(ptrCurrPkt, m);
                truncatedPkt = false;
                if (trace) {
                    SlcLog(SLC_LOG_TRACE,
                           "UsbReadResponse(Not A5, but prev truncatedPkt got completed, set trucPkt  to FALSE):\n");
                }
                if (!continueBit) {
                    keepForNextMessage(ptrCurrPkt + m, currPktLen - m);
                    break;
                }
                ptrCurrPkt += m;
                currPktLen -= m;
                followOnPkt = ptrCurrPkt[0] != 0;
                if (trace) {
                    SlcLog(SLC_LOG_TRACE,
                           "UsbReadResponse(Not A5, but prev truncatedPkt got completed but there is  - followOnPkt is:):\n");
                }
                if (data) SlcLogHex(ptrCurrPkt, currPktLen);
            }
        } else if (ptrCurrPkt[0] == kSop && currPktLen < kHeaderSize) {
            std::memcpy(prevCurrPkt, ptrCurrPkt, currPktLen);
            prevCurrPktLen = currPktLen;
            currPktLen = 0;
            followOnPkt = false;
            if (trace) {
                SlcLog(SLC_LOG_TRACE, "UsbReadResponse(): copied ptrCurrPkt into prevCurrPkt (len:%d) and continuing\n",
                       prevCurrPktLen);
            }
        } else if (ptrCurrPkt[0] == kSop && ((ptrCurrPkt[1] << 8) | ptrCurrPkt[2]) >= 2) {
            const uint32_t dataLen = static_cast<uint32_t>((ptrCurrPkt[1] << 8) | ptrCurrPkt[2]);
            const uint32_t packetLen = dataLen + 3;
            const uint8_t flags = ptrCurrPkt[3];
            const bool continues = (flags & kContinueBit) != 0;
            const bool first = res.offset() == 0;
            if (trace) SlcLog(SLC_LOG_TRACE, "UsbReadResponse() - Got packet, offset=%d\n", static_cast<int>(res.offset()));

            if (currPktLen == packetLen) {
                res.storePacket(ptrCurrPkt, packetLen);
                if (!continues) {
                    if (!first) res.setFlags(flags);
                    if (trace) {
                        if (first) {
                            SlcLog(SLC_LOG_TRACE, "UsbReadResponse(continueBit NOT set, offset=0): [offset now %d]\n",
                                   static_cast<int>(res.offset()));
                        } else {
                            SlcLog(SLC_LOG_TRACE, "UsbReadResponse(continueBit NOT set, offset != 0):\n");
                        }
                    }
                    break;
                }
                continueBit = true;
                followOnPkt = false;
                currPktLen = 0;
            } else if (currPktLen < packetLen) {
                truncatedPkt = true;
                missing = packetLen - currPktLen;
                followOnPkt = false;
                continueBit = continues;
                if (first) {
                    res.append(ptrCurrPkt, currPktLen);
                } else {
                    res.append(ptrCurrPkt + kHeaderSize, currPktLen - kHeaderSize);
                    res.addToDataLen(dataLen - 2);
                    if (!continues) res.setFlags(flags);
                }
                if (trace) {
                    if (continues) {
                        SlcLog(SLC_LOG_TRACE, first ? "UsbReadResponse(Truncated Pkt, continueBit set, offset=0):\n"
                                                    : "UsbReadResponse(Truncated Pkt, continueBit set, offset != 0):\n");
                    } else {
                        SlcLog(SLC_LOG_TRACE, first ? "UsbReadResponse(Truncated Pkt, continueBit NOT set, offset=0):\n"
                                                    : "UsbReadResponse(Truncated Pkt, continueBit NOT set, offset != 0):\n");
                    }
                }
            } else {
                res.storePacket(ptrCurrPkt, packetLen);
                if (!continues) {
                    if (!first) {
                        res.setFlags(flags);
                    } else if (trace) {
                        SlcLog(SLC_LOG_TRACE, "UsbReadResponse(Has followOnPkt, continueBit NOT set, offset=0):\n");
                    }
                    keepForNextMessage(ptrCurrPkt + packetLen, currPktLen - packetLen);
                    break;
                }
                continueBit = true;
                if (trace) {
                    SlcLog(SLC_LOG_TRACE, first ? "UsbReadResponse(Has followOnPkt, continueBit set, offset=0):\n"
                                                : "UsbReadResponse(Has followOnPkt, continueBit set, offset != 0):\n");
                }
                ptrCurrPkt += packetLen;
                currPktLen -= packetLen;
                followOnPkt = true;
                if (trace) SlcLog(SLC_LOG_TRACE, "UsbReadResponse(followOnPkt is:)\n");
                if (data) SlcLogHex(ptrCurrPkt, currPktLen);
            }
        } else {
            // Bytes that start no packet (or a 0xA5 whose DataLen cannot even hold a command byte):
            // skip to the next 0xA5.
            if (data) {
                SlcLog(SLC_LOG_DATA,
                       "Not A5, but NO prev truncatedPkt - GARBAGE - going to look for A5: responseBuffer is:\n");
                SlcLogHex(res.data(), res.storedLength());
            }
            uint8_t* next = static_cast<uint8_t*>(std::memchr(ptrCurrPkt + 1, kSop, currPktLen - 1));
            if (next == nullptr) {
                if (trace) {
                    SlcLog(SLC_LOG_TRACE,
                           "Not A5, but NO prev truncatedPkt - GARBAGE - DID NOT FIND A5, rejecting bad data in responseBuffer and returning no response (offset set to 0): responseBuffer is:\n");
                }
                if (data) SlcLogHex(res.data(), res.storedLength());
                res.reset();
                break;
            }
            currPktLen -= static_cast<uint32_t>(next - ptrCurrPkt);
            ptrCurrPkt = next;
            followOnPkt = true;
        }

        if (trace) {
            SlcLog(SLC_LOG_TRACE,
                   "UsbReadResponse(): at the end of iteration, before checking for while condition, resBuf offset is %d\n",
                   static_cast<int>(res.offset()));
        }
    } while (continueBit || followOnPkt || truncatedPkt || prevCurrPktLen > 0);

    *responseBufLen = res.storedLength();
    if (data) {
        SlcLog(SLC_LOG_DATA, "UsbReadResponse Before RETURNING\n");
        SlcLogHex(responseBuffer, *responseBufLen);
    }
}
