// An open that follows an open of the same printer on the same port within the reuse window
// takes the NPA mode the printer answered then, instead of asking again; anything that casts
// doubt on it makes the open ask.
#include <atomic>
#include <regex>

#include "link/npa_mode_memory.h"
#include "link_fixture.h"

namespace linktest {
namespace {

// The simulated platform's clock, moved forward by the test.
class MovableClock : public platform::Clock {
public:
    explicit MovableClock(platform::Clock& base) : base_(base) {}
    uint32_t tickCount() override { return base_.tickCount() + offset_.load(); }
    std::string timeOfDay() override { return base_.timeOfDay(); }
    void sleepMs(uint32_t ms) override { base_.sleepMs(ms); }
    void advance(uint32_t ms) { offset_ += ms; }

private:
    platform::Clock& base_;
    std::atomic<uint32_t> offset_{0};
};

// The PJL mode queries a printer received.
size_t ModeQueries(const sim::VirtualPrinter& printer) {
    const std::vector<std::string> lines = printer.receivedPjl();
    return static_cast<size_t>(std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.find("@PJL DINQUIRE QNPAP") != std::string::npos;
    }));
}

int SendBatchRead(const char* port) {
    const Bytes request = BatchRead();
    uint8_t reply[2048];
    uint32_t replyLength = sizeof reply;
    return SlcSendCommand(port, request.data(), static_cast<uint32_t>(request.size()), reply, &replyLength);
}

const char* const kReused = "same device ID: reusing NPA mode";

// A request on LPT1: that the printer leaves unanswered, within a short wait.
void Unanswered(sim::VirtualPrinter& printer) {
    sim::Faults silent;
    silent.silent = true;
    printer.setFaults(silent);
    SlcTimingTable().responseWaitMs = 50;
    EXPECT_EQ(SendBatchRead("LPT1:"), SLC_SEND_READFAIL);
    SlcTimingTable().responseWaitMs = FastTiming().responseWaitMs;
    printer.setFaults({});
}

class ModeReuseTest : public LinkTest {
protected:
    void SetUp() override {
        LinkTest::SetUp();
        sim_->setLoggingLevel(SLC_LOG_PUBLIC | SLC_LOG_TRACE);
        platform::Platform p = sim_->interfaces();
        clock_ = std::make_unique<MovableClock>(*p.clock);
        p.clock = clock_.get();
        platform::install(p);
        lpt1_ = &AddPrinter();
        lpt2_ = &AddPrinter({}, "LPT2:");
    }

    bool LogSaysReused() const { return sim_->logText().find(kReused) != std::string::npos; }

    std::unique_ptr<MovableClock> clock_;
    sim::VirtualPrinter* lpt1_ = nullptr;
    sim::VirtualPrinter* lpt2_ = nullptr;
};

// What happens on LPT1: between an open that asked the printer and the next open.
using Between = void (*)(MovableClock& clock, sim::VirtualPrinter& lpt1);

struct ReuseCase {
    const char* name;
    sim::NpaMode mode;   // the printers' NPA mode
    bool silentAtFirst;  // the first open's query goes unanswered (AUTO by silence)
    Between between;
    const char* secondPort;
    bool asksAgain;
};

void Nothing(MovableClock&, sim::VirtualPrinter&) {}
void WellWithinTheWindow(MovableClock& clock, sim::VirtualPrinter&) {
    clock.advance(SlcTimingTable().npaModeReuseMs - 5000);
}
void WindowOver(MovableClock& clock, sim::VirtualPrinter&) { clock.advance(SlcTimingTable().npaModeReuseMs); }
// The read session: a batch read, then the port is closed (or replaced by the write's open).
void ReadAndClose(MovableClock&, sim::VirtualPrinter&) {
    EXPECT_EQ(SendBatchRead("LPT1:"), SLC_OK);
    EXPECT_EQ(SlcClosePort("LPT1:"), SLC_OK);
}
void OtherModel(MovableClock&, sim::VirtualPrinter& lpt1) {
    sim::PrinterConfig config = lpt1.config();
    config.model = "Pressline T95";
    lpt1.setConfig(config);
}
void Shutdown(MovableClock&, sim::VirtualPrinter&) { SlcShutdown(); }
void RequestUnanswered(MovableClock&, sim::VirtualPrinter& lpt1) { Unanswered(lpt1); }
void DeviceIdUnreadable(MovableClock&, sim::VirtualPrinter& lpt1) {
    sim::Faults faults;
    faults.deviceIdUnreadable = true;
    lpt1.setFaults(faults);
    EXPECT_EQ(SlcOpenPort("LPT1:"), SLC_NOT_OPEN);
    lpt1.setFaults({});
}

