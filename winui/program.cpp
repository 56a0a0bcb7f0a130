#include "winui/program.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <memory>

#include "config/profile.h"
#include "document/printer_doc.h"
#include "platform/real_platform.h"
#include "sim/sim_platform.h"
#include "flows/startup.h"
#include "winui/main_frame.h"
#include "winui/screenshot.h"
#include "winui/startup_dialogs.h"
#include "winui/template_window.h"

namespace winui {
namespace {

constexpr UINT_PTR kShownTimer = 1;

// The start-up's windows: message boxes without owner, the choice and the wait dialog.
// A message box without an owner; the detail, when there is one, after a blank line (a classic
// message box has no smaller second text).
int TellUser(const std::string& text, const std::string& caption, unsigned style, const std::string& detail) {
    const std::string shown = detail.empty() ? text : text + "\n\n" + detail;
    const int answer = MessageBoxW(nullptr, Wide(shown).c_str(), Wide(caption).c_str(), style | MB_TASKMODAL);
    return answer == IDYES ? msgbox::kIdYes : answer == IDNO ? msgbox::kIdNo : msgbox::kIdOk;
}

class StartupWindows : public flows::IStartupUi {
public:
    int messageBox(const std::string& text, const std::string& caption, unsigned style,
                   const std::string& detail) override {
        return TellUser(text, caption, style, detail);
    }
    std::optional<std::string> choosePrinter(const PrinterTable& printers) override {
        return ChoosePrinter(printers, nullptr);
    }
    void waitForRead(flows::StartupRead& read) override { WaitForRead(read, nullptr); }
};

// --screenshot and --quit-when-shown: once the window has been shown and painted.
struct WhenShown {
    const ProgramOptions* options = nullptr;
    MainFrame* frame = nullptr;
};
WhenShown g_whenShown;

void CALLBACK OnShown(HWND window, UINT, UINT_PTR timer, DWORD) {
    KillTimer(window, timer);
    const ProgramOptions& options = *g_whenShown.options;
    HWND frame = g_whenShown.frame->Window();
    if (!frame) return;
    RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME | RDW_ERASE);
    if (!options.screenshot.empty() && !SaveWindowPicture(frame, options.screenshot))
        std::fprintf(stderr, "devpanel: cannot save the picture to %s\n", options.screenshot.c_str());
    PostMessageW(frame, WM_CLOSE, 0, 0);
}

}  // namespace

bool LoadControlLibraries() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS |
                     ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
    const bool common = InitCommonControlsEx(&controls) != FALSE;
    // The title lines of the pages are rich edit controls. Loaded once, for the whole process.
    static const HMODULE richEdit = LoadLibraryW(L"riched20.dll");
    return common && richEdit != nullptr;
}

int RunProgram(const ProgramOptions& options, int showCommand) {
    LoadControlLibraries();
    SetConfigPath(options.iniPath);

    std::unique_ptr<sim::SimPlatform> virtualSetup;
    std::unique_ptr<platform::RealPlatform> systemPlatform;
    // The virtual printer makes its state file's folder itself. A state file it cannot use ends
    // the program after saying why.
    if (options.virtualPrinter) {
        virtualSetup = flows::StartVirtualPrinter(
            options.stateFile,
            [](const std::string& text, const std::string& caption, unsigned style) { TellUser(text, caption, style, {}); });
        if (!virtualSetup) return 0;
    } else {
        systemPlatform = platform::MakeRealPlatform();
        systemPlatform->install();
    }

    StartupWindows startupWindows;
    flows::StartupSteps steps;
    steps.requestedPort = options.port;
    steps.noPrinterHintId = flows::kNoPrinterHintWindows;
    StartupResult startup;
    if (!flows::RunStartup(startupWindows, steps, startup)) return 0;

    CPrinterDoc doc;
    MainFrame frame(&doc);
    doc.SetFrame(&frame);
    if (!doc.OnNewDocument(startup)) return 0;
    frame.SetAboutHandler([&frame] { ShowAboutBox(frame.Window()); });
    if (!frame.Create(startup.printerLabel, ConfigFile())) return 0;
    frame.Show(showCommand);
    if (!options.screenshot.empty() || options.quitWhenShown) {
        g_whenShown = WhenShown{&options, &frame};
        SetTimer(frame.Window(), kShownTimer, 300, OnShown);
    }

    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!frame.PreTranslate(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        frame.FollowFocus();
    }
    doc.SetFrame(nullptr);
    return 0;
}

}  // namespace winui
