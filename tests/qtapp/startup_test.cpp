// The start-up: discovery, the choice of printer, the read behind the wait dialog, and every
// way it ends before the main window; against the simulated platform and the virtual printer.
// The link's private header names a member "slots", which Qt defines as a macro: it comes first.
#include "sim_fixture.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QTextEdit>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <atomic>
#include <filesystem>

#include "qtapp/about_dlg.h"
#include "qtapp/main_frame.h"
#include "qtapp/printer_app.h"
#include "qtapp/nav_tree.h"
#include "qtapp/printer_query_dlg.h"
#include "qtapp/select_printer_dlg.h"
#include "gui_fakes.h"
#include "gui_support.h"
#include "document/printer_doc.h"
#include "config/profile.h"
#include "qtui/settings_view.h"
#include "strings/string_table.h"

namespace {

using guitest::FakePrompts;
using guitest::ModalAnswer;
using guitest::WaitUntil;

const platform::InstalledPrinter kUsbPrinter{"Altrin Pressline T90", "Altrin Pressline T90", "USB001"};
const platform::InstalledPrinter kLptPrinter{"A", "ALTRIN PRESSLINE T90", "LPT1:"};

class StartupTest : public testsupport::SimFixture {
protected:
    std::unique_ptr<CPrinterApp> MakeApp() {
        auto app = std::make_unique<CPrinterApp>(prompts);
        return app;
    }
    static std::string Text(int id) { return res::String(id); }
    FakePrompts prompts;
};

TEST_F(StartupTest, NoPrinterEndsWithItsMessageAndNoWindow) {
    sim_->setInstalledPrinters({{"File", "Altrin Pressline T90", "FILE:"}});
    auto app = MakeApp();
    EXPECT_FALSE(app->InitInstance());
    ASSERT_EQ(prompts.calls.size(), 1u);
    EXPECT_EQ(prompts.calls[0].text, Text(61205));
    EXPECT_EQ(prompts.calls[0].caption, Text(61206));
    EXPECT_EQ(prompts.calls[0].style, unsigned(msgbox::kIconError | msgbox::kSetForeground));
    EXPECT_EQ(prompts.calls[0].owner, nullptr);
    // Under it, what to check and how to try the program without a printer.
    EXPECT_EQ(prompts.calls[0].detail, Text(61401));
    EXPECT_NE(prompts.calls[0].detail.find("devpanel --virtual"), std::string::npos);
    EXPECT_NE(prompts.calls[0].detail.find("devpanel-cli doctor"), std::string::npos);
    EXPECT_EQ(app->MainFrame(), nullptr);
}

// A configuration that cannot be used is named as such, before discovery or a read could make
// it look like a missing or silent printer; the program then ends.
TEST_F(StartupTest, ConfigurationThatCannotBeUsedIsReportedFirstAndEndsTheProgram) {
    const std::string problem = "devPanel.ini: the section [NPA READ SETTING] is missing.";
    for (bool printerInstalled : {false, true}) {
        SCOPED_TRACE(printerInstalled ? "printer installed" : "no printer");
        sim_->setInstalledPrinters(printerInstalled ? std::vector<platform::InstalledPrinter>{kUsbPrinter}
                                                    : std::vector<platform::InstalledPrinter>{});
        prompts.calls.clear();
        auto app = MakeApp();
        bool discovered = false, read = false;
        app->m_discover = [&discovered, real = app->m_discover] {
            discovered = true;
            return real();
        };
        app->m_reader = [&read](const std::string&, ValueMap&, NpaRawValues&) {
            read = true;
            return NPA_ERR_OPEN;
        };
        app->m_configProblem = [problem] { return problem; };
        EXPECT_FALSE(app->InitInstance());
        ASSERT_EQ(prompts.calls.size(), 1u);
        EXPECT_EQ(prompts.calls[0].caption, Text(61343));
        EXPECT_EQ(prompts.calls[0].text, res::Format(61344, ConfigPath()) + "\n\n" + problem);
        EXPECT_EQ(prompts.calls[0].style, unsigned(msgbox::kIconError | msgbox::kSetForeground));
        EXPECT_EQ(prompts.calls[0].owner, nullptr);
        EXPECT_FALSE(discovered);
        EXPECT_FALSE(read);
        EXPECT_EQ(app->MainFrame(), nullptr);
    }
}

// The real check at start-up: a configuration file that is not there is named in the message.
TEST_F(StartupTest, MissingConfigurationFileIsNamedAtStartUp) {
    sim_->setInstalledPrinters({kUsbPrinter});
    const std::string missing = tmp_ + "/nowhere/devPanel.ini";
    SetConfigPath(missing);
    auto app = MakeApp();
    EXPECT_FALSE(app->InitInstance());
    ASSERT_EQ(prompts.calls.size(), 1u);
    EXPECT_EQ(prompts.calls[0].caption, Text(61343));
    EXPECT_EQ(prompts.calls[0].text.rfind(res::Format(61344, missing) + "\n\n", 0), 0u);
    EXPECT_EQ(app->MainFrame(), nullptr);
}

// --virtual with a state file the virtual printer cannot keep: the user is told why and the
// file is left as it was, instead of being replaced by the defaults.
TEST_F(StartupTest, VirtualPrinterStateFileThatCannotBeUsedIsReportedAndKeptAsItIs) {
    const std::string folderInstead = tmp_ + "/folder.state";
    std::filesystem::create_directories(folderInstead);
    const std::string readOnly = tmp_ + "/read-only.state";
    testsupport::WriteFileBytes(readOnly, "0309 01\n");
    std::filesystem::permissions(readOnly, std::filesystem::perms::owner_read);
    for (const std::string& state : {folderInstead, readOnly}) {
        SCOPED_TRACE(state);
        prompts.calls.clear();
        EXPECT_EQ(StartVirtualPrinter(state, prompts), nullptr);
        ASSERT_EQ(prompts.calls.size(), 1u);
        EXPECT_EQ(prompts.calls[0].caption, Text(61345));
        const std::string head = res::Format(61346, state) + "\n\n";
        ASSERT_GT(prompts.calls[0].text.size(), head.size());  // the reason follows
        EXPECT_EQ(prompts.calls[0].text.substr(0, head.size()), head);
        EXPECT_EQ(prompts.calls[0].style, unsigned(msgbox::kIconError | msgbox::kSetForeground));
    }
    EXPECT_TRUE(std::filesystem::is_directory(folderInstead));
    EXPECT_EQ(testsupport::ReadFileBytes(readOnly), (testsupport::Bytes{'0', '3', '0', '9', ' ', '0', '1', '\n'}));

    // A usable one (its folder made on the way) starts the printer without a word.
    prompts.calls.clear();
    auto setup = StartVirtualPrinter(tmp_ + "/new/virtual.state", prompts);
    sim_->install();  // the fixture's platform again, before the virtual one goes
    EXPECT_NE(setup, nullptr);
    EXPECT_TRUE(prompts.calls.empty());
}

TEST_F(StartupTest, UnreadablePrinterListReportsBothMessages) {
    sim_->setPrinterListUnreadable();
    auto app = MakeApp();
    EXPECT_FALSE(app->InitInstance());
    ASSERT_EQ(prompts.calls.size(), 2u);
    EXPECT_EQ(prompts.calls[0].caption, Text(61210));
    EXPECT_EQ(prompts.calls[0].style, unsigned(msgbox::kIconError));
    EXPECT_EQ(prompts.calls[1].caption, Text(61206));
}

TEST_F(StartupTest, OnePrinterIsReadAndTheMainWindowOpensWithoutAChoice) {
    sim_->addUsbPrinter(1, "T90V000001");
    sim_->setInstalledPrinters({kUsbPrinter});
    auto app = MakeApp();
    bool modalOtherThanQuery = false;
    ModalAnswer answer([&](QWidget* w) {
        if (!qobject_cast<CPrinterQueryDlg*>(w)) {
            modalOtherThanQuery = true;
            w->close();
        }
    });
    ASSERT_TRUE(app->InitInstance());
    EXPECT_FALSE(modalOtherThanQuery);
    EXPECT_TRUE(prompts.calls.empty());
    EXPECT_EQ(app->m_readStatus, NPA_OK);
    EXPECT_FALSE(app->m_readValues.empty());

    CMainFrame* frame = app->MainFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->windowTitle(), QString::fromStdString(Text(57344)));
    EXPECT_FALSE(frame->windowFlags() & Qt::WindowMaximizeButtonHint);
    QTreeWidgetItem* root = frame->Tree()->topLevelItem(0);
    EXPECT_EQ(root->text(0), QString("USB001 - Altrin Pressline T90"));
    EXPECT_TRUE(root->isExpanded());
    EXPECT_EQ(app->Document()->CurrentValues(), app->m_readValues);
    EXPECT_EQ(app->Document()->m_portName, "USB001");
    EXPECT_TRUE(frame->Action(ID_FILE_SAVE_COMMAND)->isEnabled());
    EXPECT_EQ(frame->MessagePane()->text(), QString::fromStdString(Text(57345)));
    EXPECT_EQ(frame->Page()->TemplateId(), 101);
    frame->close();
}

