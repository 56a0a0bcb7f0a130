// The File menu's export, import and restore against the virtual printer: the restore dialog with
// real clicks, a restore that brings the printer back and a second one that undoes it, settings
// files written and loaded into the pages, and files that must change nothing.
// The link's private header names a member "slots", which Qt defines as a macro: it comes first.
#include "sim_fixture.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTreeWidget>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>

#include "qtapp/main_frame.h"
#include "qtapp/nav_tree.h"
#include "qtapp/restore_dlg.h"
#include "pages/setting_texts.h"
#include "qtapp/settings_file_actions.h"
#include "config/profile.h"
#include "strings/string_table.h"
#include "document/printer_doc.h"
#include "document/snapshot.h"
#include "gui_fakes.h"
#include "gui_support.h"
#include "test_page.h"
#include "templates/templates.h"

namespace {

using guitest::ClickBox;
using guitest::FakePrompts;
using guitest::ModalAnswer;
using FileUse = CSettingsFileActions::FileUse;

constexpr int kTestPageView = 6;
const char* const kTree = "[TreeRoot]\nNumChildren=1\nChildren=NSetup\n[NSetup]\nStringId=61224\nViewId=6\n";

class SettingsFilesTest : public testsupport::SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        RegisterPage(kTestPageView,
                     [](CPrinterDoc* d, QWidget* p) -> CSettingsView* { return new guitest::TestPage(d, p); });
        printer = &sim_->addUsbPrinter(1, "T90V000001");
        sim_->setInstalledPrinters({{"Altrin Pressline T90", "Altrin Pressline T90", "USB001"}});
    }
    void TearDown() override {
        guitest::Descriptors().sw = savedSwitch;
        frame.reset();
        doc.reset();
        SimFixture::TearDown();
    }
    void Start(int status = NPA_OK) {
        ValueMap values;
        ASSERT_EQ(NpaReadAllSettings("USB001", values), NPA_OK);
        doc = std::make_unique<CPrinterDoc>();
        doc->m_snapshotRoot = tmp_ + "/snapshots";
        frame = std::make_unique<CMainFrame>(doc.get(), prompts);
        doc->SetFrame(frame.get());
        ASSERT_TRUE(doc->OnNewDocument({"USB001 - T90", "USB001", values, status}));
        guitest::Descriptors().sw = doc->m_ResRed;
        switchName = config::KeyName(doc->m_ResRed.entry[0]);
        ASSERT_TRUE(frame->Create("USB001 - T90", Profile::Parse(kTree)));
        frame->show();
        files = frame->findChild<CSettingsFileActions*>();
        ASSERT_NE(files, nullptr);
        files->SetFileChooser([this](QWidget*, FileUse use) {
            chosen.push_back(use);
            return chosenPath;
        });
        prompts.calls.clear();
    }
    // The user's road to the test page.
    void ShowSetupPage() {
        QTreeWidget* tree = frame->Tree();
        QTreeWidgetItem* node = tree->findItems(QString::fromStdString(res::String(61224)),
                                                Qt::MatchExactly | Qt::MatchRecursive)
                                    .first();
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
        ASSERT_NE(Page(), nullptr);
    }
    // A click on the switch of the test page.
    void ToggleSwitchOnPage() {
        ShowSetupPage();
        ClickBox(Page()->sw);
    }
    guitest::TestPage* Page() { return dynamic_cast<guitest::TestPage*>(frame->Page()); }
    std::string Other(const std::string& token) const {
        const std::string a = config::KeyToken(doc->m_ResRed.entry[0]), b = config::KeyToken(doc->m_ResRed.entry[1]);
        return token == a ? b : a;
    }
    // What the printer holds now, read afresh.
    std::string PrinterValue(const std::string& name) {
        ValueMap values;
        EXPECT_EQ(NpaReadAllSettings("USB001", values), NPA_OK);
        return values[name];
    }
    // Runs the restore command; answer acts on the dialog once it is shown.
    void Restore(const std::function<void(CRestoreDlg*)>& answer) {
        bool answered = false;
        ModalAnswer modal([&](QWidget* w) {
            auto* dialog = qobject_cast<CRestoreDlg*>(w);
            ASSERT_NE(dialog, nullptr);
            answered = true;
            answer(dialog);
            if (dialog->isVisible()) dialog->reject();
        });
        frame->Action(res::ID_RESTORE_SETTINGS)->trigger();
        EXPECT_TRUE(answered);
    }
    static void ClickRow(QTreeWidget* list, int row) {
        QTreeWidgetItem* item = list->topLevelItem(row);
        ASSERT_NE(item, nullptr);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
    }
    void WriteSettingsFile(const std::string& path, const ValueMap& settings, const std::string& model) {
        snapshot::Snapshot file;
        file.model = model;
        file.port = "USB001";
        file.time = "2026-12-01T08:00:00.000Z";
        file.settings = settings;
        testsupport::WriteFileBytes(path, snapshot::ToJson(file));
    }

    FakePrompts prompts;
    config::SwitchDescriptor savedSwitch = guitest::Descriptors().sw;
    std::string switchName;
    sim::VirtualPrinter* printer = nullptr;
    std::unique_ptr<CPrinterDoc> doc;
    std::unique_ptr<CMainFrame> frame;
    CSettingsFileActions* files = nullptr;
    std::optional<std::string> chosenPath;
    std::vector<FileUse> chosen;
};

