// devpanel: views and changes the settings of an Altrin Pressline T90 (see app/command_line.h).
#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <QTimer>
#include <cstdio>
#include <ctime>
#include <memory>

#include "app/command_line.h"
#include "app/main_frame.h"
#include "app/printer_app.h"
#include "app/ui_prompts.h"
#include "config/profile.h"
#include "ui/dialog_builder.h"
#include "sim/sim_platform.h"
#ifdef DEVPANEL_HAVE_LINUX_PLATFORM
#include "platform/linux/linux_platform.h"
#endif

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    ui::InstallFontSubstitutes();
    // The program speaks Korean whatever the desktop's language: so do Qt's own buttons and
    // the file dialog.
    QTranslator qtKorean;
    if (qtKorean.load(QStringLiteral("qtbase_ko"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtKorean);

    std::vector<std::string> args;
    for (const QString& a : QApplication::arguments().mid(1)) args.push_back(a.toStdString());
    const CommandLine cl = ParseCommandLine(args);
    for (const std::string& u : cl.unknown) std::fprintf(stderr, "devpanel: unknown argument %s\n", u.c_str());

    SetConfigPath(cl.iniPath);

    std::unique_ptr<sim::SimPlatform> virtualSetup;
#ifdef DEVPANEL_HAVE_LINUX_PLATFORM
    std::unique_ptr<platform::linux_impl::LinuxPlatform> linuxPlatform;
#endif
    // The virtual printer makes its state file's folder itself (private to the user). A state
    // file it cannot use ends the program after saying why; every end leaves exit code 0.
    if (cl.virtualPrinter) {
        virtualSetup = StartVirtualPrinter(cl.stateFile, Prompts());
        if (!virtualSetup) return 0;
    } else {
#ifdef DEVPANEL_HAVE_LINUX_PLATFORM
        linuxPlatform = std::make_unique<platform::linux_impl::LinuxPlatform>();
        linuxPlatform->install();
#else
        virtualSetup = StartVirtualPrinter("", Prompts());
        if (!virtualSetup) return 0;
#endif
    }

    {
        CPrinterApp app(Prompts());
        // Every end, after a failure or not, leaves exit code 0.
        if (!app.InitInstance()) return 0;
        if (!cl.screenshot.empty() || cl.quitWhenShown) {
            QTimer::singleShot(0, app.MainFrame(), [&app, &cl] {
                if (cl.quitWhenShown) {
                    // For start-up timing: when the shown window has been laid out and painted.
                    timespec now{};
                    clock_gettime(CLOCK_MONOTONIC, &now);
                    std::printf("shown-at-ns %lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
                    std::fflush(stdout);
                }
                if (!cl.screenshot.empty()) app.MainFrame()->grab().save(QString::fromStdString(cl.screenshot));
                app.MainFrame()->close();
            });
        }
        QApplication::exec();
    }
    return 0;
}