// A printer plugged in without a queue (and no print server at all) is still found, labelled by
// the model its device ID names, and started without a message about the missing list.
TEST_F(StartupTest, PrinterWithoutAQueueIsFoundByItsDeviceId) {
    sim_->addUsbPrinter(1, "T90V000001");
    sim_->setPrinterListUnreadable();
    auto app = MakeApp();
    ASSERT_TRUE(app->InitInstance());
    EXPECT_TRUE(prompts.calls.empty());
    EXPECT_EQ(app->m_printerLabel, "USB001 - Altrin Pressline T90");
    EXPECT_EQ(app->m_portName, "USB001");
    EXPECT_EQ(app->m_readStatus, NPA_OK);
    app->MainFrame()->close();
}

// --port names the printer: no search and no choice, the port is the label.
TEST_F(StartupTest, RequestedPortSkipsDiscoveryAndTheChoice) {
    sim_->addUsbPrinter(1, "T90V000001");
    sim_->setInstalledPrinters({kUsbPrinter, kLptPrinter});
    auto app = MakeApp();
    bool discovered = false;
    app->m_discover = [&discovered] {
        discovered = true;
        return DiscoveryResult{};
    };
    app->m_requestedPort = "USB001";
    ASSERT_TRUE(app->InitInstance());
    EXPECT_FALSE(discovered);
    EXPECT_TRUE(prompts.calls.empty());
    EXPECT_EQ(app->m_portName, "USB001");
    EXPECT_EQ(app->MainFrame()->Tree()->topLevelItem(0)->text(0), QString("USB001"));
    EXPECT_FALSE(app->m_readValues.empty());
    app->MainFrame()->close();
}

