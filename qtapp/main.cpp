// devpanel: views and changes the settings of an Altrin Pressline T90 (see flows/command_line.h).
#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "qtapp/display_check.h"
#include "flows/command_line.h"
#include "qtapp/main_frame.h"
#include "qtapp/printer_app.h"
#include "qtapp/stop_signals.h"
#include "qtapp/unattended.h"
#include "qtapp/ui_prompts.h"
#include "config/profile.h"
#include "platform/real_platform.h"
#include "qtui/dialog_builder.h"
#include "qtui/screen_fit.h"
#include "sim/sim_platform.h"
#include "strings/language.h"

namespace {

constexpr const char* kHelp = R"(Usage: devpanel [OPTIONS]

Views and changes the settings of an Altrin Pressline T90 laser printer. Without options it offers the supported printers of the CUPS queue list, reads
every setting of the chosen one and opens the main window.

Options:
  --virtual[=STATEFILE]  Run against the built-in virtual printer on USB001. Its settings
                         persist in STATEFILE (default $XDG_STATE_HOME/devpanel/virtual-t90.state);
                         --virtual= with nothing after it keeps them in memory only.
  --port PORT            The printer's port (LPT1:, USB001, ...): no search, no choice.
  --ini PATH             The configuration file. Default: the first devPanel.ini in the
                         current folder, $XDG_CONFIG_HOME/devpanel/, ../share/devpanel/ beside
                         the program, the devpanel/ folder of each $XDG_DATA_DIRS entry.
  --screenshot PATH      Save a picture of the main window once it is shown, then leave.
                         The extension names the format (.png, .jpg, ...).
  --quit-when-shown      Leave as soon as the main window is shown.
  --lang ko|en           The window's language: Korean or English. Default: the desktop's
                         (the first of LANGUAGE, LC_ALL, LC_MESSAGES, LANG that is set:
                         Korean for ko..., English otherwise).
  -h, --help             Show this text and leave.
  --version              Show the version and leave.

With --screenshot or --quit-when-shown nothing waits for a person: a message or a choice
that would come before the main window (no printer found, several printers, the read fails)
is written on stderr instead, and the program ends with status 1; so does a picture that
cannot be saved.

Exit status: 0 success (also after a message the window program showed and the user
closed), 1 no display, a display that does not answer, or a failure of --screenshot or
--quit-when-shown, 2 bad usage.

devpanel-cli does the same without a window; devpanel-cli doctor checks a printer's set-up.
)";

constexpr const char* kUsage = "Usage: devpanel [--virtual[=STATEFILE] | --port PORT] [--ini PATH] "
                               "[--screenshot PATH] [--quit-when-shown] [--lang ko|en]\n"
                               "Run devpanel --help for the options.\n";

constexpr const char* kWithoutDisplay = "Start it in a graphical session; devpanel-cli reads and changes the same "
                                        "settings without a window.\n";

// --help and --version answer before Qt starts: they must work without a display.
bool AnsweredAtOnce(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kHelp, stdout);
            return true;
        }
        if (arg == "--version") {
            std::printf("devpanel %s\n", DEVPANEL_VERSION);
            return true;
        }
    }
    return false;
}

// The application's icon for every window (main window, about box, the taskbar entry); the
// desktop entry's name lets a Wayland compositor match the window to the menu entry. Qt decodes
// every image of an icon as it is added, and the large ones cost as much as laying out a page:
// the sizes of title bars and small taskbars come first, the large ones (alt-tab, a high-DPI
// taskbar) once the main window is up.
constexpr int kSmallIconSizes[] = {16, 24, 32, 48};
constexpr int kLargeIconSizes[] = {64, 128, 256};

