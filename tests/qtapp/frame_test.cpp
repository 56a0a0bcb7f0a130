// The main frame: the tree from the configuration, page switching, apply, save as command file,
// the ways out, the one-way save item and F6; against the virtual printer.
// The link's private header names a member "slots", which Qt defines as a macro: it comes first.
#include "sim_fixture.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QMenuBar>
#include <QPointer>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTreeWidget>
#include <filesystem>

#include "qtapp/about_dlg.h"
#include "qtapp/main_frame.h"
#include "qtapp/nav_tree.h"
#include "gui_fakes.h"
#include "gui_support.h"
#include "document/printer_doc.h"
#include "config/profile.h"
#include "strings/string_table.h"
#include "test_page.h"

namespace {

using guitest::ClickBox;
using guitest::FakePrompts;

constexpr int kTestPageView = 6;

const char* const kPartTree =
    "[TreeRoot]\nNumChildren=6\nChildren=NPaper,NFinish,NSetup,NPcl,NPs,NPorts\n"
    "[NPaper]\nStringId=61214\nViewId=1\nNumChildren=3\nChildren=NCustom,NTexture,NWeight\n"
    "[NCustom]\nStringId=61219\nViewId=2\n[NTexture]\nStringId=61215\nViewId=3\n"
    "[NWeight]\nStringId=61217\nViewId=4\n"
    "[NFinish]\nStringId=61225\nViewId=5\n"
    "[NSetup]\nStringId=61224\nViewId=6\n"
    "[NPcl]\nStringId=61221\nViewId=7\nNumChildren=1\nChildren=NRenum\n[NRenum]\nStringId=61222\nViewId=8\n"
    "[NPs]\nStringId=61223\nViewId=9\n"
    "[NPorts]\nStringId=61211\nNumChildren=2\nChildren=NPar,NUsb\n"
    "[NPar]\nStringId=61212\nViewId=10\n[NUsb]\nStringId=61213\nViewId=11\n";

class FrameTest : public testsupport::SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        RegisterPage(kTestPageView, [](CPrinterDoc* d, QWidget* p) -> CSettingsView* { return new guitest::TestPage(d, p); });
        printer = &sim_->addUsbPrinter(1, "T90V000001");
        sim_->setInstalledPrinters({{"Altrin Pressline T90", "Altrin Pressline T90", "USB001"}});
    }
    void TearDown() override {
        guitest::Descriptors().sw = savedSwitch;
        frame.reset();
        doc.reset();
        SimFixture::TearDown();
    }
    // A running program: the document with the values read from the virtual printer (or the
    // given ones), the frame with the given tree.
    void Start(int status = NPA_OK, const char* tree = kPartTree, ValueMap values = {}) {
        if (values.empty() && status == NPA_OK) {
            ASSERT_EQ(NpaReadAllSettings("USB001", values), NPA_OK);
        }
        doc = std::make_unique<CPrinterDoc>();
        frame = std::make_unique<CMainFrame>(doc.get(), prompts);
        doc->SetFrame(frame.get());
        ASSERT_TRUE(doc->OnNewDocument({"USB001 - T90", "USB001", values, status}));
        // The test page's switch is a real setting of the printer, so that applying it works.
        guitest::Descriptors().sw = doc->m_ResRed;
        switchName = config::KeyName(doc->m_ResRed.entry[0]);
        ASSERT_TRUE(frame->Create("USB001 - T90", Profile::Parse(tree)));
        frame->show();
        prompts.calls.clear();
        printer->clearWire();
    }
    QTreeWidgetItem* Node(const QString& text) {
        auto found = frame->Tree()->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.first();
    }
    void Select(QTreeWidgetItem* item) {
        QTreeWidget* tree = frame->Tree();
        tree->scrollToItem(item);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
    }
    guitest::TestPage* TestPageShown() { return dynamic_cast<guitest::TestPage*>(frame->Page()); }
    // A change a user makes on the test page (the "설정" node).
    void ChangeSomething() {
        Select(Node("설정"));
        ASSERT_NE(TestPageShown(), nullptr);
        ClickBox(TestPageShown()->sw);
        ASSERT_TRUE(doc->IsModified());
    }
    size_t SettingWrites() { return Only(printer->receivedPackets(), testsupport::IsSettingWrite).size(); }

    FakePrompts prompts;
    config::SwitchDescriptor savedSwitch = guitest::Descriptors().sw;
    std::string switchName;
    sim::VirtualPrinter* printer = nullptr;
    std::unique_ptr<CPrinterDoc> doc;
    std::unique_ptr<CMainFrame> frame;
};

