// The printer document with a fake frame, against the virtual printer.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "config/config.h"
#include "document/printer_doc.h"
#include "document/snapshot.h"
#include "strings/string_table.h"
#include "platform/file_lock.h"
#include "platform/paths.h"
#include "sim_fixture.h"

namespace {

using testsupport::Bytes;
using testsupport::SimFixture;

struct Box {
    std::string text, caption;
    unsigned style;
    bool owned;
};

class FakeFrame : public IPrinterFrame {
public:
    std::string statusText() override { return status; }
    void setStatusText(const std::string& text) override {
        status = text;
        statusHistory.push_back(text);
    }
    void setWaitCursor(bool on) override { cursorHistory.push_back(on); }
    bool menuItemEnabled(int id) override { return id == ID_FILE_SAVE_COMMAND ? saveEnabled : true; }
    void setMenuItemEnabled(int id, bool enabled) override {
        if (id == ID_FILE_SAVE_COMMAND) saveEnabled = enabled;
    }
    void redraw() override { ++redraws; }
    bool replaceView(int viewId) override {
        views.push_back(viewId);
        return viewId != 99;
    }
    int messageBox(const std::string& text, const std::string& caption, unsigned style, bool owned) override {
        boxes.push_back({text, caption, style, owned});
        return answer;
    }
    void documentValuesChanged() override { ++valuesShown; }

    std::string status = "준비";
    std::vector<std::string> statusHistory;
    std::vector<bool> cursorHistory;
    bool saveEnabled = true;
    int redraws = 0;
    std::vector<int> views;
    std::vector<Box> boxes;
    int answer = msgbox::kIdNo;
    int valuesShown = 0;
};

class PrinterDocTest : public SimFixture {
protected:
    // The start-up read as the application does it, then the document.
    void Start(const std::string& port) {
        doc.m_snapshotRoot = tmp_ + "/snapshots";  // this test's own, on every system
        StartupResult startup;
        startup.portName = port;
        startup.printerLabel = port + " - Altrin Pressline T90";
        startup.readStatus = NpaReadAllSettings(port, startup.values, &startup.rawValues);
        ASSERT_TRUE(startup.readStatus == NPA_OK || startup.readStatus == NPA_ONEWAY);
        ASSERT_TRUE(doc.OnNewDocument(startup));
    }

    // A page's edit.
    void Edit(const std::string& name, const std::string& token) {
        doc.MarkChanged();
        doc.StoreValue(name, token);
    }

    std::vector<Bytes> Writes(const sim::VirtualPrinter& printer) {
        return Only(printer.receivedPackets(), testsupport::IsSettingWrite);
    }