TEST_F(StartupTest, SeveralPrintersAreOfferedSortedWithTheFirstChosen) {
    sim_->setInstalledPrinters({kUsbPrinter, kLptPrinter});
    auto app = MakeApp();
    std::string readPort;
    app->m_reader = [&readPort](const std::string& port, ValueMap& values, NpaRawValues&) {
        readPort = port;
        values["X"] = "1";
        return NPA_OK;
    };
    QStringList shown;
    QString caption;
    ModalAnswer answer([&](QWidget* w) {
        auto* dlg = qobject_cast<CSelectPrinterDlg*>(w);
        ASSERT_NE(dlg, nullptr);
        caption = dlg->windowTitle();
        for (int i = 0; i < dlg->List()->count(); ++i) shown << dlg->List()->item(i)->text();
        EXPECT_EQ(dlg->List()->currentRow(), 0);
        EXPECT_FALSE(dlg->windowFlags() & Qt::WindowCloseButtonHint);
        QTest::mouseClick(qobject_cast<QPushButton*>(dlg->Control(1)), Qt::LeftButton);
    });
    ASSERT_TRUE(app->InitInstance());
    EXPECT_EQ(caption, QString("복수 프린터 발견"));
    EXPECT_EQ(shown, (QStringList{"LPT1: - A", "USB001 - Altrin Pressline T90"}));
    EXPECT_EQ(app->m_printerLabel, "LPT1: - A");
    EXPECT_EQ(readPort, "LPT1:");
    EXPECT_EQ(app->MainFrame()->Tree()->topLevelItem(0)->text(0), QString("LPT1: - A"));
    app->MainFrame()->close();
}

