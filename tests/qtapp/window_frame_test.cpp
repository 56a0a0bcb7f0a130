// The main window's size under a real X server with a window manager, which puts its frame
// around the window only after the window was first shown: the whole window, frame included,
// must come out at 680 x 450, and a window taller than the screen must fit it, frame included. The test starts its own Xvfb and openbox; on a machine without
// them it says so and skips, and when they are there but do not start, it fails.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QScreen>
#include <QTest>
#include <algorithm>
#include <memory>
#include <string>

#include "qtapp/main_frame.h"
#include "config/profile.h"
#include "document/printer_doc.h"
#include "gui_fakes.h"
#include "private_user_folders.h"
#include "qtui/dialog_builder.h"
#include "qtui/screen_fit.h"

namespace {

std::string g_missing;       // the program that is not installed (Xvfb, openbox), or empty
std::string g_unavailable;   // why the installed X server or window manager did not start, or empty

// Whether an executable of this name is in a folder of PATH.
bool Installed(const std::string& program) {
    const char* path = getenv("PATH");
    std::string folders = path != nullptr ? path : "";
    size_t start = 0;
    while (start <= folders.size()) {
        const size_t end = std::min(folders.find(':', start), folders.size());
        const std::string folder = folders.substr(start, end - start);
        if (!folder.empty() && access((folder + "/" + program).c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

pid_t Spawn(const std::vector<std::string>& args, int keepFd = -1) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    // The child: quiet, and nothing of the test's descriptors but the one it must write to.
    const int null = ::open("/dev/null", O_RDWR);
    dup2(null, STDIN_FILENO);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    for (int fd = 3; fd < 256; ++fd) {
        if (fd != keepFd) close(fd);
    }
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}

// An X server (Xvfb) with openbox running on it, for the life of the object.
class Desktop {
public:
    Desktop() {
        for (const char* program : {"Xvfb", "openbox"}) {
            if (!Installed(program)) {
                g_missing = std::string(program) + " is not installed";
                return;
            }
        }
        int fds[2];
        if (pipe(fds) != 0) {
            g_unavailable = "no pipe";
            return;
        }
        xvfb_ = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1024x768x24", "-nolisten", "tcp"},
                      fds[1]);
        close(fds[1]);
        // Xvfb writes its display number once it accepts clients.
        std::string number;
        char c = 0;
        while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        if (number.empty()) {
            g_unavailable = "Xvfb is installed but did not start";
            return;
        }
        display_ = ":" + number;
        setenv("DISPLAY", display_.c_str(), 1);
        openbox_ = Spawn({"openbox", "--sm-disable"});
        usleep(200 * 1000);
        int status = 0;
        if (waitpid(openbox_, &status, WNOHANG) == openbox_) {
            openbox_ = -1;
            g_unavailable = "openbox is installed but did not start";
        }
    }
    ~Desktop() {
        for (pid_t pid : {openbox_, xvfb_}) {
            if (pid <= 0) continue;
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
    bool ok() const { return g_missing.empty() && g_unavailable.empty() && !display_.empty(); }

private:
    pid_t xvfb_ = -1;
    pid_t openbox_ = -1;
    std::string display_;
};

TEST(WindowFrameTest, WholeWindowIs680By450UnderAWindowManager) {
    if (!g_missing.empty()) GTEST_SKIP() << g_missing;
    ASSERT_TRUE(g_unavailable.empty()) << g_unavailable;
    guitest::FakePrompts prompts;
    CPrinterDoc doc;
    CMainFrame frame(&doc, prompts);
    doc.SetFrame(&frame);
    ASSERT_TRUE(frame.Create("USB001 - T90", Profile::Parse("[TreeRoot]\nNumChildren=0\n")));
    frame.show();
    // The window manager frames the window a moment after it is mapped.
    const bool framed = guitest::WaitUntil([&] { return frame.frameGeometry().size() != frame.geometry().size(); },
                                           10000);
    ASSERT_TRUE(framed) << "openbox runs, but it never reported a frame around the window";
    EXPECT_TRUE(guitest::WaitUntil([&] { return frame.frameGeometry().size() == QSize(680, 450); }, 5000))
        << "whole window " << frame.frameGeometry().width() << " x " << frame.frameGeometry().height()
        << ", client area " << frame.width() << " x " << frame.height();
    // It stays so: the correction is made once, not again on later moves.
    frame.move(frame.pos() + QPoint(10, 10));
    QTest::qWait(200);
    EXPECT_EQ(frame.frameGeometry().size(), QSize(680, 450));
}

// A dialog laid out taller than the screen: it is fitted at once, and again when the window
// manager's frame around it arrives after it was mapped, so that frame and buttons stay on the
// screen.
TEST(WindowFrameTest, AWindowTallerThanTheScreenFitsWithTheFrameAroundIt) {
    if (!g_missing.empty()) GTEST_SKIP() << g_missing;
    ASSERT_TRUE(g_unavailable.empty()) << g_unavailable;
    ui::KeepWindowsOnScreen();
    QDialog dialog;
    dialog.resize(500, 2000);
    dialog.show();
    ASSERT_TRUE(guitest::WaitUntil([&] { return dialog.frameGeometry().size() != dialog.geometry().size(); }, 10000))
        << "openbox runs, but it never reported a frame around the window";
    const QRect area = dialog.screen()->availableGeometry();
    EXPECT_TRUE(guitest::WaitUntil([&] { return area.contains(dialog.frameGeometry()); }, 5000))
        << "whole window " << dialog.frameGeometry().y() << " + " << dialog.frameGeometry().height() << " on a screen "
        << area.height() << " high";
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    guitest::PrivateUserFolders folders("/tmp/devpanel-wm-XXXXXX");
    int result = 0;
    {
        Desktop desktop;
        if (desktop.ok()) {
            setenv("QT_QPA_PLATFORM", "xcb", 1);
            QApplication app(argc, argv);
            ui::InstallFontSubstitutes();
            result = RUN_ALL_TESTS();
        } else {
            // Without a display Qt cannot start at all; the test reports why it was skipped or failed.
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            QApplication app(argc, argv);
            result = RUN_ALL_TESTS();
        }
    }
    return result;
}