// A failing case names itself, not its bytes.
void PrintTo(const ReuseCase& c, std::ostream* os) { *os << c.name; }

class NpaModeReuse : public ModeReuseTest, public ::testing::WithParamInterface<ReuseCase> {};

const ReuseCase kReuseCases[] = {
    {"AutoReadThenWrite", sim::NpaMode::Auto, false, ReadAndClose, "LPT1:", false},
    {"OnWellWithinTheWindow", sim::NpaMode::On, false, WellWithinTheWindow, "LPT1:", false},
    {"WindowOver", sim::NpaMode::Auto, false, WindowOver, "LPT1:", true},
    {"AnotherDeviceId", sim::NpaMode::Auto, false, OtherModel, "LPT1:", true},
    {"AnotherPort", sim::NpaMode::Auto, false, Nothing, "LPT2:", true},
    {"AfterShutdown", sim::NpaMode::Auto, false, Shutdown, "LPT1:", true},
    {"AfterAnUnansweredRequest", sim::NpaMode::Auto, false, RequestUnanswered, "LPT1:", true},
    {"AfterAnUnreadableDeviceId", sim::NpaMode::Auto, false, DeviceIdUnreadable, "LPT1:", true},
    {"SilenceIsNotKept", sim::NpaMode::Auto, true, Nothing, "LPT1:", true},
};

TEST_P(NpaModeReuse, SecondOpen) {
    const ReuseCase& c = GetParam();
    sim::PrinterConfig config;
    config.mode = c.mode;
    lpt1_->setConfig(config);
    lpt2_->setConfig(config);
    sim::Faults silent;
    silent.silent = c.silentAtFirst;
    lpt1_->setFaults(silent);
    ASSERT_EQ(SlcOpenPort("LPT1:"), SLC_OK);
    ASSERT_EQ(ModeQueries(*lpt1_), 1u);
    lpt1_->setFaults({});
    const int16_t mode = SlcGlobals().npaMode;

    c.between(*clock_, *lpt1_);
    lpt1_->clearWire();
    sim_->clearLog();
    sim::VirtualPrinter& second = *sim_->parallelPrinter(c.secondPort);
    ASSERT_EQ(SlcOpenPort(c.secondPort), SLC_OK);
    EXPECT_EQ(ModeQueries(second), c.asksAgain ? 1u : 0u);
    EXPECT_EQ(LogSaysReused(), !c.asksAgain) << sim_->logText();
    EXPECT_EQ(SlcGlobals().npaMode, mode);
    // The mode it was given is the printer's: it answers.
    EXPECT_EQ(SendBatchRead(c.secondPort), SLC_OK);
}

INSTANTIATE_TEST_SUITE_P(Cases, NpaModeReuse, ::testing::ValuesIn(kReuseCases),
                         [](const ::testing::TestParamInfo<ReuseCase>& info) { return std::string(info.param.name); });

// The kept mode belongs to the device ID the printer gave then, byte for byte and whole: an ID
// that is only the beginning of it, or one that goes on after it, or one that differs only behind
// a zero byte of its length prefix, is another printer (or another state of it) and is asked.
struct KeptIdCase {
    const char* name;
    std::string kept;
    std::string now;
    bool reused;
};
void PrintTo(const KeptIdCase& c, std::ostream* os) { *os << c.name; }

class KeptDeviceId : public LinkTest, public ::testing::WithParamInterface<KeptIdCase> {};

