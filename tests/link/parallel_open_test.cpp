// Opening a two-way parallel port: recognition, NPA mode and what goes on the wire.
#include <optional>

#include "link/npa_detect.h"
#include "link_fixture.h"

namespace linktest {
namespace {

using ParallelOpen = LinkTest;

size_t CountStartPackets(const std::vector<Bytes>& packets) {
    return static_cast<size_t>(std::count(packets.begin(), packets.end(), ToBytes(npa::kStart)));
}

TEST_F(ParallelOpen, AutoPrinterIsQueriedAndEveryCommandFollowsAStartPacket) {
    sim::VirtualPrinter& printer = AddPrinter();
    SlcTimingTable().writeWaitMs = 1234;
    ASSERT_EQ(SlcOpenPort("LPT1:"), SLC_OK);
    EXPECT_EQ(SlcGlobals().npaMode, NPA_AUTO);
    EXPECT_EQ(SlcGlobals().deviceId, printer.deviceId());
    // A printer that stops reading fails a write within the table's bound.
    platform::CommTimeouts timeouts;
    ASSERT_TRUE(SlcGlobals().parallel->getTimeouts(timeouts));
    EXPECT_EQ(timeouts.writeTotalConstant, 1234u);

    const std::string query(npa::kPjlModeQuery.begin(), npa::kPjlModeQuery.end());
    EXPECT_EQ(query, "\x1b%-12345X@PJL DINQUIRE QNPAP\r\n\x1b%-12345X");
    const Bytes wire = printer.receivedBytes();
    ASSERT_GE(wire.size(), query.size());
    EXPECT_EQ(Bytes(wire.begin(), wire.begin() + static_cast<long>(query.size())), ToBytes(query));
    printer.clearWire();

    const Bytes request = BatchRead();
    for (int i = 0; i < 2; ++i) {
        uint8_t reply[2048];
        uint32_t replyLength = sizeof reply;
        ASSERT_EQ(SlcSendCommand("LPT1:", request.data(), static_cast<uint32_t>(request.size()), reply, &replyLength),
                  SLC_OK);
        ASSERT_GE(replyLength, 5u);
        EXPECT_EQ(reply[0], npa::SOP);
        EXPECT_EQ(reply[4], npa::CMD_SETTINGS);
        EXPECT_EQ(npa::ReadDataLen(reply), replyLength - 3);
    }
    EXPECT_EQ(printer.receivedPackets(),
              (std::vector<Bytes>{ToBytes(npa::kStart), request, ToBytes(npa::kStart), request}));
}

TEST_F(ParallelOpen, NpaOnPrinterIsSentCommandsWithoutStartPacket) {
    sim::PrinterConfig config;
    config.mode = sim::NpaMode::On;
    sim::VirtualPrinter& printer = AddPrinter(config);
    ASSERT_EQ(SlcOpenPort("LPT1:"), SLC_OK);
    EXPECT_EQ(SlcGlobals().npaMode, NPA_ON);

    const Bytes request = BatchRead();
    uint8_t reply[2048];
    uint32_t replyLength = sizeof reply;
    ASSERT_EQ(SlcSendCommand("LPT1:", request.data(), static_cast<uint32_t>(request.size()), reply, &replyLength), SLC_OK);
    ASSERT_EQ(SlcOffline("LPT1:", 1), SLC_OK);
    EXPECT_EQ(CountStartPackets(printer.receivedPackets()), 0u);
}

TEST_F(ParallelOpen, DeviceIdMarkerGivesAutoWithoutAsking) {
    sim::PrinterConfig config;
    config.model = "T90 QNPAP";
    sim::VirtualPrinter& printer = AddPrinter(config);
    ASSERT_EQ(SlcOpenPort("LPT1:"), SLC_OK);
    EXPECT_EQ(SlcGlobals().npaMode, NPA_AUTO);
    EXPECT_TRUE(printer.receivedBytes().empty());
}

TEST_F(ParallelOpen, SilenceToTheQueryMeansAuto) {
    sim::VirtualPrinter& printer = AddPrinter();
    sim::Faults faults;
    faults.silent = true;
    printer.setFaults(faults);
    EXPECT_EQ(SlcOpenPort("LPT1:"), SLC_OK);
    EXPECT_EQ(SlcGlobals().npaMode, NPA_AUTO);
}

struct Refusal {
    const char* name;
    sim::NpaMode mode;
    bool npaFormForOn;
    sim::Faults faults;
    int expected;
    const char* logLine;
    const char* problem;  // part of SlcLastProblem()
};

TEST_F(ParallelOpen, UnsuitableDevicesAreRefusedAndLeaveNothingOpen) {
    sim_->setLoggingLevel(SLC_LOG_PUBLIC | SLC_LOG_TRACE);
    sim::Faults foreign, unreadable, noDevice;
    foreign.foreignDeviceId = true;
    unreadable.deviceIdUnreadable = true;
    noDevice.openFails = true;
    const Refusal cases[] = {
        {"other maker", sim::NpaMode::Auto, true, foreign, SLC_REJECTED, "SlcOpenPort(Parallel) - not a recognized printer\n",
         "the printer on LPT1: is not one this program supports"},
        {"NPA off", sim::NpaMode::Off, true, {}, SLC_REFUSED, "CheckPJLQueryResponse() - looks like NPA_OFF\n",
         "has NPA switched off"},
        {"PJL says ON", sim::NpaMode::On, false, {}, SLC_REFUSED, "CheckPJLQueryResponse() - I give up, returning NPA_OFF\n",
         "has NPA switched off"},
        {"unreadable ID", sim::NpaMode::Auto, true, unreadable, SLC_NOT_OPEN, "Get Device ID Error : 5 \n",
         "the printer's device ID cannot be read on LPT1:"},
        {"no device", sim::NpaMode::Auto, true, noDevice, SLC_FAIL,
         "SlcOpenPort(Parallel) - ParNt95CreateFile() failed, last error was 19\n",
         "the parallel port LPT1: (LPT1:) cannot be opened: missing: is the printer connected and the kernel module"},
    };
    sim::VirtualPrinter& printer = AddPrinter();
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.name);
        sim::PrinterConfig config;
        config.mode = c.mode;
        config.npaFormForOn = c.npaFormForOn;
        printer.setConfig(config);
        printer.setFaults(c.faults);
        sim_->clearLog();
        EXPECT_EQ(SlcOpenPort("LPT1:"), c.expected);
        EXPECT_TRUE(LogHas(c.logLine)) << sim_->logText();
        EXPECT_NE(SlcLastProblem().find(c.problem), std::string::npos) << SlcLastProblem();
        EXPECT_TRUE(SlcGlobals().openPort.empty());
        EXPECT_EQ(SlcSendCommand("LPT1:", npa::kRegisterAlert.data(), 7, nullptr, nullptr), SLC_NOT_OPEN);
    }
    // NPA_OFF is reported twice, as it always has been.
    printer.setConfig({});
    sim::PrinterConfig off;
    off.mode = sim::NpaMode::Off;
    printer.setConfig(off);
    printer.setFaults({});
    sim_->clearLog();
    ASSERT_EQ(SlcOpenPort("LPT1:"), SLC_REFUSED);
    const std::vector<std::string> lines = sim_->logLines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) {
                                return l.find("SlcOpenPort(Parallel) - IsNpaActive() returned NPA_OFF") !=
                                       std::string::npos;
                            }),
              2);
}

