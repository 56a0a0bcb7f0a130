// The yardstick of the start-up benchmark: an empty Qt main window, shown and left at once,
// reporting when it was shown as devpanel --quit-when-shown does.
#include <QApplication>
#include <QMainWindow>
#include <QTimer>
#include <cstdio>
#include <ctime>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(680, 450);
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