TEST_F(FrameTest, TreeFollowsTheConfiguration) {
    Start(NPA_OK, kPartTree, {{"A", "1"}});
    QTreeWidget* tree = frame->Tree();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* root = tree->topLevelItem(0);
    EXPECT_EQ(root->text(0), QString("USB001 - T90"));
    EXPECT_TRUE(root->isExpanded());
    EXPECT_EQ(CPrinterMopView::ViewIdOf(root), 0);
    QStringList top;
    for (int i = 0; i < root->childCount(); ++i) top << root->child(i)->text(0);
    EXPECT_EQ(top, (QStringList{"용지", "마무리", "설정", "PCL 에뮬레이션", "포스트스크립트", "포트"}));
    EXPECT_EQ(root->child(0)->childCount(), 3);
    EXPECT_EQ(CPrinterMopView::ViewIdOf(root->child(0)->child(2)), 4);
    EXPECT_EQ(CPrinterMopView::ViewIdOf(root->child(5)), 0);
    EXPECT_EQ(CPrinterMopView::ViewIdOf(root->child(5)->child(1)), 11);
}

TEST_F(FrameTest, TreeStaysWithinTheConfigurationsBounds) {
    // No children, a missing StringId, more than ten children, and counts beyond the lists.
    Start(NPA_OK, "[TreeRoot]\nNumChildren=0\nChildren=N1\n[N1]\nStringId=61214\n", {{"A", "1"}});
    EXPECT_EQ(frame->Tree()->topLevelItem(0)->childCount(), 0);
    EXPECT_TRUE(frame->Tree()->topLevelItem(0)->isExpanded());
    frame->close();

    Start(NPA_OK,
          "[TreeRoot]\nNumChildren=5\nChildren=N1,N2\n"
          "[N1]\nViewId=6\nNumChildren=12\nChildren=C,C,C,C,C,C,C,C,C,C,C,C\n"
          "[N2]\nStringId=61224\nNumChildren=4\nChildren=C\n[C]\nStringId=61213\n",
          {{"A", "1"}});
    QTreeWidgetItem* root = frame->Tree()->topLevelItem(0);
    ASSERT_EQ(root->childCount(), 2);
    EXPECT_EQ(root->child(0)->text(0), QString());  // no StringId: an empty caption
    EXPECT_EQ(root->child(0)->childCount(), 10);
    EXPECT_EQ(root->child(1)->childCount(), 1);
}

TEST_F(FrameTest, SelectingNodesReplacesThePageAndComingBackShowsCurrentValues) {
    Start();
    QPointer<CSettingsView> empty = frame->Page();
    Select(Node("설정"));
    ASSERT_NE(TestPageShown(), nullptr);
    EXPECT_TRUE(empty.isNull());  // the old page is gone, the document lives on
    EXPECT_EQ(frame->Splitter()->sizes().at(0), 150);
    const bool wasChecked = TestPageShown()->sw->isChecked();
    ClickBox(TestPageShown()->sw);
    ASSERT_EQ(doc->ReadValue(switchName), wasChecked ? "OFF" : "ON");

    QPointer<CSettingsView> setup = frame->Page();
    Select(Node("포트"));  // view id 0: the empty page
    EXPECT_TRUE(setup.isNull());
    EXPECT_EQ(frame->Page()->TemplateId(), 101);
    Select(frame->Tree()->topLevelItem(0));
    EXPECT_EQ(frame->Page()->TemplateId(), 101);
    Select(Node("설정"));
    ASSERT_NE(TestPageShown(), nullptr);
    EXPECT_EQ(TestPageShown()->sw->isChecked(), !wasChecked);
    EXPECT_EQ(TestPageShown()->title->toPlainText(), QString::fromStdString(res::String(61299)));
}

TEST_F(FrameTest, ApplyInTwoWayModeSendsEverythingAndClearsTheFlag) {
    Start();
    frame->Action(ID_APPLY)->trigger();  // nothing changed: still sent
    EXPECT_EQ(SettingWrites(), doc->CurrentValues().size());
    EXPECT_TRUE(prompts.calls.empty());
    ChangeSomething();
    printer->clearWire();
    frame->Action(ID_APPLY)->trigger();
    EXPECT_FALSE(doc->IsModified());
    EXPECT_GT(SettingWrites(), 0u);
    EXPECT_EQ(frame->MessagePane()->text(), QString::fromStdString(res::String(57345)));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // The status bar confirms the apply over the ready text.
    EXPECT_EQ(frame->statusBar()->currentMessage(),
              QString::fromStdString(res::Format(61400, std::to_string(doc->LastWriteCount()))));
}

