// Runs the GUI tests inside one QApplication on the offscreen platform (unless a platform is
// chosen already), with the Korean dialog font substituted.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "res/ui/dialog_builder.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ui::InstallFontSubstitutes();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
