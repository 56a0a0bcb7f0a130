// Recognising the printer and its NPA mode from the device ID and the PJL mode query.
#include <chrono>
#include <deque>
#include <mutex>
#include <thread>

#include "link/npa_detect.h"
#include "link_fixture.h"

namespace linktest {
namespace {

bool Recognized(const std::string& id) { return IsRecognizedDeviceId(id.data(), id.size()); }

TEST(DeviceId, MarkersOfASupportedPrinter) {
    EXPECT_TRUE(Recognized("MFG:Corvane;MDL:T90;"));
    EXPECT_TRUE(Recognized("CMD:PCL, NPAP,PJL;"));
    EXPECT_TRUE(Recognized("CMD:PCL, NPAP;"));
    EXPECT_TRUE(Recognized("CMD:QNPAP;"));
    EXPECT_TRUE(Recognized("CMD:Cpdnpa00x;"));
    EXPECT_TRUE(Recognized("CMD:CPDNPA001;"));
    EXPECT_FALSE(Recognized("CMD:PCL,NPAP;"));    // no space in front
    EXPECT_FALSE(Recognized("MFG:corvane;"));     // case matters
    EXPECT_FALSE(Recognized("MFG:Brennick;CMD:PCL,PJL;"));
    EXPECT_FALSE(IsRecognizedDeviceId(nullptr, 0));
    // The length prefix of an IEEE 1284 ID may begin with a zero byte; the text behind it counts.
    const std::string prefixed = std::string("\x00\x18", 2) + "MFG:Altrin;CMD:PCL, NPAP,;";
    EXPECT_TRUE(Recognized(prefixed));
}

int Check(const std::string& reply) {
    return CheckPJLQueryResponse(reinterpret_cast<const uint8_t*>(reply.data()), static_cast<uint32_t>(reply.size()));
}

TEST(PjlQueryReply, ModeFromTheReply) {
    EXPECT_EQ(Check("@PJL DINQUIRE QNPAP\r\nAUTO\r\n\f"), NPA_AUTO);
    EXPECT_EQ(Check("@PJL DINQUIRE QNPAP\r\nOFF\r\n\f"), NPA_OFF);
    EXPECT_EQ(Check("@PJL DINQUIRE QNPAP\r\nAUTO OFF\r\n"), NPA_OFF);  // OFF wins
    EXPECT_EQ(Check("@PJL DINQUIRE QNPAP\r\nON\r\n\f"), NPA_OFF);
    EXPECT_EQ(Check("something else entirely"), NPA_OFF);
    EXPECT_EQ(Check(""), NPA_OFF);
    EXPECT_EQ(Check(std::string("\xA5\x00\x02\x80\x00", 5)), NPA_ON);
    EXPECT_EQ(Check(std::string("\xA5\x00\x02\x00\x00", 5)), -1);
    EXPECT_EQ(Check(std::string("\xA5\x00\x02", 3)), -1);  // too short to tell
}

// A parallel device that answers each mode query with the next scripted reply (empty: silence).
class ScriptedDevice : public platform::ParallelChannel {
public:
    explicit ScriptedDevice(std::deque<std::string> replies) : replies_(std::move(replies)) {}

    long write(const uint8_t* data, size_t n) override {
        if (failWrites) return -1;
        std::lock_guard<std::mutex> lock(mutex_);
        ++queries;
        (void)data;
        if (!replies_.empty()) {
            pending_ += replies_.front();
            replies_.pop_front();
        }
        return static_cast<long>(n);
    }
    long read(uint8_t* buffer, size_t n, int) override {
        std::lock_guard<std::mutex> lock(mutex_);
        const size_t count = std::min(n, pending_.size());
        std::copy(pending_.begin(), pending_.begin() + static_cast<long>(count), buffer);
        pending_.erase(0, count);
        return static_cast<long>(count);
    }
    void cancel() override {}
    int lastError() const override { return 0; }
    bool readDeviceId(uint8_t*, size_t, size_t&) override { return false; }
    bool getTimeouts(platform::CommTimeouts& t) override {
        t = current;
        return canGetTimeouts;
    }
    bool setTimeouts(const platform::CommTimeouts& t) override {
        current = t;
        timeoutsSet.push_back(t);
        return true;
    }

