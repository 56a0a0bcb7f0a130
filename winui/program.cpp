#include "winui/program.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <memory>

#include "config/profile.h"
#include "document/printer_doc.h"
#include "platform/real_platform.h"
#include "sim/sim_platform.h"
#include "winui/flow_glue.h"
#include "winui/main_frame.h"
#include "winui/screenshot.h"
#include "winui/startup_dialogs.h"
#include "winui/template_window.h"

namespace winui {
namespace {

constexpr UINT_PTR kShownTimer = 1;

// The start-up's windows: message boxes without owner, the choice and the wait dialog.
class StartupWindows : public flow::StartupUi {
public:
    void show(const flow::Message& m) override {
        MessageBoxW(nullptr, Wide(m.text).c_str(), Wide(m.caption).c_str(), m.style | MB_TASKMODAL);
    }
    std::optional<std::string> choosePrinter(const PrinterTable& printers) override {
        return ChoosePrinter(printers, nullptr);
    }
    int readSettings(const std::string& port, ValueMap& values) override {
        return ReadBehindWaitDialog(
            port, [](const std::string& p, ValueMap& v) { return NpaReadAllSettings(p, v); }, values, nullptr);
    }
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
        std::string problem;
        virtualSetup = sim::MakeVirtualSetup(options.stateFile, &problem);
        if (!virtualSetup) {
            StartupWindows().show(flow::NoVirtualPrinter(options.stateFile, problem));
            return 0;
        }
    } else {
        systemPlatform = platform::MakeRealPlatform();
        systemPlatform->install();
    }

    StartupWindows startupWindows;
    flow::StartupInputs inputs;
    inputs.configPath = ConfigPath();
    inputs.configProblem = flow::ConfigurationProblemText();
    inputs.requestedPort = options.port;
    inputs.discover = [] { return DiscoverPrinters(); };
    const std::optional<StartupResult> startup = flow::RunStartup(startupWindows, inputs);
    if (!startup) return 0;

    CPrinterDoc doc;
    MainFrame frame(&doc);
    doc.SetFrame(&frame);
    if (!doc.OnNewDocument(*startup)) return 0;
    frame.SetAboutHandler([&frame] { ShowAboutBox(frame.Window()); });
    if (!frame.Create(startup->printerLabel, ConfigFile())) return 0;
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
