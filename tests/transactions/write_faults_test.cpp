// Writes against a printer that misbehaves, on both two-way transports, and into command files
// and one-way ports that fail: the result says what happened, nothing is written unless every
// write could be built, once the printer was asked to go offline it is always asked back online,
// and files are complete or untouched.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "transactions/transactions.h"
#include "sim_fixture.h"

namespace {

using testsupport::Bytes;
using testsupport::SimFixture;

constexpr uint16_t kBlankPages = 0x0101, kCustom1Name = 0x0121, kPropTag = 0x0305, kPowerSaver = 0x0306;

struct FaultCase {
    const char* name;
    std::function<void(sim::Faults&)> fault;
    int result;
    bool printerEndsOnline;  // false where the printer no longer listens or ignores the request
};

const FaultCase kCases[] = {
    {"Healthy", [](sim::Faults&) {}, NPA_OK, true},
    {"Silent", [](sim::Faults& f) { f.silent = true; }, NPA_ERR_WRITE, true},
    {"ReplyAfterTheWait", [](sim::Faults& f) { f.replyDelayMs = 400; }, NPA_ERR_WRITE, true},
    {"NoAlert", [](sim::Faults& f) { f.noAlert = true; }, NPA_OK, true},
    {"AlertBeforeEveryReply", [](sim::Faults& f) { f.alertBeforeEveryReply = true; }, NPA_OK, true},
    {"RefusesOffline", [](sim::Faults& f) { f.refuseOffline = true; }, NPA_ERR_WRITE, true},
    {"IgnoresOnline", [](sim::Faults& f) { f.ignoreOnline = true; }, NPA_ERR_ONLINE, false},
    {"StopsReadingMidApply", [](sim::Faults& f) { f.stopReadingAfterPackets = 8; }, NPA_ERR_ONLINE, false},
    {"DisconnectMidApply", [](sim::Faults& f) { f.disconnectAfterBytes = 200; }, NPA_ERR_ONLINE, false},
    {"EmptyReadBack", [](sim::Faults& f) { f.emptyBatchReply = true; }, NPA_ERR_VERIFY, true},
    // Bytes 5 and 6 of a batch reply are the printer's own.
    {"ReadBackWithOtherBytes", [](sim::Faults& f) { f.batchReplyBytes = 0x0300; }, NPA_OK, true},
    {"ResponsesInAnotherLayout", [](sim::Faults& f) { f.controlReplyLayout = sim::ControlReplyLayout::SingleSetting; },
     NPA_OK, true},
    {"AlertButNoResponse", [](sim::Faults& f) { f.noControlResponse = true; }, NPA_ERR_WRITE, true},
    {"WriteNotTaken", [](sim::Faults& f) { f.ignoredWriteIds = {kPowerSaver}; }, NPA_ERR_VERIFY, true},
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

class WriteFaultTest : public SimFixture,
                       public ::testing::WithParamInterface<std::tuple<bool, FaultCase>> {
protected:
    bool usb() const { return std::get<0>(GetParam()); }
    const FaultCase& fault() const { return std::get<1>(GetParam()); }

    void SetUp() override {
        SimFixture::SetUp();
        SlcTimingTable().responseWaitMs = 150;
        printer_ = usb() ? &sim_->addUsbPrinter(1, "T90V000001") : &sim_->addParallelPrinter("LPT1");
        port_ = usb() ? "USB001" : "LPT1:";
    }

    // The start-up read (what it found kept in raw_), then every value written back with one
    // change, as a two-way apply does.
    std::vector<NpaCommand> ReadAndChange(const std::string& name, const std::string& value) {
        ValueMap values;
        EXPECT_EQ(NpaReadAllSettings(port_, values, &raw_), NPA_OK);
        values[name] = value;
        std::vector<NpaCommand> commands;
        for (const auto& [n, v] : values) commands.push_back({n, v});
        return commands;
    }

    sim::VirtualPrinter* printer_ = nullptr;
    std::string port_;
    NpaRawValues raw_;
};

TEST_P(WriteFaultTest, ResultNamesWhatHappenedAndOnlineAlwaysFollowsOffline) {
    std::vector<NpaCommand> commands = ReadAndChange("POWERSAVER", "45");
    sim::Faults faults;
    fault().fault(faults);
    printer_->setFaults(faults);
    printer_->clearWire();

    NpaWriteReport report;
    EXPECT_EQ(NpaWriteValues(port_, commands, &raw_, &report), fault().result);
    if (fault().result != NPA_OK) {
        EXPECT_FALSE(report.problem.empty() && report.notTaken.empty());
    }
    if (fault().result == NPA_ERR_VERIFY && !report.notTaken.empty()) {
        EXPECT_EQ(report.notTaken, std::vector<std::string>{"POWERSAVER"});
    }

    // Whatever came back, an offline request on the wire is followed by an online request. (A
    // printer that does not even answer the alert registration never gets the offline request.)
    std::vector<Bytes> traffic = SettingsTraffic(*printer_);
    const auto offline = std::find_if(traffic.begin(), traffic.end(),
                                      [](const Bytes& p) { return testsupport::IsOfflineOnline(p, 1); });
    if (offline != traffic.end() && fault().printerEndsOnline) {
        EXPECT_TRUE(std::any_of(offline, traffic.end(), [](const Bytes& p) { return testsupport::IsOfflineOnline(p, 0); }));
    }
    if (fault().printerEndsOnline) {
        EXPECT_FALSE(printer_->offline());
    }
    if (fault().result == NPA_ERR_ONLINE) {
        EXPECT_NE(offline, traffic.end());
    }
    // The link is ready for the next conversation: a healthy write afterwards works.
    printer_->setFaults({});
    printer_->reconnect();
    if (printer_->offline()) {
        EXPECT_NE(NpaWriteValues(port_, {{"POWERSAVER", "45"}}, &raw_), NPA_ERR_VALUE);
    } else {
        EXPECT_EQ(NpaWriteValues(port_, {{"POWERSAVER", "45"}}, &raw_), NPA_OK);
        EXPECT_EQ(printer_->value(kPowerSaver), Bytes{45});
    }
}

// Values read from the printer that cannot be written back unchanged are left out and named; a
// command the user gave that cannot be written stops everything before the printer is touched.
TEST_P(WriteFaultTest, WriteBackSkipsWhatItCannotRestoreAndRefusesWhatItCannotSend) {
    if (fault().result != NPA_OK || std::string(fault().name) != "Healthy") return;  // one run per transport
    const Bytes unknownByte = {0x07}, longText(60, 'n'), undecodable = {'a', 0xFF, 0xFE};
    printer_->setValue(kBlankPages, unknownByte);
    printer_->setValue(kPropTag, longText);
    printer_->setValue(kCustom1Name, undecodable);
    std::vector<NpaCommand> commands = ReadAndChange("POWERSAVER", "45");
    // The read keeps the whole bytes of a text whose token was cut.
    ASSERT_EQ(raw_.count("PROPTAG"), 1u);
    EXPECT_EQ(raw_["PROPTAG"].bytes, longText);
    EXPECT_LT(raw_["PROPTAG"].token.size(), longText.size());

    // Without what the read found, the cut text would go back as a new, shorter value.
    NpaRawValues nothingRead;
    NpaWriteReport report;
    EXPECT_EQ(NpaValuesNotWritableBack({{"PROPTAG", raw_["PROPTAG"].token}}, nothingRead), std::vector<std::string>{});
    EXPECT_EQ(NpaValuesNotWritableBack({{"PROPTAG", raw_["PROPTAG"].token}}, raw_), std::vector<std::string>{"PROPTAG"});

    ASSERT_EQ(NpaWriteValues(port_, commands, &raw_, &report), NPA_OK) << report.problem;
    std::sort(report.skipped.begin(), report.skipped.end());
    EXPECT_EQ(report.skipped, (std::vector<std::string>{"BLANKPAGES", "CUSTOM1NAME", "PROPTAG"}));
    EXPECT_EQ(printer_->value(kBlankPages), unknownByte);
    EXPECT_EQ(printer_->value(kPropTag), longText);
    EXPECT_EQ(printer_->value(kCustom1Name), undecodable);
    EXPECT_EQ(printer_->value(kPowerSaver), Bytes{45});
    // The read-back after the writes brings what the caller holds up to date.
    EXPECT_EQ(raw_["POWERSAVER"].bytes, Bytes{45});
    EXPECT_EQ(raw_["POWERSAVER"].token, "45");
    EXPECT_EQ(raw_["PROPTAG"].bytes, longText);

    // The user asks for a number the setting's packet cannot carry: nothing at all goes out.
    printer_->clearWire();
    commands.push_back({"LINESPERPAGE", "300"});
    EXPECT_EQ(NpaWriteValues(port_, commands, &raw_, &report), NPA_ERR_VALUE);
    EXPECT_EQ(report.invalid, std::vector<std::string>{"LINESPERPAGE:300"});
    EXPECT_TRUE(SettingsTraffic(*printer_).empty());
}

INSTANTIATE_TEST_SUITE_P(BothTransports, WriteFaultTest,
                         ::testing::Combine(::testing::Bool(), ::testing::ValuesIn(kCases)),
                         [](const ::testing::TestParamInfo<WriteFaultTest::ParamType>& info) {
                             return std::string(std::get<0>(info.param) ? "Usb" : "Parallel") +
                                    std::get<1>(info.param).name;
                         });

}  // namespace

namespace {

// The names in a folder, for "nothing was left behind".
std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

class CommandFileTargetTest : public SimFixture {};

// A command file that cannot be written leaves whatever was there byte for byte, leaves no
// temporary behind, and the report names the file.
TEST_F(CommandFileTargetTest, TargetsThatCannotBeWrittenLeaveEverythingAsItWas) {
    const std::string out = tmp_ + "/out";
    std::filesystem::create_directories(out + "/folder.npa");
    testsupport::WriteFileBytes(out + "/offline.dat", "old offline");
    testsupport::WriteFileBytes(out + "/real.npa", "old commands");
    std::filesystem::create_symlink(out + "/real.npa", out + "/link.npa");
    const std::vector<std::string> before = Names(out);

    for (const std::string& target : std::vector<std::string>{out + "/folder.npa", out + "/link.npa", tmp_ + "/missing/x.npa", std::string("/dev/null")}) {
        SCOPED_TRACE(target);
        NpaWriteReport report;
        EXPECT_EQ(NpaWriteValues(platform::PortName::CommandFile(target), {{"POWERSAVER", "5"}}, nullptr, &report), NPA_ERR_OPEN);
        EXPECT_FALSE(report.problem.empty());
        EXPECT_EQ(Names(out), before);
        EXPECT_EQ(testsupport::ReadFileBytes(out + "/offline.dat"), Bytes({'o', 'l', 'd', ' ', 'o', 'f', 'f', 'l', 'i', 'n', 'e'}));
        EXPECT_EQ(testsupport::ReadFileBytes(out + "/real.npa").size(), 12u);
    }
    EXPECT_FALSE(std::filesystem::exists("/dev/offline.dat"));

    // offline.dat itself not a regular file: the pair cannot be completed.
    std::filesystem::remove(out + "/offline.dat");
    std::filesystem::create_directories(out + "/offline.dat");
    NpaWriteReport report;
    EXPECT_NE(NpaWriteValues(platform::PortName::CommandFile(out + "/real.npa"), {{"POWERSAVER", "5"}}, nullptr, &report), NPA_OK);
    EXPECT_EQ(testsupport::ReadFileBytes(out + "/real.npa").size(), 12u);
    EXPECT_EQ(Names(out), before);
}

// A path handed over as a port's name is no port: nothing is written, the report lists the forms.
TEST_F(CommandFileTargetTest, APathGivenAsAPortNameIsNeverWrittenAsAFile) {
    const std::string path = tmp_ + "/settings.npa";
    NpaWriteReport report;
    EXPECT_EQ(NpaWriteValues(path, {{"POWERSAVER", "5"}}, nullptr, &report), NPA_ERR_OPEN);
    EXPECT_EQ(report.problem, platform::PortName::Parse(path).problem());
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(std::filesystem::exists(tmp_ + "/offline.dat"));
}

// New command files follow the user's umask: they are made to be copied elsewhere.
TEST_F(CommandFileTargetTest, NewFilesFollowTheUmask) {
    const mode_t old = umask(022);
    ASSERT_EQ(NpaWriteValues(platform::PortName::CommandFile(tmp_ + "/shared.npa"), {{"POWERSAVER", "5"}}, nullptr), NPA_OK);
    umask(old);
    for (const char* name : {"/shared.npa", "/offline.dat"}) {
        const auto perms = std::filesystem::status(tmp_ + name).permissions();
        EXPECT_EQ(perms, std::filesystem::perms(0644)) << name;
    }
}

// A one-way port whose copy to the printer fails reports the failure and keeps the commands in a
// private folder that the report names.
TEST_F(CommandFileTargetTest, FailedOneWayCopyKeepsTheCommandsAndSaysWhere) {
    sim_->setOsKind(platform::OsKind::OneWay);
    sim::VirtualPrinter& printer = sim_->addParallelPrinter("LPT1");
    sim::Faults pulled;
    pulled.disconnectAfterBytes = 10;
    printer.setFaults(pulled);
    NpaWriteReport report;
    EXPECT_EQ(NpaWriteValues("LPT1:", {{"POWERSAVER", "5"}}, nullptr, &report), NPA_ERR_WRITE);
    const size_t at = report.problem.find(tmp_ + "/simtmp/");
    ASSERT_NE(at, std::string::npos) << report.problem;
    const std::string rest = report.problem.substr(at);
    const std::string folder = rest.substr(0, rest.find_first_of(" ;,)"));
    ASSERT_TRUE(std::filesystem::is_directory(folder)) << folder;
    EXPECT_EQ(std::filesystem::status(folder).permissions(), std::filesystem::perms::owner_all);
    EXPECT_EQ(testsupport::ReadFileBytes(folder + "/offline.dat").size(), 28u);
}

}  // namespace
