// The message boxes, the save dialog of the command file and the command line of devpanel.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <cstdlib>

#include "app/command_line.h"
#include "app/ui_prompts.h"
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
    EXPECT_EQ(prompts.messageBox(nullptr, "q", "t", MB_YESNO | MB_ICONQUESTION), c.answer);
    EXPECT_TRUE(answer.answered());
    EXPECT_EQ(title, QString("t"));
    EXPECT_TRUE(stillUp);
}

INSTANTIATE_TEST_SUITE_P(QtUiPrompts, YesNoBoxTest,
                         ::testing::Values(YesNoCase{"EscapeThenYes", true, QMessageBox::Yes, IDYES},
                                           YesNoCase{"EscapeThenNo", true, QMessageBox::No, IDNO},
                                           YesNoCase{"CloseThenYes", false, QMessageBox::Yes, IDYES},
                                           YesNoCase{"CloseThenNo", false, QMessageBox::No, IDNO}),
                         [](const ::testing::TestParamInfo<YesNoCase>& info) { return std::string(info.param.name); });

TEST(QtUiPromptsTest, AMessageWithOnlyOkStillEndsWithEscape) {
    QtUiPrompts prompts;
    guitest::ModalAnswer answer([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_EQ(prompts.messageBox(nullptr, "x", "y", MB_ICONERROR), IDOK);
    EXPECT_TRUE(answer.answered());
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

}  // namespace