// A port that carries bytes to the printer only gives no device ID and fails every read at once.
// Its status lines decide: a ready printer is written one way, before any device-ID request;
// otherwise the open fails, and the problem names both causes and what the lines say.
struct NoReverseChannel {
    const char* name;
    std::optional<platform::ParallelStatus> status;  // nullopt: the lines cannot be read
    int expected;
    const char* problem;  // part of SlcLastProblem() for a failed open
};

class ParallelWithoutReverseChannel : public LinkTest, public ::testing::WithParamInterface<NoReverseChannel> {};

TEST_P(ParallelWithoutReverseChannel, ReadyPrinterIsWrittenOneWayOthersAreRefused) {
    sim_->setLoggingLevel(SLC_LOG_PUBLIC | SLC_LOG_TRACE);
    sim::VirtualPrinter& printer = AddPrinter();
    sim_->setParallelReverseChannel("LPT1:", false);
    sim_->setParallelStatus("LPT1:", GetParam().status);
    EXPECT_FALSE(sim_->interfaces().system->parallelPortIsWriteOnly("LPT2:"));  // no such port

    ASSERT_EQ(SlcOpenPort("LPT1:"), GetParam().expected);
    EXPECT_TRUE(printer.receivedBytes().empty());
    if (GetParam().expected != SLC_UNIDIRECTIONAL) {
        EXPECT_TRUE(LogHas("Get Device ID Error : 5 \n")) << sim_->logText();
        EXPECT_NE(SlcLastProblem().find("the printer's device ID cannot be read on LPT1: (LPT1:): either the printer "
                                        "is switched off or not ready, or the port has no reverse channel; "),
                  std::string::npos)
            << SlcLastProblem();
        EXPECT_NE(SlcLastProblem().find(GetParam().problem), std::string::npos) << SlcLastProblem();
        EXPECT_TRUE(SlcGlobals().openPort.empty());
        return;
    }
    EXPECT_FALSE(LogHas("Get Device ID Error : 5 \n")) << "no device-ID request before the workaround";
    const Bytes command = BatchRead();
    ASSERT_EQ(SlcOffline("LPT1:", 1), SLC_OK);
    uint32_t zero = 0;
    ASSERT_EQ(SlcSendCommand("LPT1:", command.data(), static_cast<uint32_t>(command.size()), nullptr, &zero), SLC_OK);
    ASSERT_EQ(SlcOffline("LPT1:", 0), SLC_OK);
    ASSERT_EQ(SlcClosePort("LPT1:"), SLC_OK);
    const std::vector<Bytes> packets = printer.receivedPackets();
    EXPECT_EQ(std::count(packets.begin(), packets.end(), ToBytes(npa::kFileOffline)), 1);
    EXPECT_EQ(std::count(packets.begin(), packets.end(), ToBytes(npa::kFileOnline)), 1);
}