TEST_F(SettingsFilesTest, TheNewItemsFollowTheFileMenusOwnWithTheirHelp) {
    Start();
    QMenu* file = frame->menuBar()->actions().at(0)->menu();
    ASSERT_NE(file, nullptr);
    QStringList texts;
    for (QAction* a : file->actions()) texts << (a->isSeparator() ? QString("-") : a->text());
    EXPECT_EQ(texts, QStringList({"코멘드 파일로 저장(&S)", "-", "마침(&X)", "-", "설정 내보내기(&E)...",
                                  "설정 가져오기(&I)...", "이전 상태로 복원(&R)..."}));
    for (int id : {res::ID_EXPORT_SETTINGS, res::ID_IMPORT_SETTINGS, res::ID_RESTORE_SETTINGS}) {
        const std::string help = res::String(id);
        ASSERT_FALSE(help.empty()) << id;
        EXPECT_EQ(frame->Action(id)->statusTip().toStdString(), help.substr(0, help.find('\n')));
    }
}

// Apply, restore through the dialog, restore again: the printer goes back and forth exactly.
TEST_F(SettingsFilesTest, RestoreBringsThePrinterBackAndASecondRestoreUndoesTheFirst) {
    Start();
    const std::string before = doc->ReadValue(switchName);
    ToggleSwitchOnPage();
    frame->Action(ID_APPLY)->trigger();
    ASSERT_TRUE(prompts.calls.empty()) << prompts.calls[0].text;
    ASSERT_EQ(PrinterValue(switchName), Other(before));

    prompts.answers = {msgbox::kIdYes};
    Restore([&](CRestoreDlg* dialog) {
        QTreeWidget* list = dialog->SnapshotList();
        ASSERT_EQ(list->topLevelItemCount(), 1);
        EXPECT_EQ(list->topLevelItem(0)->text(1), "1");  // the one setting the apply changed
        EXPECT_FALSE(dialog->RestoreButton()->isEnabled());
        ClickRow(list, 0);
        QTreeWidget* diff = dialog->DifferenceList();
        ASSERT_EQ(diff->topLevelItemCount(), 1);
        // Named and shown as the page shows them, the printer's name under the pointer.
        const pages::SettingTexts texts(*doc);
        EXPECT_EQ(diff->topLevelItem(0)->text(0).toStdString(), "해상도 감소");
        EXPECT_EQ(diff->topLevelItem(0)->toolTip(0).toStdString(), switchName);
        EXPECT_EQ(diff->topLevelItem(0)->text(1).toStdString(), texts.Value(switchName, Other(before)));
        EXPECT_EQ(diff->topLevelItem(0)->text(2).toStdString(), texts.Value(switchName, before));
        EXPECT_NE(diff->topLevelItem(0)->text(1), diff->topLevelItem(0)->text(2));
        for (int column : {1, 2})
            EXPECT_TRUE(diff->topLevelItem(0)->text(column) == "켜짐" || diff->topLevelItem(0)->text(column) == "꺼짐");
        ASSERT_TRUE(dialog->RestoreButton()->isEnabled());
        QTest::mouseClick(dialog->RestoreButton(), Qt::LeftButton);
    });
    ASSERT_EQ(prompts.calls.size(), 1u);
    EXPECT_EQ(prompts.calls[0].caption, res::String(61359));
    EXPECT_EQ(prompts.calls[0].style, unsigned(msgbox::kYesNo | msgbox::kIconQuestion));
    EXPECT_EQ(PrinterValue(switchName), before);
    EXPECT_EQ(doc->ReadValue(switchName), before);
    EXPECT_EQ(Page()->sw->isChecked(), config::KeyToken(doc->m_ResRed.entry[1]) == before);
    EXPECT_FALSE(doc->IsModified());

    // The restore took its own snapshot first: the newest one undoes it.
    prompts.calls.clear();
    prompts.answers = {msgbox::kIdYes};
    Restore([&](CRestoreDlg* dialog) {
        ASSERT_EQ(dialog->SnapshotList()->topLevelItemCount(), 2);
        ClickRow(dialog->SnapshotList(), 0);
        QTest::mouseClick(dialog->RestoreButton(), Qt::LeftButton);
    });
    EXPECT_EQ(PrinterValue(switchName), Other(before));
}

