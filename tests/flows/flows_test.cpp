// The window programs' decisions without a window: the start-up's endings and messages, the
// messages of apply and save, and the apply command's effects on the document, against the
// virtual printer where a printer is needed.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "strings/string_table.h"
#include "document/frame.h"
#include "document/printer_doc.h"
#include "flows/commands.h"
#include "flows/startup.h"
#include "sim_fixture.h"

namespace {

// What a front end was asked to show.
class RecordingStartupUi : public flows::IStartupUi {
public:
    int messageBox(const std::string&, const std::string& caption, unsigned, const std::string& detail) override {
        captions.push_back(caption);
        details.push_back(detail);
        return msgbox::kIdOk;
    }
    std::optional<std::string> choosePrinter(const PrinterTable& printers) override {
        offered = printers;
        return choice;
    }
    void waitForRead(flows::StartupRead& read) override {
        ++waits;
        if (startsRead) read.Start([this] { ++ended; });
    }

    std::vector<std::string> captions, details;
    PrinterTable offered;
    std::optional<std::string> choice;
    bool startsRead = true;
    int waits = 0;
    std::atomic<int> ended{0};
};

const PrinterTable kOne{{"USB001 - T90", "USB001"}};
const PrinterTable kTwo{{"LPT1: - A", "LPT1:"}, {"USB001 - B", "USB001"}};

struct Ending {
    const char* name;
    std::string configProblem;
    DiscoveryResult found;
    std::optional<std::string> choice;  // the select-printer dialog's answer
    int readStatus;
    std::vector<int> captions;  // the messages shown, in order
};

void PrintTo(const Ending& e, std::ostream* os) { *os << e.name; }

// On the simulated platform: a failed read shuts the link down.
class StartupEndingTest : public testsupport::SimFixture, public ::testing::WithParamInterface<Ending> {};

// Every way the start-up ends before the document: which messages, in which order, and whether
// the read ran at all.
TEST_P(StartupEndingTest, ShowsItsMessagesAndStartsNothing) {
    const Ending& e = GetParam();
    RecordingStartupUi ui;
    ui.choice = e.choice;
    flows::StartupSteps steps;
    steps.configProblem = [&e] { return e.configProblem; };
    steps.discover = [&e] { return e.found; };
    int reads = 0;
    steps.reader = [&](const std::string&, ValueMap&, NpaRawValues&) { return ++reads, e.readStatus; };
    StartupResult startup;
    EXPECT_FALSE(flows::RunStartup(ui, steps, startup));
    std::vector<std::string> expected;
    for (int id : e.captions) expected.push_back(res::String(id));
    EXPECT_EQ(ui.captions, expected);
    // Only the message that no printer was found says what to check and how to try the program.
    for (size_t i = 0; i < ui.captions.size(); ++i) {
        EXPECT_EQ(ui.details[i].empty(), ui.captions[i] != res::String(61206)) << ui.captions[i];
    }
    const bool readRan = e.readStatus != NPA_OK;
    EXPECT_EQ(reads, readRan ? 1 : 0);
    if (readRan) {
        EXPECT_EQ(startup.readStatus, e.readStatus);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Startup, StartupEndingTest,
    ::testing::Values(Ending{"BadConfiguration", "no [DriverNames]", {true, {}, kOne}, {}, NPA_OK, {61343}},
                      Ending{"ListUnreadableAndNothingAttached", "", {false, "no scheduler", {}}, {}, NPA_OK, {61210, 61206}},
                      Ending{"NoPrinter", "", {true, {}, {}}, {}, NPA_OK, {61206}},
                      Ending{"ChoiceCancelled", "", {true, {}, kTwo}, std::nullopt, NPA_OK, {}},
                      Ending{"ChoiceWithoutSelection", "", {true, {}, kTwo}, std::string(), NPA_OK, {61204}},
                      Ending{"ReadCannotOpen", "", {true, {}, kOne}, {}, NPA_ERR_OPEN, {61208}},
                      Ending{"ReadCannotSend", "", {true, {}, kTwo}, std::string("USB001 - B"), NPA_ERR_SEND, {61208}}),
    [](const ::testing::TestParamInfo<Ending>& info) { return std::string(info.param.name); });

using StartupFlowTest = testsupport::SimFixture;

// The hint under "no printer" names the places of the system the program runs on, in the
// window's language.
TEST_F(StartupFlowTest, NoPrinterHintSpeaksOfTheSystemItRunsOn) {
    struct Case {
        int hintId;
        res::Language language;
        std::vector<std::string> named, notNamed;
    };
    const Case cases[] = {
        {flows::kNoPrinterHintLinux, res::Language::Korean, {"CUPS", "lpstat -v", "devpanel --virtual"}, {".exe"}},
        {flows::kNoPrinterHintLinux, res::Language::English, {"CUPS", "lpstat -v", "devpanel --virtual"}, {".exe"}},
        {flows::kNoPrinterHintWindows, res::Language::Korean, {"장치 및 프린터", "devpanel-cli.exe doctor", "devpanel.exe --virtual"},
         {"CUPS", "lpstat"}},
        {flows::kNoPrinterHintWindows, res::Language::English,
         {"Devices and Printers", "devpanel-cli.exe doctor", "devpanel.exe --virtual"}, {"CUPS", "lpstat"}},
    };
    struct KoreanAfterwards {
        ~KoreanAfterwards() { res::SetLanguage(res::Language::Korean); }
    } koreanAfterwards;
    for (const Case& c : cases) {
        res::SetLanguage(c.language);
        RecordingStartupUi ui;
        flows::StartupSteps steps;
        steps.configProblem = [] { return std::string(); };
        steps.discover = [] { return DiscoveryResult{true, {}, {}}; };
        steps.noPrinterHintId = c.hintId;
        StartupResult startup;
        EXPECT_FALSE(flows::RunStartup(ui, steps, startup));
        ASSERT_EQ(ui.details.size(), 1u);
        for (const std::string& word : c.named) EXPECT_NE(ui.details[0].find(word), std::string::npos) << word;
        for (const std::string& word : c.notNamed) EXPECT_EQ(ui.details[0].find(word), std::string::npos) << word;
    }
}

TEST_F(StartupFlowTest, ReadsTheOnlyPrinterTheChosenOneOrTheRequestedPort) {
    struct Case {
        PrinterTable found;
        std::optional<std::string> choice;
        std::string requestedPort;
        std::string label, port;
        bool offered;
    };
    for (const Case& c : {Case{kOne, {}, "", "USB001 - T90", "USB001", false},
                          Case{kTwo, std::string("USB001 - B"), "", "USB001 - B", "USB001", true},
                          Case{kTwo, {}, "LPT2:", "LPT2:", "LPT2:", false}}) {
        RecordingStartupUi ui;
        ui.choice = c.choice;
        flows::StartupSteps steps;
        steps.configProblem = [] { return std::string(); };
        int discoveries = 0;
        steps.discover = [&] { return ++discoveries, DiscoveryResult{true, {}, c.found}; };
        std::string readPort;
        steps.reader = [&readPort](const std::string& port, ValueMap& values, NpaRawValues& raw) {
            readPort = port;
            values["POWERSAVER"] = "15";
            raw["POWERSAVER"] = {{0x0F}, "15"};
            return NPA_ONEWAY;
        };
        steps.requestedPort = c.requestedPort;
        StartupResult startup;
        ASSERT_TRUE(flows::RunStartup(ui, steps, startup)) << c.label;
        EXPECT_TRUE(ui.captions.empty());
        EXPECT_EQ(discoveries, c.requestedPort.empty() ? 1 : 0);
        EXPECT_EQ(ui.offered.empty(), !c.offered);
        EXPECT_EQ(startup.printerLabel, c.label);
        EXPECT_EQ(startup.portName, c.port);
        EXPECT_EQ(readPort, c.port);
        EXPECT_EQ(startup.readStatus, NPA_ONEWAY);
        EXPECT_EQ(startup.values.at("POWERSAVER"), "15");
        // The bytes the printer gave go to the document with the tokens.
        EXPECT_EQ(startup.rawValues.at("POWERSAVER").bytes, std::vector<uint8_t>{0x0F});
        EXPECT_EQ(ui.waits, 1);
        EXPECT_EQ(ui.ended, 1);  // the wait dialog heard of the end once
    }
}

// A front end whose wait dialog never started the read (it could not be shown, say) still gets
// the printer read, not a start-up on an empty value map.
TEST_F(StartupFlowTest, ReadRunsEvenWhenTheWaitDialogDidNotStartIt) {
    RecordingStartupUi ui;
    ui.startsRead = false;
    flows::StartupSteps steps;
    steps.configProblem = [] { return std::string(); };
    steps.discover = [] { return DiscoveryResult{true, {}, kOne}; };
    steps.reader = [](const std::string&, ValueMap& values, NpaRawValues&) {
        values["PQET"] = "ON";
        return NPA_OK;
    };
    StartupResult startup;
    ASSERT_TRUE(flows::RunStartup(ui, steps, startup));
    EXPECT_EQ(startup.values.at("PQET"), "ON");
}

struct Failure {
    const char* name;
    int result;
    NpaWriteReport report;
    int caption;
    std::string named;  // what the text must name
};

void PrintTo(const Failure& f, std::ostream* os) { *os << f.name; }

class ApplyFailureTest : public ::testing::TestWithParam<Failure> {};

TEST_P(ApplyFailureTest, ChoosesTheMessageByResultAndReport) {
    const Failure& f = GetParam();
    const flows::Message m = flows::ApplyFailureMessage(f.result, f.report, "/snapshots");
    EXPECT_EQ(m.caption, res::String(f.caption));
    EXPECT_EQ(m.style, msgbox::kIconError);
    if (!f.named.empty()) {
        EXPECT_NE(m.text.find(f.named), std::string::npos) << m.text;
    }
    EXPECT_EQ(m.text.find(':'), f.named.find(':') == std::string::npos ? m.text.find(':') : std::string::npos)
        << "a command's value never reaches the message";
}

INSTANTIATE_TEST_SUITE_P(
    Apply, ApplyFailureTest,
    ::testing::Values(Failure{"Memory", NPA_ERR_MEMORY, {}, 61287, ""},
                      Failure{"NotOnline", NPA_ERR_ONLINE, {}, 61333, ""},
                      Failure{"NotTaken", NPA_ERR_VERIFY, {{}, {}, {"PQET", "POWERSAVER"}, ""}, 61335, "PQET, POWERSAVER"},
                      Failure{"ReadBackFailed", NPA_ERR_VERIFY, {}, 61341, ""},
                      Failure{"BadValue", NPA_ERR_VALUE, {{"PROPTAG:\x01\x02"}, {}, {}, ""}, 61337, "PROPTAG"},
                      Failure{"BadValueUnnamed", NPA_ERR_VALUE, {}, 61244, ""},
                      Failure{"Snapshot", DOC_ERR_SNAPSHOT, {}, 61390, "/snapshots"},
                      Failure{"Busy", DOC_ERR_BUSY, {}, 61244, ""},
                      Failure{"NoPort", NPA_ERR_OPEN, {}, 61244, ""},
                      Failure{"SendFailed", NPA_ERR_WRITE, {}, 61244, ""}),
    [](const ::testing::TestParamInfo<Failure>& info) { return std::string(info.param.name); });

TEST(SaveFailureTest, NamesThePathAndUnderItTheReason) {
    NpaWriteReport report;
    report.problem = "Permission denied";
    const flows::Message m = flows::SaveFailureMessage(NPA_ERR_OPEN, report, "/ro/settings.npa");
    EXPECT_EQ(m.caption, res::String(61289));
    EXPECT_EQ(m.text, res::Format(61290, "/ro/settings.npa") + "\n\nPermission denied");
    EXPECT_EQ(flows::SaveFailureMessage(NPA_ERR_MEMORY, report, "x").caption, res::String(61287));
    EXPECT_TRUE(flows::SaveFailureMessage(NPA_OK, report, "x").text.empty());
}

// A frame that records what the commands showed.
class RecordingFrame : public IPrinterFrame {
public:
    std::string statusText() override { return status; }
    void setStatusText(const std::string& text) override { status = text; }
    void setWaitCursor(bool) override {}
    bool menuItemEnabled(int) override { return true; }
    void setMenuItemEnabled(int, bool) override {}
    void redraw() override {}
    bool replaceView(int) override { return true; }
    int messageBox(const std::string& text, const std::string& caption, unsigned, bool) override {
        boxes.push_back(caption + ": " + text);
        return msgbox::kIdOk;
    }
    void showConfirmation(const std::string& text, int milliseconds) override {
        confirmations.push_back(text);
        confirmationMs = milliseconds;
    }
    std::string status = "준비됨";
    std::vector<std::string> boxes, confirmations;
    int confirmationMs = 0;
};

class ApplyCommandTest : public testsupport::SimFixture {
protected:
    void Start(const std::string& port) {
        doc.SetFrame(&frame);
        doc.m_snapshotRoot = tmp_ + "/snapshots";
        StartupResult startup;
        startup.portName = startup.printerLabel = port;
        startup.readStatus = NpaReadAllSettings(port, startup.values);
        ASSERT_TRUE(doc.OnNewDocument(startup));
    }
    RecordingFrame frame;
    CPrinterDoc doc;
};

TEST_F(ApplyCommandTest, SuccessConfirmsInTheStatusBarWithTheCountAndClearsTheFlag) {
    sim_->addUsbPrinter(1, "T90V000001");
    Start("USB001");
    doc.MarkChanged();
    doc.StoreValue("POWERSAVER", "30");
    ASSERT_EQ(flows::RunApply(doc), NPA_OK);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(frame.boxes.empty());
    ASSERT_EQ(frame.confirmations.size(), 1u);
    EXPECT_EQ(frame.confirmations[0], res::Format(61400, std::to_string(doc.LastWriteCount())));
    EXPECT_GT(doc.LastWriteCount(), 0u);
    EXPECT_EQ(frame.confirmationMs, 5000);
    EXPECT_EQ(frame.status, "준비됨");  // the old text is back under the confirmation
}

TEST_F(ApplyCommandTest, FailureKeepsTheEditsAndShowsNoConfirmation) {
    sim::VirtualPrinter& printer = sim_->addUsbPrinter(1, "T90V000001");
    Start("USB001");
    // The printer takes the settings but stays offline.
    SlcTimingTable().responseWaitMs = 100;
    sim::Faults stayOffline;
    stayOffline.ignoreOnline = true;
    printer.setFaults(stayOffline);
    doc.MarkChanged();
    doc.StoreValue("POWERSAVER", "30");
    EXPECT_EQ(flows::RunApply(doc), NPA_ERR_ONLINE);
    EXPECT_TRUE(doc.IsModified());
    ASSERT_EQ(frame.boxes.size(), 1u);
    EXPECT_EQ(frame.boxes[0].rfind(res::String(61333), 0), 0u);
    EXPECT_TRUE(frame.confirmations.empty());
}

TEST_F(ApplyCommandTest, SaveIntoAMissingFolderNamesWhy) {
    sim_->addUsbPrinter(1, "T90V000001");
    Start("USB001");
    const std::string path = tmp_ + "/gone/settings.npa";
    EXPECT_NE(flows::RunSaveCommandFile(doc, path), NPA_OK);
    ASSERT_EQ(frame.boxes.size(), 1u);
    EXPECT_NE(frame.boxes[0].find(path), std::string::npos);
    EXPECT_NE(frame.boxes[0].find("does not exist"), std::string::npos) << frame.boxes[0];
    EXPECT_TRUE(frame.confirmations.empty());
}

// A front end whose file layer takes another form of the path names it as the user chose it.
TEST_F(ApplyCommandTest, AFailedSaveNamesThePathAsTheUserChoseIt) {
    sim_->addUsbPrinter(1, "T90V000001");
    Start("USB001");
    // The link writes the offline record under this name: a command file of that name is refused.
    EXPECT_NE(flows::RunSaveCommandFile(doc, tmp_ + "/offline.dat", "C:\\chosen\\offline.dat"), NPA_OK);
    ASSERT_EQ(frame.boxes.size(), 1u);
    EXPECT_NE(frame.boxes[0].find(res::Format(61290, "C:\\chosen\\offline.dat")), std::string::npos) << frame.boxes[0];
}

}  // namespace
