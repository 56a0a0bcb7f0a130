// Runs the GUI tests inside one QApplication on the offscreen platform (unless a platform is
// chosen already), with the Korean dialog font substituted, and with every per-user folder in a
// private temporary folder, so that nothing (Qt's own dialog settings included) reaches $HOME.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>

#include "private_user_folders.h"
#include "qtui/dialog_builder.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    guitest::PrivateUserFolders folders("/tmp/devpanel-gui-XXXXXX");
    QApplication app(argc, argv);
    ui::InstallFontSubstitutes();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