// Cancelling the dialog, or answering No to the confirmation, sends nothing and changes nothing.
class RestoreDeclinedTest : public SettingsFilesTest, public ::testing::WithParamInterface<bool> {};

TEST_P(RestoreDeclinedTest, SendsNothing) {
    const bool answerNo = GetParam();
    Start();
    ToggleSwitchOnPage();
    frame->Action(ID_APPLY)->trigger();
    const ValueMap shown = doc->CurrentValues();
    printer->clearWire();
    prompts.answers = {msgbox::kIdNo};
    Restore([&](CRestoreDlg* dialog) {
        ClickRow(dialog->SnapshotList(), 0);
        if (answerNo) {
            QTest::mouseClick(dialog->RestoreButton(), Qt::LeftButton);
            EXPECT_TRUE(dialog->isVisible());  // still there, for another choice
        }
        QTest::mouseClick(dialog->findChild<QPushButton*>("cancelButton"), Qt::LeftButton);
    });
    EXPECT_EQ(prompts.calls.size(), answerNo ? 1u : 0u);
    EXPECT_TRUE(printer->receivedPackets().empty());
    EXPECT_EQ(doc->CurrentValues(), shown);
    EXPECT_FALSE(doc->IsModified());
}

INSTANTIATE_TEST_SUITE_P(Ways, RestoreDeclinedTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? std::string("AnswerNo") : std::string("Cancel");
                         });

