#include "sim/wire_stream.h"

#include <cstring>

namespace sim {

namespace {
constexpr char kUel[] = "\x1b%-12345X";
constexpr size_t kUelLength = sizeof(kUel) - 1;
constexpr size_t kMaxPjlLine = 256;
}  // namespace

void WireStream::reset() {
    state_ = State::Idle;
    buffer_.clear();
}

void WireStream::feed(const uint8_t* data, size_t n, std::vector<WireUnit>& out) {
    for (size_t i = 0; i < n; ++i) step(data[i], out);
}

void WireStream::step(uint8_t b, std::vector<WireUnit>& out) {
    switch (state_) {
    case State::Idle:
        if (b == 0xA5) {
            state_ = State::Packet;
            buffer_.assign(1, b);
        } else if (b == 0x1B) {
            state_ = State::Escape;
            buffer_.assign(1, b);
        } else if (b == '@') {
            state_ = State::Pjl;
            buffer_.assign(1, b);
        }
        return;
    case State::Packet: {
        buffer_.push_back(b);
        if (buffer_.size() < 3) return;
        const size_t total = 3 + ((static_cast<size_t>(buffer_[1]) << 8) | buffer_[2]);
        if (buffer_.size() == total) {
            out.push_back({WireUnit::Kind::NpaPacket, std::move(buffer_)});
            reset();
        }
        return;
    }
    case State::Escape:
        buffer_.push_back(b);
        if (static_cast<uint8_t>(kUel[buffer_.size() - 1]) != b) {
            // Not the universal exit: an escape sequence of print data. Look at this byte again.
            reset();
            if (b == 0x1B || b == 0xA5 || b == '@') step(b, out);
            return;
        }
        if (buffer_.size() == kUelLength) {
            out.push_back({WireUnit::Kind::UniversalExit, {}});
            reset();
        }
        return;
    case State::Pjl:
        if (b == '\n') {
            if (!buffer_.empty() && buffer_.back() == '\r') buffer_.pop_back();
            out.push_back({WireUnit::Kind::PjlLine, std::move(buffer_)});
            reset();
        } else if (b == 0x1B) {
            // A line cut short by the next universal exit.
            out.push_back({WireUnit::Kind::PjlLine, std::move(buffer_)});
            reset();
            step(b, out);
        } else if (buffer_.size() < kMaxPjlLine) {
            buffer_.push_back(b);
        }
        return;
    }
}

}  // namespace sim
