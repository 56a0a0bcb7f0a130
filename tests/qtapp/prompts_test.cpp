// The message boxes, the save dialog of the command file and the command line of devpanel.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTreeView>
#include <cstdlib>

#include "flows/command_line.h"
#include "platform/port_name.h"
#include "qtapp/settings_file_actions.h"
#include "qtapp/ui_prompts.h"
#include "gui_fakes.h"
#include "gui_support.h"
#include "document/frame.h"
#include "sim/nvram.h"

namespace {

TEST(CommandFileDialogTest, OffersSettingsNpaAndRefusesAFolderThatDoesNotExist) {
    QTemporaryDir dir;
    CommandFileDialog dialog(nullptr);
    dialog.setDirectory(dir.path());
    EXPECT_EQ(dialog.defaultSuffix(), QString("npa"));
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_FALSE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
    ASSERT_FALSE(dialog.selectedFiles().isEmpty());
    EXPECT_TRUE(dialog.selectedFiles().first().endsWith("settings.npa"));

    dialog.show();
    dialog.selectFile(dir.path() + "/no/such/folder/x.npa");
    QString warned;
    guitest::ModalAnswer answer([&warned](QWidget* w) {
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            warned = box->text();
            box->accept();
        }
    });
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());  // still asking
    EXPECT_TRUE(warned.contains("no/such/folder"));
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    dialog.selectFile(dir.path() + "/mine");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.selectedFiles().first(), dir.path() + "/mine.npa");
}

// A Yes/No question ends only by its buttons: Escape and the close box leave it up, then the
// button pressed is the answer.
struct YesNoCase {
    const char* name;
    bool escape;  // Escape, else close() as the title bar's close box does
    QMessageBox::StandardButton pressed;
    int answer;
};

class YesNoBoxTest : public ::testing::TestWithParam<YesNoCase> {};

TEST_P(YesNoBoxTest, IgnoresEscapeAndCloseUntilAButtonIsPressed) {
    const YesNoCase& c = GetParam();
    QtUiPrompts prompts;
    bool stillUp = false;
    QString title;
    guitest::ModalAnswer answer([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        for (int i = 0; i < 2; ++i) {
            if (c.escape)
                QTest::keyClick(box, Qt::Key_Escape);
            else
                box->close();
            QTest::qWait(10);
        }
        stillUp = box->isVisible();
        QTest::mouseClick(box->button(c.pressed), Qt::LeftButton);
    });
    EXPECT_EQ(prompts.messageBox(nullptr, "q", "t", msgbox::kYesNo | msgbox::kIconQuestion, {}), c.answer);
    EXPECT_TRUE(answer.answered());
    EXPECT_EQ(title, QString("t"));
    EXPECT_TRUE(stillUp);
}

INSTANTIATE_TEST_SUITE_P(QtUiPrompts, YesNoBoxTest,
                         ::testing::Values(YesNoCase{"EscapeThenYes", true, QMessageBox::Yes, msgbox::kIdYes},
                                           YesNoCase{"EscapeThenNo", true, QMessageBox::No, msgbox::kIdNo},
                                           YesNoCase{"CloseThenYes", false, QMessageBox::Yes, msgbox::kIdYes},
                                           YesNoCase{"CloseThenNo", false, QMessageBox::No, msgbox::kIdNo}),
                         [](const ::testing::TestParamInfo<YesNoCase>& info) { return std::string(info.param.name); });

TEST(QtUiPromptsTest, AMessageWithOnlyOkStillEndsWithEscapeAndShowsItsDetailUnderTheText) {
    QtUiPrompts prompts;
    QString text, detail;
    guitest::ModalAnswer answer([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        text = box->text();
        detail = box->informativeText();
        QTest::keyClick(w, Qt::Key_Escape);
    });
    EXPECT_EQ(prompts.messageBox(nullptr, "x", "y", msgbox::kIconError, "try this"), msgbox::kIdOk);
    EXPECT_TRUE(answer.answered());
    EXPECT_EQ(text, QString("x"));  // the message itself stays as it is
    EXPECT_EQ(detail, QString("try this"));
}

TEST(CommandLineTest, VirtualStateFileAndConfiguration) {
    setenv("XDG_STATE_HOME", "/tmp/xdg-state-test", 1);
    CommandLine plain = ParseCommandLine({});
    EXPECT_FALSE(plain.virtualPrinter);
    EXPECT_FALSE(plain.iniPath.empty());
    CommandLine v = ParseCommandLine({"--virtual", "--ini", "/x/devPanel.ini", "--quit-when-shown"});
    EXPECT_TRUE(v.virtualPrinter);
    // The same printer as devpanel-cli's.
    EXPECT_EQ(v.stateFile, "/tmp/xdg-state-test/devpanel/virtual-t90.state");
    EXPECT_EQ(v.stateFile, sim::DefaultStateFile());
    EXPECT_EQ(v.iniPath, "/x/devPanel.ini");
    EXPECT_TRUE(v.quitWhenShown);
    CommandLine s = ParseCommandLine({"--virtual=/tmp/p.state", "--ini=/y.ini", "--screenshot", "/tmp/a.png", "-x"});
    EXPECT_EQ(s.stateFile, "/tmp/p.state");
    EXPECT_EQ(s.iniPath, "/y.ini");
    EXPECT_EQ(s.screenshot, "/tmp/a.png");
    EXPECT_EQ(s.unknown, std::vector<std::string>{"-x"});
    // Nothing after "=": memory only, no file at all.
    CommandLine m = ParseCommandLine({"--virtual="});
    EXPECT_TRUE(m.virtualPrinter);
    EXPECT_EQ(m.stateFile, "");
    unsetenv("XDG_STATE_HOME");
}