// A snapshot that could not record a setting says so before the restore; a file that cannot be
// read is listed but cannot be chosen.
TEST_F(SettingsFilesTest, TheDialogNamesWhatASnapshotLacksAndListsUnreadableFilesDisabled) {
    Start();
    const std::string folder =
        snapshot::PrinterFolder(doc->m_snapshotRoot, snapshot::IdentifyPrinter(doc->m_portName));
    snapshot::Snapshot old;
    old.model = "Altrin Pressline T90";
    old.time = "2026-12-06T10:00:00.000Z";
    old.settings = doc->CurrentValues();
    old.settings[switchName] = Other(doc->ReadValue(switchName));
    old.skipped = {"PROPTAG"};
    old.settings.erase("PROPTAG");
    std::string error;
    ASSERT_FALSE(snapshot::Write(folder, old, error).empty()) << error;
    testsupport::WriteFileBytes(folder + "/2026-12-07T10-00-00.000000Z.json", "not a snapshot");

    Restore([&](CRestoreDlg* dialog) {
        QTreeWidget* list = dialog->SnapshotList();
        ASSERT_EQ(list->topLevelItemCount(), 2);
        EXPECT_EQ(list->topLevelItem(0)->text(1).toStdString(), res::String(61356));
        EXPECT_FALSE(list->topLevelItem(0)->flags() & Qt::ItemIsEnabled);
        ClickRow(list, 0);
        EXPECT_FALSE(dialog->RestoreButton()->isEnabled());
        EXPECT_EQ(list->topLevelItem(1)->text(1), "1");
        ClickRow(list, 1);
        EXPECT_TRUE(dialog->RestoreButton()->isEnabled());
        EXPECT_TRUE(dialog->Note()->isVisible());
        EXPECT_EQ(dialog->Note()->text().toStdString(), res::Format(61358, "영역 표시"));  // PROPTAG, as its page names it
    });
    EXPECT_FALSE(doc->IsModified());
}

TEST_F(SettingsFilesTest, WithoutSnapshotsRestoreSaysSoAndShowsNoDialog) {
    Start();
    frame->Action(res::ID_RESTORE_SETTINGS)->trigger();
    ASSERT_EQ(prompts.calls.size(), 1u);
    EXPECT_EQ(prompts.calls[0].text, res::String(61362));
    EXPECT_EQ(prompts.calls[0].caption, res::String(61361));
}

// Export writes what the window holds; importing it into another printer's window marks those
// values as the user's edits, and the next apply sends them.
TEST_F(SettingsFilesTest, ExportThenImportCarriesTheSettingsToAnotherPrinter) {
    Start();
    ToggleSwitchOnPage();
    const ValueMap shown = doc->CurrentValues();
    chosenPath = tmp_ + "/settings.json";
    frame->Action(res::ID_EXPORT_SETTINGS)->trigger();
    ASSERT_TRUE(prompts.calls.empty()) << prompts.calls[0].text;
    snapshot::Snapshot exported;
    std::string error;
    ASSERT_TRUE(snapshot::Load(*chosenPath, exported, error)) << error;
    EXPECT_EQ(exported.settings, shown);
    EXPECT_EQ(exported.port, "USB001");
    EXPECT_EQ(exported.serial, "T90V000001");

    // A fresh window on the printer, which still holds the old value.
    frame.reset();
    doc.reset();
    Start();
    ASSERT_EQ(doc->ReadValue(switchName), Other(shown.at(switchName)));
    ASSERT_FALSE(doc->IsModified());
    ShowSetupPage();
    const bool checkedBefore = Page()->sw->isChecked();
    frame->Action(res::ID_IMPORT_SETTINGS)->trigger();
    EXPECT_EQ(chosen.back(), FileUse::Import);
    ASSERT_EQ(prompts.calls.size(), 1u);
    EXPECT_EQ(prompts.calls[0].caption, res::String(61370));
    EXPECT_EQ(prompts.calls[0].text, res::Format(61371, std::to_string(shown.size())));
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(doc->CurrentValues(), shown);
    ASSERT_NE(Page(), nullptr);  // the page shows the imported value
    EXPECT_EQ(Page()->sw->isChecked(), !checkedBefore);
    frame->Action(ID_APPLY)->trigger();
    EXPECT_EQ(PrinterValue(switchName), shown.at(switchName));
}

// Files that change nothing: the message names the problem, the window keeps its values.
struct BadImport {
    const char* name;
    std::function<std::string(const ValueMap&, const std::string& path)> write;  // returns "" or the setting named
    int text;
};

