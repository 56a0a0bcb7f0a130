// Splits the byte stream from the host into what the printer acts on: NPA packets, the PJL
// universal exit (ESC "%-12345X") and PJL command lines. Anything else (print data, the zero bytes
// some hosts write around the device-ID request) is dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

struct WireUnit {
    enum class Kind { NpaPacket, UniversalExit, PjlLine };
    Kind kind;
    std::vector<uint8_t> bytes;  // the packet, or the line without CR LF
};

class WireStream {
public:
    void feed(const uint8_t* data, size_t n, std::vector<WireUnit>& out);
    void reset();

private:
    enum class State { Idle, Packet, Escape, Pjl };
    void step(uint8_t b, std::vector<WireUnit>& out);
    State state_ = State::Idle;
    std::vector<uint8_t> buffer_;
};

}  // namespace sim