TEST_F(StartupTest, ChoosingTheSecondPrinterAndCancellingOrEscaping) {
    sim_->setInstalledPrinters({kUsbPrinter, kLptPrinter});
    {
        auto app = MakeApp();
        std::string readPort;
        app->m_reader = [&readPort](const std::string& port, ValueMap&, NpaRawValues&) {
            readPort = port;
            return NPA_OK;
        };
        ModalAnswer answer([](QWidget* w) {
            auto* dlg = static_cast<CSelectPrinterDlg*>(w);
            QListWidget* list = dlg->List();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
            QTest::keyClick(dlg, Qt::Key_Return);
        });
        ASSERT_TRUE(app->InitInstance());
        EXPECT_EQ(readPort, "USB001");
        app->MainFrame()->close();
    }
    for (bool escape : {false, true}) {
        auto app = MakeApp();
        bool read = false;
        app->m_reader = [&read](const std::string&, ValueMap&, NpaRawValues&) {
            read = true;
            return NPA_OK;
        };
        ModalAnswer answer([escape](QWidget* w) {
            auto* dlg = static_cast<CSelectPrinterDlg*>(w);
            if (escape)
                QTest::keyClick(dlg, Qt::Key_Escape);
            else
                QTest::mouseClick(qobject_cast<QPushButton*>(dlg->Control(2)), Qt::LeftButton);
        });
        EXPECT_FALSE(app->InitInstance());
        EXPECT_FALSE(read);
        EXPECT_TRUE(prompts.calls.empty());  // silently
        EXPECT_EQ(app->MainFrame(), nullptr);
    }
}

// Run by a script (--screenshot, --quit-when-shown), nobody is there to choose: the start-up
// names the printers with the --port of each on stderr and ends, no dialog shown, nothing read.
TEST_F(StartupTest, UnattendedSeveralPrintersAreNamedInsteadOfOffered) {
    sim_->setInstalledPrinters({kUsbPrinter, kLptPrinter});
    auto app = MakeApp();
    app->m_unattended = true;
    bool read = false;
    app->m_reader = [&read](const std::string&, ValueMap&, NpaRawValues&) {
        read = true;
        return NPA_OK;
    };
    bool dialogShown = false;
    ModalAnswer answer([&dialogShown](QWidget* w) {
        dialogShown = true;
        static_cast<QDialog*>(w)->reject();
    });
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(app->InitInstance());
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(dialogShown);
    EXPECT_FALSE(read);
    EXPECT_EQ(err,
              "devpanel: several printers found; name one with --port:\n"
              "  --port LPT1:    LPT1: - A\n"
              "  --port USB001    USB001 - Altrin Pressline T90\n");
    EXPECT_EQ(app->MainFrame(), nullptr);
}

TEST_F(StartupTest, ChoiceWithoutASelectedLabelReportsThatThePortIsNotFound) {
    sim_->setInstalledPrinters({kUsbPrinter, kLptPrinter});
    auto app = MakeApp();
    ModalAnswer answer([](QWidget* w) {
        auto* dlg = static_cast<CSelectPrinterDlg*>(w);
        dlg->List()->clearSelection();
        dlg->accept();
    });
    EXPECT_FALSE(app->InitInstance());
    ASSERT_EQ(prompts.calls.size(), 1u);
    EXPECT_EQ(prompts.calls[0].text, Text(61203));
    EXPECT_EQ(prompts.calls[0].caption, Text(61204));
    EXPECT_EQ(prompts.calls[0].style, unsigned(msgbox::kIconError));
}

