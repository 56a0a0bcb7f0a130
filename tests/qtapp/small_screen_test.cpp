// The windows and dialogs laid out larger than a small screen at 200 % (a 1280 x 800 screen leaves
// 640 x 400), each of another kind: the main window, a dialog with a layout, Qt's file dialog and
// message box. Each must lie within the screen, frame included, with every
// button on it; what no longer fits scrolls. The offscreen platform plays the screen (its own
// configuration file), at the scale factor the user would set.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <string>

#include "qtapp/main_frame.h"
#include "qtapp/restore_dlg.h"
#include "qtapp/ui_prompts.h"
#include "config/profile.h"
#include "document/printer_doc.h"
#include "gui_fakes.h"
#include "private_user_folders.h"
#include "qtui/dialog_builder.h"
#include "qtui/screen_fit.h"
#include "qtui/settings_view.h"

namespace {

const QRect kScreen(0, 0, 640, 400);  // 1280 x 800 device pixels at 200 %

// Shows window as the program shows it and waits until the window system has it.
void ShowAndSettle(QWidget* window) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QApplication::processEvents();  // the fits that follow a window's own resizes
}

void ExpectOnScreen(QWidget* window) {
    const QRect area = window->screen()->availableGeometry();
    EXPECT_TRUE(area.contains(window->frameGeometry()))
        << "window " << window->frameGeometry().x() << "," << window->frameGeometry().y() << " "
        << window->frameGeometry().width() << " x " << window->frameGeometry().height();
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (!button->isVisibleTo(window) || button->window() != window) continue;
        const QRect shown(button->mapTo(window, QPoint(0, 0)), button->size());
        EXPECT_TRUE(window->rect().contains(shown)) << "button \"" << button->text().toStdString() << "\" is cut off";
    }
}

struct WindowCase {
    const char* name;
    std::function<void()> run;
};

void PrintTo(const WindowCase& c, std::ostream* os) { *os << c.name; }

void MainWindow() {
    guitest::FakePrompts prompts;
    CPrinterDoc doc;
    CMainFrame frame(&doc, prompts);
    doc.SetFrame(&frame);
    ASSERT_TRUE(frame.Create("USB001 - Altrin Pressline T90", Profile::Parse("[TreeRoot]\nNumChildren=0\n")));
    ShowAndSettle(&frame);
    ExpectOnScreen(&frame);
    EXPECT_TRUE(frame.rect().contains(QRect(frame.statusBar()->mapTo(&frame, QPoint(0, 0)), frame.statusBar()->size())))
        << "the status bar lies beyond the window";
    // The page no longer fits its pane: the pane scrolls to every part of it.
    CSettingsView* page = frame.Page();
    ASSERT_NE(page, nullptr);
    const QSize form = page->Form()->size(), shown = page->viewport()->size();
    EXPECT_TRUE(form.width() > shown.width() || form.height() > shown.height()) << "the page was expected to scroll";
    EXPECT_GE(page->horizontalScrollBar()->maximum(), form.width() - shown.width());
    EXPECT_GE(page->verticalScrollBar()->maximum(), form.height() - shown.height());
}

void RestoreDialog() {
    guitest::FakeFrame owner;
    std::vector<snapshot::StoredSnapshot> stored(3);
    for (size_t i = 0; i < stored.size(); ++i) {
        stored[i].path = "/tmp/snapshot" + std::to_string(i) + ".json";
        stored[i].snapshot.time = "2026-12-07T14:55:1" + std::to_string(i) + ".223Z";
        stored[i].snapshot.settings = {{"POWERSAVER", std::to_string(10 + i)}};
    }
    CRestoreDlg dialog(stored, {{"POWERSAVER", "30"}}, owner);
    ShowAndSettle(&dialog);
    ExpectOnScreen(&dialog);
    EXPECT_TRUE(dialog.RestoreButton()->isVisible());
    EXPECT_GT(dialog.SnapshotList()->viewport()->height(), 0) << "the lists take what is left";
}

void CommandFile() {
    CommandFileDialog dialog(nullptr);
    ShowAndSettle(&dialog);
    ExpectOnScreen(&dialog);
}

void Message() {
    QMessageBox box(QMessageBox::Critical, "설정 적용 실패", QString(40, QChar(u'가')) + QString(" 설정").repeated(40),
                    QMessageBox::Yes | QMessageBox::No);
    ShowAndSettle(&box);
    ExpectOnScreen(&box);
}

class SmallScreenTest : public ::testing::TestWithParam<WindowCase> {};

TEST_P(SmallScreenTest, LiesWithinTheScreenWithEveryButtonOnIt) {
    ASSERT_EQ(QGuiApplication::primaryScreen()->availableGeometry(), kScreen) << "not the small screen";
    GetParam().run();
}

INSTANTIATE_TEST_SUITE_P(Windows, SmallScreenTest,
                         ::testing::Values(WindowCase{"MainWindow", MainWindow}, WindowCase{"RestoreDialog", RestoreDialog},
                                           WindowCase{"CommandFileDialog", CommandFile}, WindowCase{"MessageBox", Message}),
                         [](const ::testing::TestParamInfo<WindowCase>& info) { return std::string(info.param.name); });

// A window the program itself makes larger than the screen after it was shown is fitted again,
// and moved back onto the screen where it stuck out.
TEST(ScreenFitTest, AWindowMadeLargerLaterIsFittedAgain) {
    QWidget window;
    window.resize(300, 200);
    ShowAndSettle(&window);
    window.move(500, 300);
    window.resize(900, 700);
    EXPECT_TRUE(QTest::qWaitFor([&] { return kScreen.contains(window.frameGeometry()); }));
    // A window that fits is left where it is.
    window.resize(200, 100);
    window.move(100, 50);
    QApplication::processEvents();
    EXPECT_EQ(window.pos(), QPoint(100, 50));
    EXPECT_EQ(window.size(), QSize(200, 100));
}

}  // namespace

int main(int argc, char** argv) {
    guitest::PrivateUserFolders folders("/tmp/devpanel-smallscreen-XXXXXX");
    // The screen: 1280 x 800 device pixels; the program at 200 %.
    const std::string config = std::string(getenv("XDG_CONFIG_HOME")) + "/screen.json";
    std::ofstream(config) << R"({"screens": [{"name": "small", "x": 0, "y": 0, "width": 1280, "height": 800,)"
                          << R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})";
    setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).c_str(), 1);
    setenv("QT_SCALE_FACTOR", "2", 1);
    QApplication app(argc, argv);
    ui::InstallFontSubstitutes();
    // As devpanel's main() does.
    ui::KeepWindowsOnScreen();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
