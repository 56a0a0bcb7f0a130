// The save dialog of the command file and the command line of devpanel.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <cstdlib>

#include "app/command_line.h"
#include "app/ui_prompts.h"
#include "gui_support.h"

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

TEST(CommandLineTest, VirtualStateFileAndConfiguration) {
    setenv("XDG_STATE_HOME", "/tmp/xdg-state-test", 1);
    CommandLine plain = ParseCommandLine({});
    EXPECT_FALSE(plain.virtualPrinter);
    EXPECT_FALSE(plain.iniPath.empty());
    CommandLine v = ParseCommandLine({"--virtual", "--ini", "/x/devPanel.ini", "--quit-when-shown"});
    EXPECT_TRUE(v.virtualPrinter);
    EXPECT_EQ(v.stateFile, "/tmp/xdg-state-test/devpanel/virtual-printer.state");
    EXPECT_EQ(v.iniPath, "/x/devPanel.ini");
    EXPECT_TRUE(v.quitWhenShown);
    CommandLine s = ParseCommandLine({"--virtual=/tmp/p.state", "--ini=/y.ini", "--screenshot", "/tmp/a.png", "-x"});
    EXPECT_EQ(s.stateFile, "/tmp/p.state");
    EXPECT_EQ(s.iniPath, "/y.ini");
    EXPECT_EQ(s.screenshot, "/tmp/a.png");
    EXPECT_EQ(s.unknown, std::vector<std::string>{"-x"});
    unsetenv("XDG_STATE_HOME");
}

}  // namespace