void PrintTo(const BadImport& bad, std::ostream* os) { *os << bad.name; }

class BadImportTest : public SettingsFilesTest, public ::testing::WithParamInterface<BadImport> {};

TEST_P(BadImportTest, ChangesNothing) {
    Start();
    const ValueMap shown = doc->CurrentValues();
    chosenPath = tmp_ + "/import.json";
    const std::string named = GetParam().write(shown, *chosenPath);
    frame->Action(res::ID_IMPORT_SETTINGS)->trigger();
    ASSERT_EQ(prompts.calls.size(), 1u);
    EXPECT_EQ(prompts.calls[0].style, unsigned(msgbox::kIconError));
    EXPECT_EQ(prompts.calls[0].text.rfind(res::Format(GetParam().text, named.empty() ? *chosenPath : named), 0), 0u)
        << prompts.calls[0].text;
    EXPECT_EQ(doc->CurrentValues(), shown);
    EXPECT_FALSE(doc->IsModified());
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadImportTest,
    ::testing::Values(
        BadImport{"UnknownName",
                  [](const ValueMap& shown, const std::string& path) {
                      ValueMap v = shown;
                      v["NO SUCH SETTING"] = "ON";
                      snapshot::Snapshot s;
                      s.settings = v;
                      testsupport::WriteFileBytes(path, snapshot::ToJson(s));
                      return std::string("NO SUCH SETTING");
                  },
                  61369},
        BadImport{"ValueNoPageTakes",
                  [](const ValueMap& shown, const std::string& path) {
                      ValueMap v = shown;
                      const std::string name = v.begin()->first;
                      v[name] = "NOT A VALUE";
                      snapshot::Snapshot s;
                      s.settings = v;
                      testsupport::WriteFileBytes(path, snapshot::ToJson(s));
                      return name + ":NOT A VALUE";
                  },
                  61369},
        BadImport{"NotJson",
                  [](const ValueMap&, const std::string& path) {
                      testsupport::WriteFileBytes(path, "{\"format\": 1, \"settings\": ");
                      return std::string();
                  },
                  61366},
        BadImport{"Missing", [](const ValueMap&, const std::string&) { return std::string(); }, 61366}),
    [](const ::testing::TestParamInfo<BadImport>& info) { return std::string(info.param.name); });

TEST_F(SettingsFilesTest, AnotherModelsFileIsImportedOnlyWhenTheUserAgrees) {
    Start();
    const ValueMap shown = doc->CurrentValues();
    ValueMap changed = shown;
    changed[switchName] = Other(shown.at(switchName));
    chosenPath = tmp_ + "/other.json";
    WriteSettingsFile(*chosenPath, changed, "Altrin Pressline T70");
    prompts.answers = {msgbox::kIdNo};
    frame->Action(res::ID_IMPORT_SETTINGS)->trigger();
    ASSERT_EQ(prompts.calls.size(), 1u);
    EXPECT_EQ(prompts.calls[0].text, res::Format(61368, "Altrin Pressline T70"));
    EXPECT_EQ(doc->CurrentValues(), shown);
    EXPECT_FALSE(doc->IsModified());
    prompts.answers = {msgbox::kIdYes};
    frame->Action(res::ID_IMPORT_SETTINGS)->trigger();
    EXPECT_EQ(doc->CurrentValues(), changed);
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(SettingsFilesTest, AnExportThatCannotBeWrittenNamesTheFile) {
    Start();
    chosenPath = tmp_ + "/no-such-folder/settings.json";
    frame->Action(res::ID_EXPORT_SETTINGS)->trigger();
    ASSERT_EQ(prompts.calls.size(), 1u);
    EXPECT_EQ(prompts.calls[0].caption, res::String(61363));
    EXPECT_EQ(prompts.calls[0].text.rfind(res::Format(61364, *chosenPath), 0), 0u) << prompts.calls[0].text;
    EXPECT_FALSE(std::filesystem::exists(*chosenPath));
}

}  // namespace