TEST_F(StartupTest, ReadFailuresEndWithTheCommunicationMessage) {
    sim_->setInstalledPrinters({kUsbPrinter});
    for (int status : {NPA_ERR_OPEN, NPA_ERR_SEND}) {
        prompts.calls.clear();
        auto app = MakeApp();
        app->m_reader = [status](const std::string&, ValueMap&, NpaRawValues&) { return status; };
        EXPECT_FALSE(app->InitInstance());
        ASSERT_EQ(prompts.calls.size(), 1u);
        EXPECT_EQ(prompts.calls[0].text, Text(61207));
        EXPECT_EQ(prompts.calls[0].caption, Text(61208));
        EXPECT_EQ(prompts.calls[0].owner, nullptr);
        EXPECT_EQ(app->MainFrame(), nullptr);
    }
    // A printer that is switched off, read for real: no USB printer behind USB001. The link is
    // shut down before the program ends.
    prompts.calls.clear();
    sim_->clearLog();
    auto app = MakeApp();
    EXPECT_FALSE(app->InitInstance());
    ASSERT_EQ(prompts.calls.size(), 1u);
    EXPECT_EQ(prompts.calls[0].caption, Text(61208));
    EXPECT_TRUE(LinkShutDown());

    // A printer that takes the request and never answers: the link's wait runs out.
    SlcTimingTable().responseWaitMs = 50;
    sim::Faults silent;
    silent.silent = true;
    sim_->addUsbPrinter(1, "T90V000001").setFaults(silent);
    prompts.calls.clear();
    sim_->clearLog();
    auto silentApp = MakeApp();
    EXPECT_FALSE(silentApp->InitInstance());
    EXPECT_EQ(silentApp->m_readStatus, NPA_ERR_SEND);
    ASSERT_EQ(prompts.calls.size(), 1u);
    EXPECT_EQ(prompts.calls[0].caption, Text(61208));
    EXPECT_TRUE(LinkShutDown());
}

TEST_F(StartupTest, OneWayStartShowsTheNoticeAndGreysTheSaveItemUntilAChange) {
    sim_->setInstalledPrinters({kLptPrinter});
    auto app = MakeApp();
    app->m_reader = [](const std::string&, ValueMap& values, NpaRawValues&) {
        values["A"] = "1";
        return NPA_ONEWAY;
    };
    ASSERT_TRUE(app->InitInstance());
    ASSERT_EQ(prompts.calls.size(), 1u);
    EXPECT_EQ(prompts.calls[0].text, Text(61240));
    EXPECT_EQ(prompts.calls[0].caption, Text(61239));
    EXPECT_EQ(prompts.calls[0].style, unsigned(msgbox::kIconInformation | msgbox::kSetForeground));
    EXPECT_EQ(prompts.calls[0].owner, nullptr);
    CMainFrame* frame = app->MainFrame();
    EXPECT_EQ(frame->Tree()->topLevelItem(0)->text(0), QString("LPT1: - A"));
    EXPECT_FALSE(frame->Action(ID_FILE_SAVE_COMMAND)->isEnabled());
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    QTest::keyClick(frame, Qt::Key_S, Qt::ControlModifier);
    frame->Action(ID_FILE_SAVE_COMMAND)->trigger();
    EXPECT_EQ(prompts.saveAsked, 0);
    app->Document()->MarkChanged();
    EXPECT_TRUE(frame->Action(ID_FILE_SAVE_COMMAND)->isEnabled());
    QTest::keyClick(frame, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(prompts.saveAsked, 1);
    frame->close();
}

TEST(QueryDialogTest, IgnoresEscapeEnterAndCloseUntilTheReadIsDoneThenClosesItself) {
    std::atomic<bool> release{false};
    flows::StartupRead read("USB001", [&release](const std::string& port, ValueMap& v, NpaRawValues&) {
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        v["PORT"] = port;
        return NPA_ONEWAY;
    });
    CPrinterQueryDlg dlg(read);
    EXPECT_EQ(dlg.windowTitle(), QString("프린터 쿼리"));
    EXPECT_FALSE(dlg.windowFlags() & Qt::WindowCloseButtonHint);
    dlg.show();
    QTest::keyClick(&dlg, Qt::Key_Escape);
    QTest::keyClick(&dlg, Qt::Key_Return);
    EXPECT_FALSE(dlg.close());
    QTest::qWait(20);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.m_mayClose, 0);
    release = true;
    EXPECT_TRUE(WaitUntil([&] { return !dlg.isVisible(); }));
    EXPECT_EQ(dlg.m_mayClose, 1);
    EXPECT_EQ(read.Status(), NPA_ONEWAY);
    EXPECT_EQ(read.Values().at("PORT"), "USB001");
}