TEST_F(FrameTest, ApplyInOneWayModeWithoutChangesSendsNothing) {
    ValueMap values;
    ASSERT_EQ(NpaReadAllSettings("USB001", values), NPA_OK);
    Start(NPA_ONEWAY, kPartTree, values);
    doc->SetModifiedFlag(true);
    frame->Action(ID_APPLY)->trigger();
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(SettingWrites(), 0u);
    EXPECT_TRUE(prompts.calls.empty());
    EXPECT_TRUE(frame->statusBar()->currentMessage().isEmpty());  // nothing sent, nothing confirmed
}

TEST_F(FrameTest, FailedApplyKeepsTheEditsAndAFailedApplyAtExitKeepsTheWindowOpen) {
    Start();
    ChangeSomething();
    const std::string edited = doc->ReadValue(switchName);
    const bool checked = TestPageShown()->sw->isChecked();
    printer->disconnect();
    frame->Action(ID_APPLY)->trigger();
    ASSERT_EQ(prompts.calls.size(), 1u);
    EXPECT_EQ(prompts.calls[0].text, res::String(61245));
    EXPECT_EQ(prompts.calls[0].caption, res::String(61244));
    EXPECT_EQ(prompts.calls[0].style, unsigned(msgbox::kIconError));
    EXPECT_EQ(prompts.calls[0].owner, nullptr);
    EXPECT_TRUE(doc->IsModified());

    // Leaving: Yes applies again and fails again, the box is owned by the main window this time,
    // and the window stays with the edits, the printer link still in use.
    prompts.calls.clear();
    prompts.answers = {msgbox::kIdYes};
    sim_->clearLog();
    frame->Action(res::ID_APP_EXIT)->trigger();
    ASSERT_EQ(prompts.calls.size(), 2u);
    EXPECT_EQ(prompts.calls[0].text, res::String(61243));
    EXPECT_EQ(prompts.calls[0].caption, res::String(61242));
    EXPECT_EQ(prompts.calls[0].style, unsigned(msgbox::kYesNo | msgbox::kIconQuestion));
    EXPECT_EQ(prompts.calls[0].owner, frame.get());
    EXPECT_EQ(prompts.calls[1].text, res::String(61245));
    EXPECT_EQ(prompts.calls[1].caption, res::String(61244));
    EXPECT_EQ(prompts.calls[1].owner, frame.get());
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(doc->ReadValue(switchName), edited);
    ASSERT_NE(TestPageShown(), nullptr);
    EXPECT_EQ(TestPageShown()->sw->isChecked(), checked);
    EXPECT_FALSE(LinkShutDown());

    // The close box next: the question comes again; No leaves without sending anything.
    printer->reconnect();
    printer->clearWire();
    prompts.calls.clear();
    prompts.answers = {msgbox::kIdNo};
    frame->close();
    ASSERT_EQ(prompts.calls.size(), 1u);
    EXPECT_EQ(prompts.calls[0].text, res::String(61243));
    EXPECT_FALSE(frame->isVisible());
    EXPECT_EQ(SettingWrites(), 0u);
    EXPECT_TRUE(LinkShutDown());
}

// What the user is told after an apply whose outcome is neither plain success nor a plain
// failure, and whether the window still counts the edits as unapplied.
struct ApplyOutcome {
    const char* name;
    void (*arrange)(sim::VirtualPrinter& printer);  // before the start-up read
    const char* storedToken;                         // after the edit, stored for the test switch
    int caption, text;
    const char* names;  // in place of the text's %s; nullptr: the text as it is
    unsigned style;
    bool staysModified;
    bool settingsSent;
};

class ApplyOutcomeTest : public FrameTest, public ::testing::WithParamInterface<ApplyOutcome> {};

