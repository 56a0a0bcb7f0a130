// The yardsticks of the start-up benchmark: an empty Qt main window, shown and left at once,
// reporting when it was shown as devpanel --quit-when-shown does. With --text it also shows one
// line of Korean text in its status bar, which makes Qt load its font database as any window
// with text must.
#include <QApplication>
#include <QMainWindow>
#include <QStatusBar>
#include <cstring>
#include <QTimer>
#include <cstdio>
#include <ctime>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(680, 450);
    if (argc > 1 && std::strcmp(argv[1], "--text") == 0) window.statusBar()->showMessage(QString::fromUtf8("준비됨"));
    window.show();
    QTimer::singleShot(0, &window, [&window] {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        std::printf("shown-at-ns %lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
        std::fflush(stdout);
        window.close();
    });
    return QApplication::exec();
}