template <size_t N>
void AddApplicationIcons(const int (&sizes)[N]) {
    QIcon icon = QApplication::windowIcon();
    for (int size : sizes) icon.addFile(QStringLiteral(":/icons/devpanel-%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
}

void SetApplicationIcon() {
    AddApplicationIcons(kSmallIconSizes);
    QGuiApplication::setDesktopFileName(QStringLiteral("devpanel"));
}

}  // namespace

int main(int argc, char** argv) {
    if (AnsweredAtOnce(argc, argv)) return 0;
    const std::vector<std::string> givenArguments(argv + 1, argv + argc);
    if (const std::string noDisplay = NoDisplayReason(getenv, givenArguments); !noDisplay.empty()) {
        std::fprintf(stderr, "devpanel: %s.\n%s", noDisplay.c_str(), kWithoutDisplay);
        return 1;
    }
    if (const std::string display = X11DisplayToCheck(getenv, givenArguments); !display.empty()) {
        if (const std::string problem = X11DisplayProblem(display); !problem.empty()) {
            std::fprintf(stderr, "devpanel: %s.\n%s", problem.c_str(), kWithoutDisplay);
            return 1;
        }
    }
    QApplication qapp(argc, argv);
    // Before anything leaves files behind: a stop signal ends the program as a close does.
    StopSignals stopSignals;
    ui::KeepWindowsOnScreen();
    SetApplicationIcon();
    ui::InstallFontSubstitutes();

    std::vector<std::string> args;
    for (const QString& a : QApplication::arguments().mid(1)) args.push_back(a.toStdString());
    // Qt has taken its own options (-platform, -display, -style, ...) out of the arguments by now.
    const CommandLine cl = ParseCommandLine(args);
    if (!cl.usageError.empty()) {
        std::fprintf(stderr, "devpanel: %s\n%s", cl.usageError.c_str(), kUsage);
        return 2;
    }

    // The window speaks the desktop's language (Korean or English), or the one --lang names.
    res::SetLanguage(cl.language.value_or(res::LanguageOfEnvironment(getenv)));
    // Qt's own buttons and the file dialog speak it too; Qt's texts are English without a
    // translation. Dates, sizes and the system's file type names follow.
    QTranslator qtKorean;
    if (res::CurrentLanguage() == res::Language::Korean) {
        if (qtKorean.load(QStringLiteral("qtbase_ko"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QApplication::installTranslator(&qtKorean);
        QLocale::setDefault(QLocale(QLocale::Korean, QLocale::SouthKorea));
    } else {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    if (!cl.port.empty() && !IsPrinterPortName(cl.port)) {
        std::fprintf(stderr, "devpanel: %s\n", PortOptionProblem(cl.port).c_str());
        return 2;
    }
    SetConfigPath(cl.iniPath);

    // Run by a script: nothing may wait for a person, and every failure ends with status 1.
    const bool unattended = !cl.screenshot.empty() || cl.quitWhenShown;
    UnattendedPrompts unattendedPrompts;
    if (unattended) SetPrompts(&unattendedPrompts);
    struct PromptsBack {
        ~PromptsBack() { SetPrompts(nullptr); }
    } promptsBack;
    const int failedStatus = unattended ? 1 : 0;
    // A picture that could never be saved is named before the printer is read.
    if (!cl.screenshot.empty()) {
        if (const std::string problem = ScreenshotTargetProblem(cl.screenshot); !problem.empty()) {
            std::fprintf(stderr, "devpanel: cannot save the screenshot to %s: %s\n", cl.screenshot.c_str(), problem.c_str());
            return 1;
        }
    }

    std::unique_ptr<sim::SimPlatform> virtualSetup;
    std::unique_ptr<platform::RealPlatform> systemPlatform;
    // The virtual printer makes its state file's folder itself (private to the user). A state
    // file it cannot use ends the program after saying why; every end a person saw leaves exit
    // code 0.
    if (cl.virtualPrinter) {
        virtualSetup = StartVirtualPrinter(cl.stateFile, Prompts());
        if (!virtualSetup) return failedStatus;
    } else {
        systemPlatform = platform::MakeRealPlatform();
        systemPlatform->install();
    }

    int status = 0;
    {
        CPrinterApp app(Prompts());
        app.m_requestedPort = cl.port;
        app.m_unattended = unattended;
        // Every end a person saw, after a failure or not, leaves exit code 0.
        if (!app.InitInstance()) return failedStatus;
        if (unattended) {
            QTimer::singleShot(0, app.MainFrame(), [&app, &cl, &status] {
                // For start-up timing: when the shown window has been laid out and painted.
                if (cl.quitWhenShown && !ReportShownTime()) {
                    std::fprintf(stderr, "devpanel: cannot write the time shown into %s\n", std::getenv(kShownAtFileVariable));
                    status = 1;
                }
                std::string problem;
                if (!cl.screenshot.empty() && !SaveScreenshot(*app.MainFrame(), cl.screenshot, problem)) {
                    std::fprintf(stderr, "devpanel: cannot save the screenshot to %s: %s\n", cl.screenshot.c_str(),
                                 problem.c_str());
                    status = 1;
                }
                app.MainFrame()->close();
            });
        }
        // Once the window is shown (after the timers above, which report that moment).
        QTimer::singleShot(0, [] { AddApplicationIcons(kLargeIconSizes); });
        stopSignals.exec(app.MainFrame(), app.Document());
    }
    return status;
}
