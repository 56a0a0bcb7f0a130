// The decisions of the Win32 front end's start-up, apply and save, without a window: what runs in
// which order, and which message a result gives.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "config/strings.h"
#include "document/printer_doc.h"
#include "sim_fixture.h"
#include "winui/flow_glue.h"

namespace {

using testsupport::SimFixture;
using winui::flow::Message;

// The start-up's windows, answering as told and remembering what they were asked.
class FakeStartupUi : public winui::flow::StartupUi {
public:
    void show(const Message& m) override { shown.push_back(m); }
    std::optional<std::string> choosePrinter(const PrinterTable& printers) override {
        choiceOffered = printers.size();
        return choice;
    }
    int readSettings(const std::string& port, ValueMap& values) override {
        readPorts.push_back(port);
        values["EMULATION"] = "PCL";
        return readStatus;
    }
    std::vector<std::string> Captions() const {
        std::vector<std::string> captions;
        for (const Message& m : shown) captions.push_back(m.caption);
        return captions;
    }

    std::optional<std::string> choice;
    int readStatus = NPA_OK;
    std::vector<Message> shown;
    size_t choiceOffered = 0;
    std::vector<std::string> readPorts;
};

struct StartupCase {
    const char* name;
    bool listReadable;
    PrinterTable printers;
    std::optional<std::string> choice;
    int readStatus;
    std::vector<int> captions;  // string ids of the messages shown, in order
    bool choiceOffered;
    const char* port;           // the port read; nullptr: no read
    bool runs;
};

class Startup : public SimFixture, public ::testing::WithParamInterface<StartupCase> {};

TEST_P(Startup, ShowsItsMessagesAndReadsThePrintersPort) {
    const StartupCase& c = GetParam();
    FakeStartupUi ui;
    ui.choice = c.choice;
    ui.readStatus = c.readStatus;
    winui::flow::StartupInputs in;
    in.discover = [&] { return DiscoveryResult{c.listReadable, {}, c.printers}; };
    const std::optional<StartupResult> startup = winui::flow::RunStartup(ui, in);

    std::vector<std::string> captions;
    for (int id : c.captions) captions.push_back(res::String(id));
    EXPECT_EQ(ui.Captions(), captions);
    for (const Message& m : ui.shown) {
        EXPECT_TRUE(m.style & msgbox::kIconError);
        EXPECT_FALSE(m.ownedByMainWindow) << "no main window exists yet";
    }
    EXPECT_EQ(ui.choiceOffered != 0, c.choiceOffered);
    EXPECT_EQ(ui.readPorts, c.port ? std::vector<std::string>{c.port} : std::vector<std::string>{});
    ASSERT_EQ(startup.has_value(), c.runs);
    if (!startup) return;
    EXPECT_EQ(startup->portName, c.port);
    EXPECT_EQ(startup->readStatus, c.readStatus);
    EXPECT_EQ(startup->values.at("EMULATION"), "PCL");
    EXPECT_EQ(c.printers.count(startup->printerLabel), 1u);
}

const PrinterTable kTwo = {{"LPT1: - A", "LPT1:"}, {"USB001 - B", "USB001"}};
const PrinterTable kOne = {{"USB001 - Altrin Pressline T90", "USB001"}};

INSTANTIATE_TEST_SUITE_P(
    Printers, Startup,
    ::testing::Values(
        StartupCase{"NoPrinter", true, {}, std::nullopt, NPA_OK, {61206}, false, nullptr, false},
        StartupCase{"UnreadableListAndNoPrinter", false, {}, std::nullopt, NPA_OK, {61210, 61206}, false, nullptr, false},
        // Without a print server an attached printer is still found, and nothing is said.
        StartupCase{"UnreadableListButAnAttachedPrinter", false, kOne, std::nullopt, NPA_OK, {}, false, "USB001", true},
        StartupCase{"OnePrinterTakenWithoutAsking", true, kOne, std::nullopt, NPA_OK, {}, false, "USB001", true},
        StartupCase{"SeveralPrintersChosen", true, kTwo, "LPT1: - A", NPA_OK, {}, true, "LPT1:", true},
        StartupCase{"SeveralPrintersCancelledSilently", true, kTwo, std::nullopt, NPA_OK, {}, true, nullptr, false},
        StartupCase{"ChosenLabelWithoutPort", true, kTwo, "LPT2: - C", NPA_OK, {61204}, true, nullptr, false},
        StartupCase{"OneWayReadStarts", true, kOne, std::nullopt, NPA_ONEWAY, {}, false, "USB001", true},
        StartupCase{"PortThatCannotOpen", true, kOne, std::nullopt, NPA_ERR_OPEN, {61208}, false, "USB001", false},
        StartupCase{"PrinterThatDoesNotAnswer", true, kOne, std::nullopt, NPA_ERR_SEND, {61208}, false, "USB001", false}),
    [](const ::testing::TestParamInfo<StartupCase>& info) { return std::string(info.param.name); });

class StartupInputsTest : public SimFixture {};

TEST_F(StartupInputsTest, ABrokenConfigurationIsReportedAsItselfBeforeAnyPrinterIsLookedFor) {
    FakeStartupUi ui;
    winui::flow::StartupInputs in;
    in.configPath = "C:/devpanel/devPanel.ini";
    in.configProblem = "section [TreeRoot] is missing";
    bool discovered = false;
    in.discover = [&] {
        discovered = true;
        return DiscoveryResult{};
    };
    EXPECT_FALSE(winui::flow::RunStartup(ui, in));
    EXPECT_FALSE(discovered);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].caption, res::String(61343));
    EXPECT_EQ(ui.shown[0].text, res::Format(61344, in.configPath) + "\n\nsection [TreeRoot] is missing");
    EXPECT_TRUE(ui.shown[0].style & msgbox::kSetForeground);
    EXPECT_TRUE(ui.readPorts.empty());
}