    FakeFrame frame;
    CPrinterDoc doc{&frame};
};

TEST_F(PrinterDocTest, TwoWayDocumentHoldsTheReadAndTheDescriptors) {
    sim_->addUsbPrinter(1, "T90V000001");
    Start("USB001");
    EXPECT_FALSE(doc.IsOneWay());
    EXPECT_EQ(doc.m_portName, "USB001");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(frame.boxes.empty());
    const ValueMap values = doc.CurrentValues();
    EXPECT_FALSE(values.empty());
    EXPECT_TRUE(doc.HasValuesToApply()) << "a two-way apply writes every value back";
    // The first page shown leaves the save item as it is.
    doc.PageShown();
    EXPECT_TRUE(frame.saveEnabled);

    // Every descriptor member is loaded from the section of its name, in the configuration's order.
    std::vector<SettingRef> settings = doc.Settings();
    ASSERT_EQ(settings.size(), 84u);
    for (size_t i = 0; i < settings.size(); ++i) {
        EXPECT_STREQ(settings[i].section, config::kSettingSections[i].section) << i;
        EXPECT_EQ(settings[i].descriptor.index(), static_cast<size_t>(config::kSettingSections[i].kind)) << i;
        std::string npaName = DescriptorNpaName(settings[i].descriptor);
        EXPECT_FALSE(npaName.empty()) << settings[i].section;
        EXPECT_TRUE(values.count(npaName)) << npaName;
    }
    EXPECT_EQ(doc.m_PwrSvr.npaName, "POWERSAVER");
    EXPECT_EQ(doc.ReadValue("NO SUCH SETTING"), "");
    EXPECT_EQ(doc.ReadValue("BLANKPAGES"), values.at("BLANKPAGES"));
}

TEST_F(PrinterDocTest, TwoWayApplyWritesEveryValueReadEvenWithoutChanges) {
    sim::VirtualPrinter& printer = sim_->addUsbPrinter(1, "T90V000001");
    Start("USB001");
    printer.clearWire();
    frame.statusHistory.clear();

    ASSERT_EQ(doc.Apply(), NPA_OK);
    EXPECT_EQ(Writes(printer).size(), doc.CurrentValues().size());
    EXPECT_TRUE(doc.LastWriteReport().skipped.empty());
    std::vector<Bytes> traffic = SettingsTraffic(printer);
    ASSERT_GE(traffic.size(), 4u);
    EXPECT_TRUE(testsupport::IsBatchRead(traffic[0])) << "what the printer holds now, read first";
    EXPECT_TRUE(testsupport::IsOfflineOnline(traffic[1], 1));
    EXPECT_TRUE(testsupport::IsOfflineOnline(traffic[traffic.size() - 2], 0));
    EXPECT_TRUE(testsupport::IsBatchRead(traffic.back()));
    // The status text and the wait cursor frame the writes, and the old text comes back.
    EXPECT_EQ(frame.statusHistory, (std::vector<std::string>{res::String(61304), "준비"}));
    EXPECT_EQ(frame.cursorHistory, (std::vector<bool>{true, false}));

    // A change in two-way mode is one value among the others, and the next apply carries them all.
    Edit("POWERSAVER", "45");
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.ChangedSinceRead(), std::set<std::string>{"POWERSAVER"});
    printer.clearWire();
    ASSERT_EQ(doc.Apply(), NPA_OK);
    EXPECT_EQ(Writes(printer).size(), doc.CurrentValues().size());
    EXPECT_EQ(printer.value(0x0306), Bytes{45});
    EXPECT_TRUE(doc.IsModified()) << "Apply leaves the modified flag to the frame";
}

// Another program (or the operator panel) changes the printer while the window shows its values.
// Whether an apply writes every value back or only the changes, it never undoes a change it did
// not make: a setting the user did not touch is written as the printer holds it now, an edited
// one as the user set it, and the page is told to show the printer's value. Nothing is asked.
struct ApplyScope {
    const char* name;
    int (CPrinterDoc::*apply)();
    bool everyValue;
};

void PrintTo(const ApplyScope& scope, std::ostream* os) { *os << scope.name; }

class PrinterChangedUnderneath : public PrinterDocTest, public ::testing::WithParamInterface<ApplyScope> {};

TEST_P(PrinterChangedUnderneath, ItsNewerValuesOfSettingsNobodyEditedHereAreKept) {
    constexpr uint16_t kPowerSaver = 0x0306, kLinesPerPage = 0x0404;
    sim::VirtualPrinter& printer = sim_->addUsbPrinter(1, "T90V000001");
    Start("USB001");
    doc.m_freshRead = std::chrono::milliseconds(0);  // the user edits for longer than a moment
    Edit("POWERSAVER", "45");
    printer.setValue(kLinesPerPage, {70});
    printer.setValue(kPowerSaver, {77});
    printer.clearWire();

    ASSERT_EQ((doc.*GetParam().apply)(), NPA_OK);
    EXPECT_EQ(printer.value(kLinesPerPage), Bytes{70}) << "the other program's change stays";
    EXPECT_EQ(printer.value(kPowerSaver), Bytes{45}) << "the user's edit wins over the printer's value";
    EXPECT_EQ(doc.ReadValue("LINESPERPAGE"), "70");
    EXPECT_EQ(frame.valuesShown, 1);
    EXPECT_TRUE(frame.boxes.empty());
    const size_t writes = GetParam().everyValue ? doc.CurrentValues().size() : 1u;
    EXPECT_EQ(Writes(printer).size(), writes);
    EXPECT_EQ(doc.LastWriteCount(), writes);
    EXPECT_TRUE(doc.ChangedSinceRead().empty()) << "the printer now holds the edits";

    // Nothing changed since: the page is left alone.
    ASSERT_EQ((doc.*GetParam().apply)(), NPA_OK);
    EXPECT_EQ(frame.valuesShown, 1);
}

