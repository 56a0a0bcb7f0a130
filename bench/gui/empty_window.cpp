// The yardsticks of the start-up benchmark: an empty Qt main window, shown and left at once,
// reporting when it was shown as devpanel --quit-when-shown does (into the file that
// DEVPANEL_SHOWN_AT_FILE names). With --text it also shows one
// line of Korean text in its status bar, which makes Qt load its font database as any window
// with text must. With --tree it is the least a window like devpanel's can be: a menu bar, a
// splitter with a tree of one Korean label and a Korean label beside it, and the status line.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(680, 450);
    const bool text = argc > 1 && std::strcmp(argv[1], "--text") == 0;
    const bool tree = argc > 1 && std::strcmp(argv[1], "--tree") == 0;
    if (text || tree) window.statusBar()->showMessage(QString::fromUtf8("준비됨"));
    if (tree) {
        window.menuBar()->addMenu(QString::fromUtf8("파일(&F)"))->addAction(QString::fromUtf8("마침(&X)"));
        auto* splitter = new QSplitter(&window);
        auto* list = new QTreeWidget(splitter);
        list->setHeaderHidden(true);
        auto* root = new QTreeWidgetItem(list, {QString::fromUtf8("USB001 - Altrin Pressline T90")});
        new QTreeWidgetItem(root, {QString::fromUtf8("용지")});
        list->expandAll();
        new QLabel(QString::fromUtf8("프린터 설정"), splitter);
        splitter->setSizes({150, 530});
        window.setCentralWidget(splitter);
    }
    window.show();
    QTimer::singleShot(0, &window, [&window] {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (const char* file = std::getenv("DEVPANEL_SHOWN_AT_FILE")) {
            if (std::FILE* out = std::fopen(file, "w")) {
                std::fprintf(out, "shown-at-ns %lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
                std::fclose(out);
            }
        }
        window.close();
    });
    return QApplication::exec();
}