TEST_P(ApplyOutcomeTest, IsReportedAndKeepsTheEditsUnappliedOnlyOnFailure) {
    const ApplyOutcome& o = GetParam();
    if (o.arrange) o.arrange(*printer);
    Start();
    ASSERT_EQ(switchName, "RESREDUCTION");
    ChangeSomething();
    if (o.storedToken) doc->StoreValue(switchName, o.storedToken);
    printer->clearWire();
    frame->Action(ID_APPLY)->trigger();
    ASSERT_EQ(prompts.calls.size(), 1u);
    EXPECT_EQ(prompts.calls[0].caption, res::String(o.caption));
    EXPECT_EQ(prompts.calls[0].text, o.names ? res::Format(o.text, o.names) : res::String(o.text));
    EXPECT_EQ(prompts.calls[0].style, o.style);
    EXPECT_EQ(prompts.calls[0].owner, nullptr);
    EXPECT_EQ(doc->IsModified(), o.staysModified);
    EXPECT_EQ(SettingWrites() > 0, o.settingsSent);
    EXPECT_EQ(frame->MessagePane()->text(), QString::fromStdString(res::String(57345)));
}

INSTANTIATE_TEST_SUITE_P(
    FrameTest, ApplyOutcomeTest,
    ::testing::Values(
        // The printer takes the settings but stays offline.
        ApplyOutcome{"PrinterStaysOffline",
                     [](sim::VirtualPrinter& p) {
                         SlcTimingTable().responseWaitMs = 100;
                         sim::Faults f;
                         f.ignoreOnline = true;
                         p.setFaults(f);
                     },
                     nullptr, 61333, 61334, nullptr, msgbox::kIconError, true, true},
        // The printer acknowledges the switch's write but does not keep it.
        ApplyOutcome{"SettingDoesNotTake",
                     [](sim::VirtualPrinter& p) {
                         sim::Faults f;
                         f.ignoredWriteIds = {0x0309};
                         p.setFaults(f);
                     },
                     nullptr, 61335, 61336, "RESREDUCTION", msgbox::kIconError, true, true},
        // A value with no packet: nothing at all goes to the printer.
        ApplyOutcome{"ValueCannotBeSent", nullptr, "SOMETIMES", 61337, 61338, "RESREDUCTION", msgbox::kIconError, true,
                     false},
        // The printer holds a value the configuration does not know: left alone, and said so.
        ApplyOutcome{"UnknownValueLeftAlone", [](sim::VirtualPrinter& p) { p.setValue(0x0202, {0x02}); }, nullptr,
                     61339, 61340, "PQET", msgbox::kIconInformation, false, true}),
    [](const ::testing::TestParamInfo<ApplyOutcome>& info) { return std::string(info.param.name); });