// Every file dialog of the program (the command file's, the export's, the import's) lists sizes,
// dates and folders in Korean whatever the locale the program runs in, in columns wide enough
// for them.
struct FileDialogCase {
    const char* name;
    std::function<std::unique_ptr<QFileDialog>()> make;
};

void PrintTo(const FileDialogCase& c, std::ostream* os) { *os << c.name; }

class KoreanFileDialogTest : public ::testing::TestWithParam<FileDialogCase> {};

TEST_P(KoreanFileDialogTest, ListsSizesDatesAndFoldersInKoreanInColumnsThatFitThem) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QFile file(folder.filePath("settings.json"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(698, 'x'));
    file.close();
    ASSERT_TRUE(QDir(folder.path()).mkdir("sub"));
    const QLocale korean(QLocale::Korean, QLocale::SouthKorea);
    const QLocale previous;
    QLocale::setDefault(QLocale::c());  // a program started without a Korean locale
    std::unique_ptr<QFileDialog> dialog = GetParam().make();
    dialog->setNameFilter(QStringLiteral("*"));
    dialog->setDirectory(folder.path());
    dialog->show();
    auto* list = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
    ASSERT_NE(list, nullptr);
    QModelIndex row, sub;
    guitest::WaitUntil([&] {
        const QModelIndex root = list->rootIndex();
        for (int r = 0; r < list->model()->rowCount(root); ++r) {
            const QModelIndex at = list->model()->index(r, 0, root);
            if (at.data().toString() == "settings.json") row = at;
            if (at.data().toString() == "sub") sub = at;
        }
        return row.isValid() && sub.isValid();
    });
    ASSERT_TRUE(row.isValid() && sub.isValid()) << "the folder was never listed";
    QApplication::processEvents();
    const QString size = row.siblingAtColumn(1).data().toString();
    const QString date = row.siblingAtColumn(3).data().toString();
    EXPECT_EQ(size, korean.formattedDataSize(698));
    EXPECT_EQ(date, korean.toString(QFileInfo(file).lastModified(), QLocale::ShortFormat));
    EXPECT_NE(sub.siblingAtColumn(2).data().toString(), QString("Folder"));
    EXPECT_EQ(dialog->locale(), korean);
    for (int column : {1, 3}) {
        const QString text = row.siblingAtColumn(column).data().toString();
        EXPECT_GE(list->header()->sectionSize(column), list->fontMetrics().horizontalAdvance(text))
            << "column " << column << " cuts \"" << text.toStdString() << "\"";
    }
    dialog->close();
    QLocale::setDefault(previous);
}

INSTANTIATE_TEST_SUITE_P(
    Dialogs, KoreanFileDialogTest,
    ::testing::Values(FileDialogCase{"CommandFile", [] { return std::unique_ptr<QFileDialog>(new CommandFileDialog(nullptr)); }},
                      FileDialogCase{"Export", [] { return std::unique_ptr<QFileDialog>(MakeSettingsFileDialog(nullptr, flows::FileUse::Export)); }},
                      FileDialogCase{"Import", [] { return std::unique_ptr<QFileDialog>(MakeSettingsFileDialog(nullptr, flows::FileUse::Import)); }}),
    [](const ::testing::TestParamInfo<FileDialogCase>& info) { return std::string(info.param.name); });

TEST(CommandLineTest, PortNamesAPrinterPortOnly) {
    EXPECT_EQ(ParseCommandLine({"--port", "LPT1:"}).port, "LPT1:");
    EXPECT_EQ(ParseCommandLine({"--port=USB002"}).port, "USB002");
    EXPECT_TRUE(IsPrinterPortName("LPT1:"));
    EXPECT_TRUE(IsPrinterPortName("USB001"));
    // Any other name would have the link write into a file of that name.
    for (const char* other : {"/tmp/x.npa", "lpt1:", "FILE:", ""}) EXPECT_FALSE(IsPrinterPortName(other)) << other;
}

TEST(CommandLineTest, RefusedPortSaysWhichFormsAPortTakes) {
    EXPECT_EQ(PortOptionProblem("USB001"), "");
    EXPECT_EQ(PortOptionProblem("LTP1:"), "--port: " + platform::PortName::Parse("LTP1:").problem());
}

}  // namespace