INSTANTIATE_TEST_SUITE_P(
    StatusLines, ParallelWithoutReverseChannel,
    ::testing::Values(
        NoReverseChannel{"SelectedWithoutError", platform::ParallelStatus{true, false, false}, SLC_UNIDIRECTIONAL, ""},
        NoReverseChannel{"OffLine", platform::ParallelStatus{false, false, false}, SLC_NOT_OPEN,
                         "the port reports the printer off-line: switch it on and make it ready"},
        NoReverseChannel{"OutOfPaper", platform::ParallelStatus{true, true, false}, SLC_NOT_OPEN,
                         "the port reports the printer out of paper: switch it on"},
        NoReverseChannel{"OffLineAndInError", platform::ParallelStatus{false, false, true}, SLC_NOT_OPEN,
                         "the port reports the printer off-line and in error:"},
        NoReverseChannel{"StatusUnknown", std::nullopt, SLC_NOT_OPEN,
                         "the port's status cannot be read either: switch the printer on and make it ready"}),
    [](const ::testing::TestParamInfo<NoReverseChannel>& info) { return std::string(info.param.name); });

// A port that reads but gives no ID is no one-way port, however ready its printer says it is.
TEST_F(ParallelOpen, PortThatReadsButGivesNoIdStaysTwoWay) {
    sim::VirtualPrinter& printer = AddPrinter();
    sim::Faults unreadable;
    unreadable.deviceIdUnreadable = true;
    printer.setFaults(unreadable);
    EXPECT_FALSE(sim_->interfaces().system->parallelPortIsWriteOnly("LPT1:"));
    EXPECT_EQ(SlcOpenPort("LPT1:"), SLC_NOT_OPEN);
    EXPECT_NE(SlcLastProblem().find("the port reports the printer ready: check the cable"), std::string::npos)
        << SlcLastProblem();
}

}  // namespace
}  // namespace linktest
