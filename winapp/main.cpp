// devpanel.exe: views and changes the settings of an Altrin Pressline T90 (Korean or English user
// interface) through the Win32 front end (winui/). The command line is the Qt program's (qtapp/command_line.h).
#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "flows/command_line.h"
#include "strings/language.h"
#include "winui/program.h"
#include "winui/template_window.h"

namespace {

constexpr const char* kHelp = R"(Usage: devpanel [OPTIONS]

Views and changes the settings of an Altrin Pressline T90 laser printer. Without options it offers the supported printers of the system's printer list,
reads every setting of the chosen one and opens the main window.

Options:
  --virtual[=STATEFILE]  Run against the built-in virtual printer on USB001. Its settings
                         persist in STATEFILE (default %LOCALAPPDATA%\devpanel\virtual-t90.state);
                         --virtual= with nothing after it keeps them in memory only.
  --port PORT            The printer's port (LPT1:, USB001, ...): no search, no choice.
  --ini PATH             The configuration file. Default: the first devPanel.ini in the
                         current folder, then ..\share\devpanel\ beside the program.
  --screenshot PATH      Save a picture (PNG) of the main window once it is shown, then leave.
  --quit-when-shown      Leave as soon as the main window is shown.
  --lang ko|en           The window's language: Korean or English. Default: Korean when the
                         user's display language is Korean, English otherwise.
  -h, --help             Show this text and leave.
  --version              Show the version and leave.

devpanel-cli.exe does the same without a window.
)";

// Text for the user of a command line: to the output the program was given (a pipe or a file),
// else to the console it was started from, else in a message box.
void Say(const std::string& text, bool error) {
    HANDLE out = GetStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD written = 0;
    if (out && out != INVALID_HANDLE_VALUE && GetFileType(out) != FILE_TYPE_CHAR) {
        WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        HANDLE console = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (console != INVALID_HANDLE_VALUE) {
            const std::wstring wide = winui::Wide(text);
            WriteConsoleW(console, wide.c_str(), static_cast<DWORD>(wide.size()), &written, nullptr);
            CloseHandle(console);
            return;
        }
    }
    MessageBoxW(nullptr, winui::Wide(text).c_str(), L"devpanel", error ? MB_ICONERROR : MB_ICONINFORMATION);
}

std::vector<std::string> Arguments() {
    std::vector<std::string> args;
    int count = 0;
    if (LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i) args.push_back(winui::Narrow(argv[i]));
        LocalFree(argv);
    }
    return args;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    const std::vector<std::string> args = Arguments();
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            Say(kHelp, false);
            return 0;
        }
        if (arg == "--version") {
            Say(std::string("devpanel ") + DEVPANEL_VERSION + "\n", false);
            return 0;
        }
    }
    const CommandLine cl = ParseCommandLine(args);
    if (!cl.usageError.empty()) {
        Say("devpanel: " + cl.usageError +
                "\nUsage: devpanel [--virtual[=STATEFILE] | --port PORT] [--ini PATH] [--screenshot PATH] "
                "[--quit-when-shown] [--lang ko|en]\nRun devpanel --help for the options.\n",
            true);
        return 2;
    }
    if (!cl.port.empty() && !IsPrinterPortName(cl.port)) {
        Say("devpanel: " + PortOptionProblem(cl.port) + "\n", true);
        return 2;
    }
    // The window speaks the user's display language (Korean or English), or the one --lang names.
    res::SetLanguage(cl.language.value_or(res::LanguageOfWindowsLangId(GetUserDefaultUILanguage())));
    winui::ProgramOptions options;
    options.virtualPrinter = cl.virtualPrinter;
    options.stateFile = cl.stateFile;
    options.iniPath = cl.iniPath;
    options.port = cl.port;
    options.screenshot = cl.screenshot;
    options.quitWhenShown = cl.quitWhenShown;
    return winui::RunProgram(options, showCommand);
}
