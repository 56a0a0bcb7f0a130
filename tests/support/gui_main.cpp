// Runs the GUI tests inside one QApplication on the offscreen platform (unless a platform is
// chosen already), with the Korean dialog font substituted, and with every per-user folder in a
// private temporary folder, so that nothing (Qt's own dialog settings included) reaches $HOME.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <filesystem>
#include <string>

#include "ui/dialog_builder.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    char pattern[] = "/tmp/devpanel-gui-XXXXXX";
    const std::string home = mkdtemp(pattern) ? pattern : "/tmp";
    for (const char* var : {"XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
        const std::string dir = home + "/" + var;
        std::filesystem::create_directories(dir);
        std::filesystem::permissions(dir, std::filesystem::perms::owner_all);
        setenv(var, dir.c_str(), 1);
    }
    int result = 0;
    {
        QApplication app(argc, argv);
        ui::InstallFontSubstitutes();
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    std::error_code ec;
    if (home != "/tmp") std::filesystem::remove_all(home, ec);
    return result;
}