    bool failWrites = false;
    bool canGetTimeouts = true;
    int queries = 0;
    platform::CommTimeouts current;
    std::vector<platform::CommTimeouts> timeoutsSet;

private:
    std::mutex mutex_;
    std::deque<std::string> replies_;
    std::string pending_;
};

using NpaMode = LinkTest;

const std::string kNpaOn("\xA5\x00\x02\x80\x00", 5);
const std::string kNpaOther("\xA5\x00\x02\x00\x00", 5);

TEST_F(NpaMode, QueryOutcomes) {
    struct Case {
        const char* name;
        std::deque<std::string> replies;
        int16_t mode;
        int queries;
    };
    const Case cases[] = {
        {"PJL AUTO", {"@PJL DINQUIRE QNPAP\r\nAUTO\r\n"}, NPA_AUTO, 1},
        {"NPA ON", {kNpaOn}, NPA_ON, 1},
        {"silence", {}, NPA_AUTO, 1},
        {"NPA-like, then ON", {kNpaOther, kNpaOn}, NPA_ON, 2},
        {"NPA-like twice", {kNpaOther, kNpaOther}, NPA_OFF, 2},
        {"NPA-like, then silence", {kNpaOther}, NPA_AUTO, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedDevice device(c.replies);
        const std::string id = "MFG:Altrin;CMD:PCL, NPAP,;";
        EXPECT_EQ(IsNpaActive(device, id.data(), id.size()), c.mode);
        EXPECT_EQ(device.queries, c.queries);
    }
}

TEST_F(NpaMode, QueryTimeoutsAreSetAndRestored) {
    ScriptedDevice device({"@PJL DINQUIRE QNPAP\r\nAUTO\r\n"});
    device.current.readTotalConstant = 777;
    ASSERT_EQ(IsNpaActive(device, "", 0), NPA_AUTO);
    ASSERT_EQ(device.timeoutsSet.size(), 2u);
    const platform::CommTimeouts& query = device.timeoutsSet[0];
    EXPECT_EQ(query.readInterval, SlcTimingTable().queryReadIntervalMs);
    EXPECT_EQ(query.readTotalConstant, SlcTimingTable().queryReadTotalMs);
    EXPECT_EQ(query.writeTotalMultiplier, 10u);
    EXPECT_EQ(query.writeTotalConstant, 2500u);
    EXPECT_EQ(device.current.readTotalConstant, 777u);

    ScriptedDevice unsaved({});
    unsaved.canGetTimeouts = false;
    ASSERT_EQ(IsNpaActive(unsaved, "", 0), NPA_AUTO);
    EXPECT_EQ(unsaved.timeoutsSet.size(), 1u);  // nothing to restore
}

TEST_F(NpaMode, DeviceIdMarkersSkipTheQueryAndWriteFailureMeansOff) {
    ScriptedDevice device({kNpaOn});
    const std::string id = "MFG:Altrin;CMD:CPDNPA001;";
    EXPECT_EQ(IsNpaActive(device, id.data(), id.size()), NPA_AUTO);
    EXPECT_EQ(device.queries, 0);

    ScriptedDevice broken({kNpaOn});
    broken.failWrites = true;
    EXPECT_EQ(IsNpaActive(broken, "", 0), NPA_OFF);
}

// A parallel device whose reply to the mode query comes in the scripted pieces, one per read, as
// a port with read time-outs hands them over; a read after the last piece waits out the read's
// whole time-out (as the port's CommTimeouts set it) and brings nothing.
class PacedDevice : public platform::ParallelChannel {
public:
    explicit PacedDevice(std::vector<std::string> pieces) : pieces_(std::move(pieces)) {}

    long write(const uint8_t*, size_t n) override {
        ++queries;
        next_ = 0;
        return static_cast<long>(n);
    }
    long read(uint8_t* buffer, size_t n, int) override {
        ++reads;
        if (next_ < pieces_.size()) {
            const std::string& piece = pieces_[next_++];
            const size_t count = std::min(n, piece.size());
            std::copy(piece.begin(), piece.begin() + static_cast<long>(count), buffer);
            return static_cast<long>(count);
        }
        ++timedOutReads;
        std::this_thread::sleep_for(std::chrono::milliseconds(current.readTotalConstant +
                                                              uint64_t{current.readTotalMultiplier} * n));
        return 0;
    }
    void cancel() override {}
    int lastError() const override { return 0; }
    bool readDeviceId(uint8_t*, size_t, size_t&) override { return false; }
    bool getTimeouts(platform::CommTimeouts& t) override {
        t = current;
        return true;
    }
    bool setTimeouts(const platform::CommTimeouts& t) override {
        current = t;
        return true;
    }

    int queries = 0;
    int reads = 0;
    int timedOutReads = 0;
    platform::CommTimeouts current;

private:
    std::vector<std::string> pieces_;
    size_t next_ = 0;
};

struct ModeReplyCase {
    const char* name;
    std::vector<std::string> pieces;  // what each read of the reply brings
    int16_t mode;
    bool whole;  // the reply completes: no read waits out the time-out
};
void PrintTo(const ModeReplyCase& c, std::ostream* os) { *os << c.name; }

class ModeQueryRead : public LinkTest, public ::testing::WithParamInterface<ModeReplyCase> {};

// The read of the query's reply ends when the reply is whole, and only a reply that never
// completes is waited for until the read's time-out; the mode is read from what came either way.
TEST_P(ModeQueryRead, EndsWhenTheReplyIsWholeElseAtItsTimeOut) {
    const ModeReplyCase& c = GetParam();
    PacedDevice device(c.pieces);
    bool answered = false;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(IsNpaActive(device, "", 0, &answered), c.mode);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(answered);
    EXPECT_EQ(device.queries, 1);
    if (c.whole) {
        EXPECT_EQ(device.timedOutReads, 0);
        EXPECT_EQ(device.reads, static_cast<int>(c.pieces.size()));
    } else {
        EXPECT_EQ(device.timedOutReads, 1);
        EXPECT_GE(elapsed, std::chrono::milliseconds(SlcTimingTable().queryReadTotalMs));
    }
}

const std::string kAutoReply = "@PJL DINQUIRE QNPAP\r\nAUTO\r\n\f";

INSTANTIATE_TEST_SUITE_P(
    Replies, ModeQueryRead,
    ::testing::Values(ModeReplyCase{"PjlAtOnce", {kAutoReply}, NPA_AUTO, true},
                      ModeReplyCase{"PjlInPieces", {"@PJL DIN", "QUIRE QNPAP\r\nAU", "TO\r\n", "\f"}, NPA_AUTO, true},
                      ModeReplyCase{"PjlOffInPieces", {"@PJL DINQUIRE QNPAP\r\n", "OFF\r\n\f"}, NPA_OFF, true},
                      ModeReplyCase{"NpaPacketAtOnce", {kNpaOn}, NPA_ON, true},
                      ModeReplyCase{"NpaPacketInPieces", {kNpaOn.substr(0, 2), kNpaOn.substr(2, 2), kNpaOn.substr(4)},
                                    NPA_ON, true},
                      ModeReplyCase{"PjlWithoutFormFeedNeverEnds", {"@PJL DINQUIRE QNPAP\r\nAUTO\r\n"}, NPA_AUTO, false},
                      ModeReplyCase{"FormFeedOnlyInsideNeverEnds", {"@PJL\f DINQUIRE QNPAP\r\n", "AUTO\r\n"}, NPA_AUTO,
                                    false}),
    [](const ::testing::TestParamInfo<ModeReplyCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace linktest