TEST(QueryDialogTest, ReadThatEndsBeforeTheDialogIsShownStillEndsIt) {
    flows::StartupRead read("LPT1:", [](const std::string&, ValueMap&, NpaRawValues&) { return NPA_ERR_SEND; });
    CPrinterQueryDlg dlg(read);
    EXPECT_TRUE(WaitUntil([&] { return dlg.m_mayClose == 1; }));
    dlg.exec();  // returns: the dialog closes itself once shown
    EXPECT_EQ(read.Status(), NPA_ERR_SEND);
}

TEST(AboutDialogTest, ShowsTitleAndVersion) {
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), QString("설정 유틸리티 버전 정보"));
    EXPECT_EQ(qobject_cast<QLabel*>(about.Control(1007))->text(), QString("Altrin Pressline T90 설정 유틸리티"));
    EXPECT_EQ(qobject_cast<QLabel*>(about.Control(1306))->text(), QString("7.2.3"));
    EXPECT_TRUE(about.windowFlags() & Qt::WindowCloseButtonHint);
    about.show();
    QTest::mouseClick(qobject_cast<QPushButton*>(about.Control(1)), Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

}  // namespace

namespace {

bool HasHangul(const QString& text) {
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0xAC00 && u <= 0xD7A3) || (u >= 0x1100 && u <= 0x11FF) || (u >= 0x3130 && u <= 0x318F)) return true;
    }
    return false;
}

// Every text a widget shows or tells a screen reader.
QStringList TextsOf(QWidget* root) {
    QStringList texts;
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* w : widgets) {
        texts << w->accessibleName() << w->toolTip() << w->statusTip() << w->windowTitle();
        if (auto* label = qobject_cast<QLabel*>(w)) texts << label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(w)) texts << button->text();
        if (auto* group = qobject_cast<QGroupBox*>(w)) texts << group->title();
        if (auto* edit = qobject_cast<QTextEdit*>(w)) texts << edit->toPlainText();
        if (auto* combo = qobject_cast<QComboBox*>(w)) {
            for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
        }
    }
    return texts;
}

}  // namespace

// On an English desktop the window, its menus, its tree and every page show no Korean text.
TEST_F(StartupTest, EnglishWindowShowsNoKoreanOnAnyPage) {
    struct KoreanAfterwards {
        ~KoreanAfterwards() { res::SetLanguage(res::Language::Korean); }
    } koreanAfterwards;
    res::SetLanguage(res::Language::English);
    sim_->addUsbPrinter(1, "T90V000001");
    auto app = MakeApp();
    app->m_requestedPort = "USB001";
    ASSERT_TRUE(app->InitInstance());
    CMainFrame* frame = app->MainFrame();
    EXPECT_EQ(frame->windowTitle(), QString("Altrin Pressline T90 Settings Utility"));
    QStringList menus;
    for (QAction* a : frame->findChildren<QAction*>()) menus << a->text() << a->statusTip();
    EXPECT_TRUE(menus.contains("&File"));
    for (const QString& text : menus) EXPECT_FALSE(HasHangul(text)) << text.toStdString();

    QTreeWidget* tree = frame->Tree();
    int pages = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        EXPECT_FALSE(HasHangul((*it)->text(0))) << (*it)->text(0).toStdString();
        const int view = CPrinterMopView::ViewIdOf(*it);
        if (view < 1) continue;
        tree->setCurrentItem(*it);
        QApplication::processEvents();
        ASSERT_NE(frame->Page(), nullptr);
        ++pages;
        for (const QString& text : TextsOf(frame->Page()))
            EXPECT_FALSE(HasHangul(text)) << "page " << view << ": " << text.toStdString();
    }
    EXPECT_EQ(pages, 11);
    for (const QString& text : TextsOf(frame)) EXPECT_FALSE(HasHangul(text)) << text.toStdString();
    frame->close();
}