TEST_F(StartupInputsTest, AGivenPortIsReadWithoutSearchOrChoiceAndLabelledByItself) {
    FakeStartupUi ui;
    winui::flow::StartupInputs in;
    in.requestedPort = "LPT2:";
    in.discover = [] {
        ADD_FAILURE() << "no search for a given port";
        return DiscoveryResult{};
    };
    const std::optional<StartupResult> startup = winui::flow::RunStartup(ui, in);
    ASSERT_TRUE(startup);
    EXPECT_EQ(startup->printerLabel, "LPT2:");
    EXPECT_EQ(ui.readPorts, std::vector<std::string>{"LPT2:"});
}

// --- apply and save on the virtual printer -------------------------------------------------------

// A document whose command list cannot be built, as when memory runs out.
class DocWithoutMemory : public CPrinterDoc {
public:
    bool BuildCommandList(const ValueMap&, std::vector<std::string>&) override { return false; }
};

class Commands : public SimFixture {
protected:
    template <class Doc = CPrinterDoc>
    void Start(Doc& doc, const std::string& port) {
        doc.m_snapshotRoot = tmp_ + "/snapshots";
        StartupResult startup;
        startup.portName = startup.printerLabel = port;
        startup.readStatus = NpaReadAllSettings(port, startup.values);
        ASSERT_TRUE(startup.readStatus == NPA_OK || startup.readStatus == NPA_ONEWAY);
        ASSERT_TRUE(doc.OnNewDocument(startup));
    }
    static void Edit(CPrinterDoc& doc, const std::string& name, const std::string& token) {
        doc.MarkChanged();
        doc.StoreValue(name, token);
    }
    // What the printer holds now, read as the start-up reads it.
    std::string PrinterValue(const std::string& port, const std::string& name) {
        ValueMap values;
        EXPECT_EQ(NpaReadAllSettings(port, values), NPA_OK);
        NpaEndSession(port);
        return values[name];
    }
};

TEST_F(Commands, ApplyWritesTheChangeAndClearsTheModifiedFlagWithoutAWord) {
    sim_->addUsbPrinter(1, "T90V000001");
    CPrinterDoc doc;
    Start(doc, "USB001");
    const std::string before = doc.ReadValue("POWERSAVER");
    const std::string changed = before == "30" ? "45" : "30";
    Edit(doc, "POWERSAVER", changed);
    EXPECT_EQ(winui::flow::RunApply(doc), std::nullopt);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(PrinterValue("USB001", "POWERSAVER"), changed);
}