INSTANTIATE_TEST_SUITE_P(Document, PrinterChangedUnderneath,
                         ::testing::Values(ApplyScope{"EveryValue", &CPrinterDoc::Apply, true},
                                           ApplyScope{"ChangesOnly", &CPrinterDoc::ApplyChanges, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// The command-line tool reads and applies at once: an apply of the changes alone right after the
// read takes that read for its snapshot, so the printer is asked only for the read-back.
TEST_F(PrinterDocTest, ChangesAppliedMomentsAfterTheReadAreNotReadAgainFirst) {
    sim::VirtualPrinter& printer = sim_->addUsbPrinter(1, "T90V000001");
    Start("USB001");
    Edit("POWERSAVER", "45");
    printer.clearWire();
    ASSERT_EQ(doc.ApplyChanges(), NPA_OK);
    const std::vector<Bytes> traffic = SettingsTraffic(printer);
    EXPECT_EQ(std::count_if(traffic.begin(), traffic.end(), testsupport::IsBatchRead), 1);
    EXPECT_TRUE(testsupport::IsBatchRead(traffic.back())) << "the read-back";
    EXPECT_FALSE(doc.LastSnapshotPath().empty());

    // The read was used once: the next apply asks the printer first again.
    Edit("POWERSAVER", "46");
    printer.clearWire();
    ASSERT_EQ(doc.ApplyChanges(), NPA_OK);
    const std::vector<Bytes> again = SettingsTraffic(printer);
    EXPECT_EQ(std::count_if(again.begin(), again.end(), testsupport::IsBatchRead), 2);
}

// Two documents of two printers at once: each writes its values back against the bytes its own
// printer gave. The first printer holds a text longer than a read carries; the second holds just
// the part the first one's read shows. The same token is a cut value on the first printer, to be
// left as it is, and the whole value on the second, to be written back.
TEST_F(PrinterDocTest, EachDocumentWritesBackAgainstTheBytesItsOwnPrinterGave) {
    constexpr uint16_t kPropTag = 0x0305;
    sim::VirtualPrinter& first = sim_->addUsbPrinter(1, "T90V000001");
    sim::VirtualPrinter& second = sim_->addUsbPrinter(2, "T90V000002");
    const Bytes longText(60, 'n');
    first.setValue(kPropTag, longText);
    Start("USB001");
    const std::string shown = doc.ReadValue("PROPTAG");
    ASSERT_FALSE(shown.empty());
    ASSERT_LT(shown.size(), longText.size()) << "a read carries only part of a long text";
    const Bytes shownBytes(shown.begin(), shown.end());
    second.setValue(kPropTag, shownBytes);

    FakeFrame otherFrame;
    CPrinterDoc other(&otherFrame);
    other.m_snapshotRoot = doc.m_snapshotRoot;
    StartupResult startup;
    startup.portName = "USB002";
    startup.readStatus = NpaReadAllSettings("USB002", startup.values, &startup.rawValues);
    ASSERT_EQ(startup.readStatus, NPA_OK);
    ASSERT_TRUE(other.OnNewDocument(startup));
    ASSERT_EQ(other.ReadValue("PROPTAG"), shown);

    // Every value into a command file: the first document leaves the cut text out.
    const auto settingIds = [](const std::string& file, const std::string& offline) {
        std::vector<std::vector<uint8_t>> settings;
        std::string why;
        EXPECT_TRUE(NpaSplitCommandFile(testsupport::ReadFileBytes(offline), testsupport::ReadFileBytes(file), settings,
                                        why))
            << why;
        std::set<uint16_t> ids;
        for (const Bytes& packet : settings) ids.insert(testsupport::SettingId(packet));
        return ids;
    };
    std::filesystem::create_directories(tmp_ + "/first");
    std::filesystem::create_directories(tmp_ + "/second");
    ASSERT_EQ(doc.SaveCommandFile(tmp_ + "/first/all.npa"), NPA_OK);
    ASSERT_EQ(other.SaveCommandFile(tmp_ + "/second/all.npa"), NPA_OK);
    EXPECT_EQ(doc.LastWriteReport().skipped, std::vector<std::string>{"PROPTAG"});
    EXPECT_TRUE(other.LastWriteReport().skipped.empty());
    EXPECT_EQ(settingIds(tmp_ + "/first/all.npa", tmp_ + "/first/offline.dat").count(kPropTag), 0u);
    EXPECT_EQ(settingIds(tmp_ + "/second/all.npa", tmp_ + "/second/offline.dat").count(kPropTag), 1u);

    // To the printers, as devpanel-cli applies PROPTAG set to what it showed, straight after the
    // reads: the first printer keeps its whole text, the second is written.
    for (CPrinterDoc* d : {&doc, &other}) {
        d->MarkChanged();
        d->StoreValue("PROPTAG", shown);
    }
    first.clearWire();
    second.clearWire();
    ASSERT_EQ(doc.ApplyChanges(), NPA_OK) << doc.LastWriteReport().problem;
    ASSERT_EQ(other.ApplyChanges(), NPA_OK) << other.LastWriteReport().problem;
    EXPECT_EQ(doc.LastWriteReport().skipped, std::vector<std::string>{"PROPTAG"});
    EXPECT_TRUE(Writes(first).empty());
    EXPECT_EQ(first.value(kPropTag), longText);
    ASSERT_EQ(Writes(second).size(), 1u);
    EXPECT_EQ(testsupport::SettingId(Writes(second)[0]), kPropTag);
    EXPECT_EQ(second.value(kPropTag), shownBytes);
}

// Another program of the user applies to the same printer: an apply waits for its turn, and one
// not had in time sends nothing (writing every value back, it does not even read) and keeps the
// edits for the next try.
class ApplyTurn : public PrinterDocTest, public ::testing::WithParamInterface<ApplyScope> {};

TEST_P(ApplyTurn, AnotherProgramsApplyIsWaitedForAndNothingIsSentWithoutTheTurn) {
    sim::VirtualPrinter& printer = sim_->addUsbPrinter(1, "T90V000001");
    Start("USB001");
    const std::string folder = snapshot::PrinterFolder(doc.m_snapshotRoot, snapshot::IdentifyPrinter("USB001"));
    int error = 0;
    ASSERT_TRUE(platform::MakePrivateFolders(folder, error));
    platform::FileLock otherProgram;
    ASSERT_EQ(otherProgram.acquire(folder + "/apply.lock", 0, error), platform::FileLock::Result::Locked);
    doc.m_applyTurnWait = std::chrono::milliseconds(30);
    doc.m_freshRead = std::chrono::milliseconds(0);
    Edit("POWERSAVER", "45");
    printer.clearWire();

    EXPECT_EQ((doc.*GetParam().apply)(), DOC_ERR_BUSY);
    EXPECT_NE(doc.LastWriteReport().problem.find("another program"), std::string::npos)
        << doc.LastWriteReport().problem;
    EXPECT_EQ(SettingsTraffic(printer).size(), GetParam().everyValue ? 0u : 1u) << "at most the read for the snapshot";
    EXPECT_EQ(doc.ChangedSinceRead(), std::set<std::string>{"POWERSAVER"});

    otherProgram.release();
    ASSERT_EQ((doc.*GetParam().apply)(), NPA_OK);
    EXPECT_EQ(printer.value(0x0306), Bytes{45});
}

INSTANTIATE_TEST_SUITE_P(Document, ApplyTurn,
                         ::testing::Values(ApplyScope{"EveryValue", &CPrinterDoc::Apply, true},
                                           ApplyScope{"ChangesOnly", &CPrinterDoc::ApplyChanges, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PrinterDocTest, OneWayModeNoticeMenuAndAccumulatedChanges) {
    sim_->setOsKind(platform::OsKind::OneWay);
    sim::VirtualPrinter& printer = sim_->addParallelPrinter("LPT1");
    Start("LPT1:");

    ASSERT_EQ(frame.boxes.size(), 1u);
    EXPECT_EQ(frame.boxes[0].text, res::String(61240));
    EXPECT_EQ(frame.boxes[0].caption, res::String(61239));
    EXPECT_EQ(frame.boxes[0].style, msgbox::kIconInformation | msgbox::kSetForeground);
    EXPECT_FALSE(frame.boxes[0].owned);
    EXPECT_TRUE(doc.IsOneWay());
    EXPECT_FALSE(doc.HasValuesToApply()) << "nothing is known of the printer, nothing changed yet";
    // The first page shown greys the save item: there is nothing to save yet. Later pages leave it.
    doc.PageShown();
    EXPECT_FALSE(frame.saveEnabled);
    frame.saveEnabled = true;
    doc.PageShown();
    EXPECT_TRUE(frame.saveEnabled);
    frame.saveEnabled = false;

    // The first change makes the save item available again.
    Edit("BLANKPAGES", "Print");
    EXPECT_TRUE(frame.saveEnabled);
    EXPECT_EQ(frame.redraws, 1);
    EXPECT_TRUE(doc.HasValuesToApply());
    EXPECT_EQ(doc.ChangedSinceRead(), std::set<std::string>{"BLANKPAGES"});
    EXPECT_EQ(doc.ReadValue("BLANKPAGES"), "Print");
    Edit("BLANKPAGES", "PRINT");
    EXPECT_EQ(frame.redraws, 1) << "an enabled item is left alone";

    // Apply sends the changes only; after changing another setting the next apply sends both.
    ASSERT_EQ(doc.Apply(), NPA_OK);
    std::vector<Bytes> writes = Writes(printer);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(testsupport::SettingId(writes[0]), 0x0101);
    EXPECT_EQ(printer.value(0x0101), Bytes{0x01});

    printer.clearWire();
    Edit("POWERSAVER", "33");
    ASSERT_EQ(doc.Apply(), NPA_OK);
    writes = Writes(printer);
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(testsupport::SettingId(writes[0]), 0x0101);
    EXPECT_EQ(testsupport::SettingId(writes[1]), 0x0306);
    EXPECT_EQ(printer.value(0x0306), Bytes{33});
    EXPECT_FALSE(printer.offline());
}

TEST_F(PrinterDocTest, SaveCommandFileWritesTheChangesIntoTheFile) {
    sim_->setOsKind(platform::OsKind::OneWay);
    sim_->addParallelPrinter("LPT1");
    Start("LPT1:");
    Edit("PROPTAG", "Front Desk");
    frame.statusHistory.clear();
    const std::string path = tmp_ + "/settings.npa";
    ASSERT_EQ(doc.SaveCommandFile(path), NPA_OK);
    EXPECT_EQ(frame.statusHistory.front(), res::String(61305));
    Bytes file = testsupport::ReadFileBytes(path);
    EXPECT_EQ(file.size(), 2 * 19 + 9 + std::string("Front Desk").size() + 9);
    EXPECT_EQ(testsupport::ReadFileBytes(tmp_ + "/offline.dat").size(), 28u);

    EXPECT_EQ(doc.SaveCommandFile(tmp_ + "/missing/settings.npa"), NPA_ERR_OPEN);
}

// A command file named offline.dat would be its own offline file: the commands would overwrite
// the offline record. It is refused before anything is written, and the old pair stays whole.
TEST_F(PrinterDocTest, CommandFileNamedOfflineDatIsRefusedAndTouchesNothing) {
    sim_->setOsKind(platform::OsKind::OneWay);
    sim_->addParallelPrinter("LPT1");
    Start("LPT1:");
    Edit("PROPTAG", "Front Desk");
    ASSERT_EQ(doc.SaveCommandFile(tmp_ + "/settings.npa"), NPA_OK);
    const Bytes offline = testsupport::ReadFileBytes(tmp_ + "/offline.dat");
    ASSERT_EQ(offline.size(), 28u);

    EXPECT_EQ(doc.SaveCommandFile(tmp_ + "/offline.dat"), NPA_ERR_OPEN);
    EXPECT_EQ(testsupport::ReadFileBytes(tmp_ + "/offline.dat"), offline);
    EXPECT_EQ(doc.SaveCommandFile("offline.dat"), NPA_ERR_OPEN);
    // Only the exact name is the offline file's.
    EXPECT_EQ(doc.SaveCommandFile(tmp_ + "/my-offline.dat"), NPA_OK);
}

class OutOfMemoryDoc : public CPrinterDoc {
public:
    using CPrinterDoc::CPrinterDoc;
    bool BuildCommandList(const ValueMap&, std::vector<NpaCommand>&) override { return false; }
};

TEST_F(PrinterDocTest, CommandListThatCannotBeBuiltGivesMemoryResultAndSendsNothing) {
    sim::VirtualPrinter& printer = sim_->addUsbPrinter(1, "T90V000001");
    OutOfMemoryDoc failing(&frame);
    StartupResult startup;
    startup.portName = "USB001";
    startup.values = {{"BLANKPAGES", "PRINT"}};
    failing.OnNewDocument(startup);
    EXPECT_EQ(failing.Apply(), NPA_ERR_MEMORY);
    EXPECT_EQ(failing.SaveCommandFile(tmp_ + "/x.npa"), NPA_ERR_MEMORY);
    EXPECT_TRUE(printer.receivedPackets().empty());
    EXPECT_EQ(frame.cursorHistory, (std::vector<bool>{true, false, true, false}));
}

TEST_F(PrinterDocTest, SaveModifiedAsksOnlyWhenModifiedAndAlwaysShutsTheLinkDown) {
    struct Case {
        const char* what;
        bool modified;
        int answer;
        bool expectQuestion;
        bool expectWrites;
    };
    sim::VirtualPrinter& printer = sim_->addUsbPrinter(1, "T90V000001");
    for (const Case& c : {Case{"yes", true, msgbox::kIdYes, true, true}, Case{"no", true, msgbox::kIdNo, true, false},
                          Case{"unmodified", false, msgbox::kIdYes, false, false}}) {
        SCOPED_TRACE(c.what);
        SlcResetForTesting();
        NpaResetForTesting();
        FakeFrame f;
        f.answer = c.answer;
        CPrinterDoc d(&f);
        StartupResult startup;
        startup.portName = "USB001";
        ASSERT_EQ(NpaReadAllSettings("USB001", startup.values, &startup.rawValues), NPA_OK);
        d.OnNewDocument(startup);
        if (c.modified) {
            d.MarkChanged();
            d.StoreValue("BLANKPAGES", "PRINT");
        }
        printer.clearWire();
        sim_->clearLog();

        EXPECT_TRUE(d.SaveModified());
        EXPECT_EQ(f.boxes.size(), c.expectQuestion ? 1u : 0u);
        if (c.expectQuestion) {
            EXPECT_EQ(f.boxes[0].text, res::String(61243));
            EXPECT_EQ(f.boxes[0].caption, res::String(61242));
            EXPECT_EQ(f.boxes[0].style, msgbox::kYesNo | msgbox::kIconQuestion);
            EXPECT_TRUE(f.boxes[0].owned);
        }
        EXPECT_EQ(Writes(printer).empty(), !c.expectWrites);
        EXPECT_FALSE(d.IsModified());
        EXPECT_TRUE(LinkShutDown());
    }
}

// A failed apply at closing keeps the session: the edits stay, the flag stays, the link is not
// shut down, and the next close asks again; answering No then ends the session.
TEST_F(PrinterDocTest, SaveModifiedKeepsTheSessionWhenTheApplyAtClosingFails) {
    sim::VirtualPrinter& printer = sim_->addUsbPrinter(1, "T90V000001");
    Start("USB001");
    frame.answer = msgbox::kIdYes;
    Edit("BLANKPAGES", "PRINT");
    sim::Faults refuse;
    refuse.refuseOffline = true;
    printer.setFaults(refuse);
    sim_->clearLog();

    EXPECT_FALSE(doc.SaveModified());
    EXPECT_TRUE(Writes(printer).empty());
    ASSERT_EQ(frame.boxes.size(), 2u);
    EXPECT_EQ(frame.boxes[1].text, res::String(61245));
    EXPECT_EQ(frame.boxes[1].caption, res::String(61244));
    EXPECT_EQ(frame.boxes[1].style, msgbox::kIconError);
    EXPECT_TRUE(frame.boxes[1].owned);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.ReadValue("BLANKPAGES"), "PRINT");
    EXPECT_FALSE(LinkShutDown());

    frame.answer = msgbox::kIdNo;
    EXPECT_TRUE(doc.SaveModified());
    ASSERT_EQ(frame.boxes.size(), 3u);
    EXPECT_EQ(frame.boxes[2].text, res::String(61243));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(LinkShutDown());
}

}  // namespace