TEST_P(KeptDeviceId, ModeIsReusedOnlyForTheSameBytes) {
    const KeptIdCase& c = GetParam();
    SlcRememberNpaMode("LPT1:", c.kept.data(), c.kept.size(), NPA_ON);
    const std::optional<int16_t> mode = SlcReusableNpaMode("LPT1:", c.now.data(), c.now.size());
    EXPECT_EQ(mode.has_value(), c.reused);
    if (c.reused) {
        EXPECT_EQ(*mode, NPA_ON);
    }
}

const std::string kKeptId = "MFG:Altrin;MDL:Pressline T90;CMD:PCL, NPAP,;";
// Two IDs as the port hands them over: a two-byte length prefix whose high byte is zero.
const std::string kPrefixedId = std::string("\x00\x2C", 2) + kKeptId;
const std::string kPrefixedOther = std::string("\x00\x2C", 2) + "MFG:Altrin;MDL:Pressline T95;CMD:PCL, NPAP,;";

INSTANTIATE_TEST_SUITE_P(
    Ids, KeptDeviceId,
    ::testing::Values(KeptIdCase{"SameBytes", kKeptId, kKeptId, true},
                      KeptIdCase{"SameBytesWithALengthPrefix", kPrefixedId, kPrefixedId, true},
                      KeptIdCase{"ShorterIdThatBeginsTheKeptOne", kKeptId, kKeptId.substr(0, 11), false},
                      KeptIdCase{"EmptyId", kKeptId, "", false},
                      KeptIdCase{"LongerIdThatBeginsWithTheKeptOne", kKeptId, kKeptId + "CLS:PRINTER;", false},
                      KeptIdCase{"DifferentBehindAZeroByte", kPrefixedId, kPrefixedOther, false},
                      KeptIdCase{"DifferentLengthPrefixOnly", kPrefixedId, std::string("\x00\x2D", 2) + kKeptId,
                                 false}),
    [](const ::testing::TestParamInfo<KeptIdCase>& info) { return std::string(info.param.name); });

using NpaModeKept = ModeReuseTest;

TEST_F(NpaModeKept, SaysWhichModeAndWhenItWasAsked) {
    ASSERT_EQ(SlcOpenPort("LPT1:"), SLC_OK);
    clock_->advance(2000);
    sim_->clearLog();
    ASSERT_EQ(SlcOpenPort("LPT1:"), SLC_OK);
    const std::string log = sim_->logText();
    // The time of day of the query and its age on the platform's clock.
    const std::regex line(std::string(kReused) +
                          " NPA_AUTO as the printer answered it at \\d\\d:\\d\\d:\\d\\d \\((\\d+) ms ago\\), "
                          "without asking again");
    std::smatch match;
    ASSERT_TRUE(std::regex_search(log, match, line)) << log;
    EXPECT_GE(std::stoul(match[1].str()), 2000u);
    EXPECT_EQ(log.find("IsNpaActive()"), std::string::npos);
}

// The operator switches the printer from ON to AUTO between the read and the write: the write
// session's reused mode is wrong, its first request goes unanswered, and the next open asks again.
TEST_F(NpaModeKept, AModeChangedOnThePanelIsAskedAfterTheFirstUnansweredRequest) {
    sim::PrinterConfig on;
    on.mode = sim::NpaMode::On;
    lpt1_->setConfig(on);
    ASSERT_EQ(SlcOpenPort("LPT1:"), SLC_OK);
    lpt1_->setNpaMode(sim::NpaMode::Auto);

    ASSERT_EQ(SlcOpenPort("LPT1:"), SLC_OK);
    EXPECT_EQ(SlcGlobals().npaMode, NPA_ON);
    SlcTimingTable().responseWaitMs = 50;
    EXPECT_EQ(SendBatchRead("LPT1:"), SLC_SEND_READFAIL);
    SlcTimingTable().responseWaitMs = FastTiming().responseWaitMs;

    ASSERT_EQ(SlcOpenPort("LPT1:"), SLC_OK);
    EXPECT_EQ(ModeQueries(*lpt1_), 2u);
    EXPECT_EQ(SlcGlobals().npaMode, NPA_AUTO);
    EXPECT_EQ(SendBatchRead("LPT1:"), SLC_OK);
}

}  // namespace
}  // namespace linktest