TEST_F(Commands, ApplyInOneWayModeWithoutChangesSendsNothing) {
    sim_->setOsKind(platform::OsKind::OneWay);
    sim::VirtualPrinter& printer = sim_->addParallelPrinter("LPT1", true);
    CPrinterDoc doc;
    Start(doc, "LPT1:");
    ASSERT_EQ(doc.m_queryStatus, NPA_ONEWAY);
    doc.SetModifiedFlag(true);
    const size_t before = printer.receivedPackets().size();
    EXPECT_EQ(winui::flow::RunApply(doc), std::nullopt);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(printer.receivedPackets().size(), before);
}

TEST_F(Commands, APrinterThatStaysOfflineIsNamedAndTheEditsStayUnapplied) {
    sim::VirtualPrinter& printer = sim_->addUsbPrinter(1, "T90V000001");
    CPrinterDoc doc;
    Start(doc, "USB001");
    Edit(doc, "POWERSAVER", "45");
    sim::Faults faults = printer.faults();
    faults.ignoreOnline = true;
    printer.setFaults(faults);
    const std::optional<Message> m = winui::flow::RunApply(doc);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->caption, res::String(61333));
    EXPECT_EQ(m->text, res::String(61334));
    EXPECT_TRUE(m->style & msgbox::kIconError);
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(Commands, ASettingThatDidNotTakeIsNamed) {
    sim::VirtualPrinter& printer = sim_->addUsbPrinter(1, "T90V000001");
    CPrinterDoc doc;
    Start(doc, "USB001");
    const std::string changed = doc.ReadValue("POWERSAVER") == "30" ? "45" : "30";
    Edit(doc, "POWERSAVER", changed);
    sim::Faults faults = printer.faults();
    // Acknowledged but not stored: the read-back finds the old value.
    faults.ignoredWriteIds.push_back(0x0306);  // POWERSAVER
    printer.setFaults(faults);
    const std::optional<Message> m = winui::flow::RunApply(doc);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->caption, res::String(61335));
    EXPECT_NE(m->text.find("POWERSAVER"), std::string::npos) << m->text;
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(Commands, ACommandListThatCannotBeBuiltSaysMemoryRanOut) {
    sim_->addUsbPrinter(1, "T90V000001");
    DocWithoutMemory doc;
    Start(doc, "USB001");
    doc.SetModifiedFlag(true);
    const std::optional<Message> m = winui::flow::RunApply(doc);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->caption, res::String(61287));
    EXPECT_EQ(m->text, res::String(61288));
    EXPECT_TRUE(doc.IsModified());
    const std::optional<Message> saved = winui::flow::RunSave(doc, tmp_ + "/x.npa", "x.npa");
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->caption, res::String(61287));
}

TEST_F(Commands, SaveWritesTheCommandFileBesideItsOfflineRecordAndLeavesTheFlag) {
    sim_->addUsbPrinter(1, "T90V000001");
    CPrinterDoc doc;
    Start(doc, "USB001");
    doc.SetModifiedFlag(true);
    const std::string path = tmp_ + "/settings.npa";
    EXPECT_EQ(winui::flow::RunSave(doc, path, "C:\\shown\\settings.npa"), std::nullopt);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_GT(std::filesystem::file_size(path), 0u);
    EXPECT_TRUE(std::filesystem::exists(tmp_ + "/offline.dat"));
}

TEST_F(Commands, AFailedSaveNamesThePathAsTheUserChoseIt) {
    sim_->addUsbPrinter(1, "T90V000001");
    CPrinterDoc doc;
    Start(doc, "USB001");
    // The link writes the offline record under this name: a command file of that name is refused.
    const std::optional<Message> m = winui::flow::RunSave(doc, tmp_ + "/offline.dat", "C:\\chosen\\offline.dat");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->caption, res::String(61289));
    EXPECT_EQ(m->text, res::Format(61290, "C:\\chosen\\offline.dat"));
}

}  // namespace
