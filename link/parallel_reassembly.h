// The parallel reader's reassembly, apart from its thread and the port: it hunts for a packet
// header in what the input gives (shifting past up to two stray bytes), reads each packet's data
// and joins continued packets into one message. Everything it reads comes through ParallelInput,
// so the same code runs on a port, in tests and under a fuzzer.
#pragma once

#include <cstdint>
#include <vector>

#include "link/slc.h"
#include "protocol/packets.h"

// Where the reassembly's bytes come from.
class ParallelInput {
public:
    virtual ~ParallelInput() = default;
    // Up to count bytes into buffer; got is how many came (0 when the port had none in its
    // time-out). False when the read failed.
    virtual bool read(uint8_t* buffer, uint32_t count, uint32_t& got) = 0;
    // True once the reader is being stopped: the reassembly ends without a message.
    virtual bool stopping() = 0;
    // Called after a read that failed without a byte (a device that went away fails every read at
    // once: the input decides how long to wait before the next one).
    virtual void pauseAfterFailedRead() = 0;
    // A millisecond clock, for how long a packet may stay incomplete.
    virtual uint32_t nowMs() = 0;
};

class ParallelReassembly {
public:
    enum class Outcome {
        Message,  // header() and message() hold a whole message
        GaveUp,   // the printer fell silent inside a message, or a packet stayed incomplete
        Stopped,  // the input is stopping
    };

    // giveUpMs: the longest a packet's data may stay incomplete. logLevel: the log level bits the
    // reassembly writes its steps at (the link's level, handed in by the reader; 0 writes
    // nothing), so that it reads no state of the link.
    explicit ParallelReassembly(uint32_t giveUpMs, uint32_t logLevel = 0)
        : giveUpMs_(giveUpMs),
          trace_((logLevel & SLC_LOG_TRACE) != 0),
          data_((logLevel & SLC_LOG_DATA) != 0) {}

    // Reads the next whole message: its last packet's header (DataLen rewritten for the joined
    // data) and the data after flags and command byte, joined across continued packets. The data
    // of a message is kept up to one slot (SLC_SLOT_SIZE, link/limits.h) and one packet beyond it; more is read
    // and dropped, so a message over a slot is still known to be too large.
    Outcome next(ParallelInput& input);

    const uint8_t* header() const { return header_; }
    const std::vector<uint8_t>& message() const { return message_; }

private:
    enum class Hunt { Header, Unusable, GaveUp, Stopped };
    Hunt huntHeader(ParallelInput& input, bool inMessage);
    bool fill(ParallelInput& input, uint8_t* place, uint32_t count);
    bool readPacketData(ParallelInput& input, uint8_t* data, uint32_t dataLen);

    uint32_t giveUpMs_;
    bool trace_;
    bool data_;
    uint8_t header_[npa::HEADER_SIZE] = {};
    bool lastReadFailed_ = false;
    std::vector<uint8_t> message_;
};