// The settings before an apply cannot be kept: nothing is sent, and the message names the folder.
TEST_F(FrameTest, ApplyWhoseSnapshotCannotBeWrittenSendsNothing) {
    Start();
    ChangeSomething();
    doc->m_snapshotRoot = "/dev/null/snapshots";
    printer->clearWire();
    frame->Action(ID_APPLY)->trigger();
    ASSERT_EQ(prompts.calls.size(), 1u);
    EXPECT_EQ(prompts.calls[0].caption, res::String(61390));
    EXPECT_EQ(prompts.calls[0].text, res::Format(61391, "/dev/null/snapshots"));
    EXPECT_EQ(SettingWrites(), 0u);
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(FrameTest, ExitWithChangesYesAppliesAndNoDiscards) {
    Start();
    ChangeSomething();
    printer->clearWire();
    prompts.answers = {msgbox::kIdNo};
    sim_->clearLog();
    frame->close();  // the close box
    ASSERT_EQ(prompts.calls.size(), 1u);
    EXPECT_EQ(SettingWrites(), 0u);
    EXPECT_TRUE(LinkShutDown());
    frame->close();  // a second close asks nothing more
    EXPECT_EQ(prompts.calls.size(), 1u);

    // A second run of the program: the tables of the first were released for good at its end.
    NpaResetForTesting();
    Start();
    ChangeSomething();
    printer->clearWire();
    prompts.answers = {msgbox::kIdYes};
    sim_->clearLog();
    frame->close();
    ASSERT_EQ(prompts.calls.size(), 1u);
    EXPECT_GT(SettingWrites(), 0u);
    EXPECT_TRUE(LinkShutDown());
}

TEST_F(FrameTest, ExitWithoutChangesAsksNothingAndStillShutsTheLinkDown) {
    Start();
    sim_->clearLog();
    frame->Action(res::ID_APP_EXIT)->trigger();
    EXPECT_TRUE(prompts.calls.empty());
    EXPECT_FALSE(frame->isVisible());
    EXPECT_TRUE(LinkShutDown());
}

TEST_F(FrameTest, SaveCommandFileWritesTheChosenFileOrNamesItInTheFailure) {
    Start();
    ChangeSomething();
    prompts.savePath.reset();  // cancelled
    frame->Action(ID_FILE_SAVE_COMMAND)->trigger();
    EXPECT_EQ(prompts.saveAsked, 1);
    EXPECT_TRUE(prompts.calls.empty());

    const std::string path = tmp_ + "/settings.npa";
    prompts.savePath = path;
    frame->Action(ID_FILE_SAVE_COMMAND)->trigger();
    EXPECT_TRUE(prompts.calls.empty());
    EXPECT_GT(std::filesystem::file_size(path), 0u);
    EXPECT_TRUE(doc->IsModified());  // a save is not an apply

    const std::string bad = tmp_ + "/missing/folder/settings.npa";
    prompts.savePath = bad;
    frame->Action(ID_FILE_SAVE_COMMAND)->trigger();
    ASSERT_EQ(prompts.calls.size(), 1u);
    // The path, and under it the system's reason.
    std::string expected = res::String(61290);
    expected.replace(expected.find("%s"), 2, bad);
    EXPECT_EQ(prompts.calls[0].text.rfind(expected + "\n\n", 0), 0u) << prompts.calls[0].text;
    EXPECT_NE(prompts.calls[0].text.find("does not exist"), std::string::npos) << prompts.calls[0].text;
    EXPECT_EQ(prompts.calls[0].caption, res::String(61289));
    EXPECT_EQ(frame->MessagePane()->text(), QString::fromStdString(res::String(57345)));
}

TEST_F(FrameTest, OneWaySaveItemIsGreyUntilTheFirstChangeAndCtrlSFollowsIt) {
    ValueMap values;
    ASSERT_EQ(NpaReadAllSettings("USB001", values), NPA_OK);
    Start(NPA_ONEWAY, kPartTree, values);
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    QAction* save = frame->Action(ID_FILE_SAVE_COMMAND);
    EXPECT_FALSE(save->isEnabled());
    prompts.savePath = tmp_ + "/oneway.npa";
    QTest::keyClick(frame.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(prompts.saveAsked, 0);
    Select(Node("마무리"));  // another page does not grey it again, nor enable it
    EXPECT_FALSE(save->isEnabled());
    ChangeSomething();
    EXPECT_TRUE(save->isEnabled());
    QTest::keyClick(frame.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(prompts.saveAsked, 1);
    EXPECT_TRUE(std::filesystem::exists(tmp_ + "/oneway.npa"));
}

TEST_F(FrameTest, F6MovesTheFocusBetweenTreeAndPage) {
    Start();
    Select(Node("설정"));
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    frame->Tree()->setFocus();
    ASSERT_FALSE(frame->testAttribute(Qt::WA_KeyboardFocusChange));
    QTest::keyClick(frame.get(), Qt::Key_F6);
    EXPECT_TRUE(frame->Page()->isAncestorOf(QApplication::focusWidget()));
    // A move by key: the control that has the focus now draws its focus frame.
    EXPECT_TRUE(frame->testAttribute(Qt::WA_KeyboardFocusChange));
    QTest::keyClick(frame.get(), Qt::Key_F6);
    EXPECT_EQ(QApplication::focusWidget(), frame->Tree());
    QTest::keyClick(frame.get(), Qt::Key_F6, Qt::ShiftModifier);
    EXPECT_TRUE(frame->Page()->isAncestorOf(QApplication::focusWidget()));
    QTest::keyClick(frame.get(), Qt::Key_F6, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), frame->Tree());
    // The empty page takes the focus itself.
    Select(frame->Tree()->topLevelItem(0));
    frame->Tree()->setFocus();
    QTest::keyClick(frame.get(), Qt::Key_F6);
    EXPECT_EQ(QApplication::focusWidget(), frame->Page());
}

TEST_F(FrameTest, MenuTextsShortcutAndHelp) {
    Start();
    EXPECT_EQ(frame->frameGeometry().size(), QSize(680, 450));
    EXPECT_EQ(frame->Tree()->width(), 150);
    // The message pane and the wait cursor the document uses while it writes.
    frame->setStatusText(res::String(61304));
    EXPECT_EQ(frame->statusText(), res::String(61304));
    frame->setWaitCursor(true);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    frame->setWaitCursor(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    QList<QAction*> bar = frame->menuBar()->actions();
    ASSERT_EQ(bar.size(), 3);
    EXPECT_EQ(bar[0]->text(), QString("파일(&F)"));
    EXPECT_EQ(bar[1]->text(), QString("적용(&A)"));
    EXPECT_EQ(bar[2]->text(), QString("버전 정보(&B)"));
    QAction* save = frame->Action(ID_FILE_SAVE_COMMAND);
    EXPECT_EQ(save->text(), QString("코멘드 파일로 저장(&S)"));
    EXPECT_EQ(save->shortcut(), QKeySequence("Ctrl+S"));
    EXPECT_EQ(save->statusTip(), QString::fromStdString(res::String(32772)));
    EXPECT_EQ(frame->Action(57665)->statusTip(), QString("응용프로그램 중지; 설정 적용 표시"));
    bool aboutShown = false;
    frame->SetAboutHandler([&] { aboutShown = true; });
    frame->Action(57664)->trigger();
    EXPECT_TRUE(aboutShown);
}

// A page of the normal height (231 units) fits the right pane of the window at its first size:
// no scroll bars and nothing cut off. Forms measured with the wider stand-in font came out a
// sixth too large and scrolled both ways.
TEST_F(FrameTest, NormalPagesFitThePaneOfTheFirstWindowSize) {
    Start();
    for (QTreeWidgetItem* node : {frame->Tree()->topLevelItem(0), Node("설정")}) {
        Select(node);
        CSettingsView* page = frame->Page();
        ASSERT_NE(page, nullptr);
        QApplication::processEvents();
        EXPECT_LE(page->Form()->width(), page->viewport()->width()) << node->text(0).toStdString();
        EXPECT_LE(page->Form()->height(), page->viewport()->height()) << node->text(0).toStdString();
        EXPECT_FALSE(page->horizontalScrollBar()->isVisible()) << node->text(0).toStdString();
        EXPECT_FALSE(page->verticalScrollBar()->isVisible()) << node->text(0).toStdString();
    }
}

// The tree always marks the node whose page is shown: clicking below the last node or
// Ctrl+clicking the selected one does not leave it unselected, and keys move the selection
// together with the page.
TEST_F(FrameTest, TreeKeepsTheShownNodeSelected) {
    Start();
    QTreeWidget* tree = frame->Tree();
    QTreeWidgetItem* setup = Node("설정");
    Select(setup);
    ASSERT_NE(TestPageShown(), nullptr);
    const QRect last = tree->visualItemRect(Node("포트"));
    ASSERT_LT(last.bottom() + 20, tree->viewport()->height());
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(last.center().x(), last.bottom() + 15));
    EXPECT_EQ(tree->selectedItems(), QList<QTreeWidgetItem*>{setup});
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::ControlModifier, tree->visualItemRect(setup).center());
    EXPECT_EQ(tree->selectedItems(), QList<QTreeWidgetItem*>{setup});
    EXPECT_NE(TestPageShown(), nullptr);
    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_Up, Qt::ControlModifier);
    ASSERT_EQ(tree->selectedItems().size(), 1);
    EXPECT_EQ(tree->selectedItems().first(), tree->currentItem());
}

// A name field says in the main window's status bar which characters it left out (the printer's
// code page lacks them); the next status text takes their place.
TEST_F(FrameTest, ANameFieldNamesTheCharactersItLeftOutInTheStatusBar) {
    Start();
    ASSERT_TRUE(frame->replaceView(2));
    auto* name = qobject_cast<QLineEdit*>(frame->Page()->Control(1154));
    ASSERT_NE(name, nullptr);
    name->setFocus();
    name->selectAll();
    name->insert(QString::fromUtf8("Café 😀 Zoë"));
    EXPECT_EQ(name->text(), QString::fromUtf8("Caf  Zo"));
    EXPECT_EQ(frame->statusBar()->currentMessage().toStdString(), res::Format(61394, "é, 😀, ë"));
    EXPECT_FALSE(frame->MessagePane()->isVisible()) << "the message shows beside the idle text";
    frame->setStatusText(res::String(57345));
    EXPECT_TRUE(frame->statusBar()->currentMessage().isEmpty());
    EXPECT_TRUE(frame->MessagePane()->isVisible());
}

}  // namespace
