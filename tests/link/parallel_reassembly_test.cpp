// The parallel reassembly on scripted reads, without a port or a thread: what a port hands over
// in what pieces, and the message (or the giving up) that comes out.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "link/parallel_reassembly.h"
#include "protocol/packets.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A port that hands over its pieces in order: a piece is what one read can get (less when the
// read asks for less; the rest stays for the next read); an empty piece is a read that timed out
// with nothing. Every read moves the clock by 100 ms. When the pieces are used up the reader is
// being stopped.
class ScriptedInput : public ParallelInput {
public:
    explicit ScriptedInput(std::vector<Bytes> pieces) : pieces_(pieces.begin(), pieces.end()) {}
    bool read(uint8_t* buffer, uint32_t count, uint32_t& got) override {
        now_ += 100;
        got = 0;
        if (pieces_.empty()) return true;
        Bytes& piece = pieces_.front();
        while (got < count && got < piece.size()) {
            buffer[got] = piece[got];
            ++got;
        }
        piece.erase(piece.begin(), piece.begin() + got);
        if (piece.empty()) pieces_.pop_front();
        return true;
    }
    bool stopping() override { return pieces_.empty(); }
    void pauseAfterFailedRead() override {}
    uint32_t nowMs() override { return now_; }

private:
    std::deque<Bytes> pieces_;
    uint32_t now_ = 0;
};

Bytes Packet(uint8_t flags, const Bytes& data) {
    Bytes p{npa::SOP, 0, static_cast<uint8_t>(data.size() + 2), flags, 0xE0};
    p.insert(p.end(), data.begin(), data.end());
    return p;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

struct Script {
    const char* name;
    std::vector<Bytes> pieces;
    ParallelReassembly::Outcome outcome;
    Bytes message;  // the joined data, for a Message
};

class ParallelReassemblyScript : public ::testing::TestWithParam<Script> {};

TEST_P(ParallelReassemblyScript, GivesTheMessageOrGivesUp) {
    const Script& s = GetParam();
    ScriptedInput input(s.pieces);
    ParallelReassembly reassembly(1000);
    // A trailing empty piece keeps the input from stopping before the message is complete.
    ASSERT_EQ(reassembly.next(input), s.outcome);
    if (s.outcome != ParallelReassembly::Outcome::Message) return;
    EXPECT_EQ(reassembly.message(), s.message);
    EXPECT_EQ(reassembly.header()[0], npa::SOP);
    EXPECT_EQ(reassembly.header()[3] & npa::FLAG_CONTINUE, 0) << "the flags are the last packet's";
}

const Bytes kData{0xE7, 0x00, 0x01, 0x07, 0x01, 0x2D};
const Bytes kWhole = Packet(0x11, kData);
using Outcome = ParallelReassembly::Outcome;

INSTANTIATE_TEST_SUITE_P(
    Pieces, ParallelReassemblyScript,
    ::testing::Values(
        Script{"Whole", {kWhole, {}}, Outcome::Message, kData},
        // The header in two reads, the data in three: each read takes what has come.
        Script{"InPieces",
               {{npa::SOP}, {0x00, 0x08}, {0x11, 0xE0, 0xE7}, {0x00, 0x01}, {0x07, 0x01, 0x2D}, {}},
               Outcome::Message, kData},
        Script{"OneStrayByte", {Cat({{0x00}, kWhole}), {}}, Outcome::Message, kData},
        Script{"TwoStrayBytes", {Cat({{0x13, 0x11}, kWhole}), {}}, Outcome::Message, kData},
        Script{"GarbageFirst", {Bytes(10, 0x42), kWhole, {}}, Outcome::Message, kData},
        Script{"EmptyPacketSkipped", {Cat({{npa::SOP, 0x00, 0x01, 0x00}, kWhole}), {}}, Outcome::Message, kData},
        Script{"ContinuedPacketsJoined",
               {Cat({Packet(0x11 | npa::FLAG_CONTINUE, {0xE7, 0x00, 0x01}), Packet(0x11, {0x07, 0x01, 0x2D})}), {}},
               Outcome::Message, kData},
        Script{"SilenceBeforeTheFirstByteIsWaitedOut", {{}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, kWhole, {}},
               Outcome::Message, kData},
        // Inside a message, ten empty reads are tolerated and the eleventh gives up.
        Script{"SilenceInsideAMessage",
               {Packet(0x11 | npa::FLAG_CONTINUE, {0xE7, 0x00}), {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, kWhole},
               Outcome::GaveUp, {}},
        // A packet whose data stops coming for longer than the give-up time (100 ms per read).
        Script{"PacketCutShort",
               {Bytes(kWhole.begin(), kWhole.begin() + 7), {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
                {}, kWhole},
               Outcome::GaveUp, {}},
        // A packet of its flags and command byte alone (DataLen 2) is a message without data.
        Script{"FlagsAndCommandOnly", {Packet(0x11, {}), {}}, Outcome::Message, {}},
        Script{"FlagsAndCommandOnlyThenContinued",
               {Cat({Packet(0x11 | npa::FLAG_CONTINUE, {}), kWhole}), {}}, Outcome::Message, kData},
        Script{"StoppedWhileHunting", {{}, {}}, Outcome::Stopped, {}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
