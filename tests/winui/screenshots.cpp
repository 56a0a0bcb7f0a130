// Renders devpanel.exe's windows on the built-in virtual printer into PNG files, under Wine on a
// display (tools/screenshots-windows.sh): the main window with each setting page, the printer
// choice, the wait dialog and the about box.
//   winui_screenshots OUTPUT-FOLDER
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/profile.h"
#include "document/printer_doc.h"
#include "platform/data_files.h"
#include "sim/sim_platform.h"
#include "winui/main_frame.h"
#include "winui/nav_tree.h"
#include "winui/program.h"
#include "winui/screenshot.h"
#include "winui/startup_dialogs.h"

namespace {

std::string g_folder;
bool g_ok = true;

void Pump() {
    MSG msg{};
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void Save(HWND window, const std::string& name) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME | RDW_ERASE);
    Pump();
    const std::string path = g_folder + "/" + name;
    if (!winui::SaveWindowPicture(window, path)) {
        std::fprintf(stderr, "winui_screenshots: cannot save %s\n", path.c_str());
        g_ok = false;
    }
}

// A modal dialog of this thread, pictured and then ended with IDCANCEL or IDOK, from a timer
// that runs inside the dialog's own loop.
std::string g_dialogName;
void CALLBACK PictureDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = GetActiveWindow();
    wchar_t name[16] = {};
    if (!dialog || !GetClassNameW(dialog, name, 16) || std::wstring(name) != L"#32770") return;
    KillTimer(nullptr, timer);
    Save(dialog, g_dialogName);
    // The wait dialog ends by itself; the others by their buttons.
    PostMessageW(dialog, WM_COMMAND, GetDlgItem(dialog, IDCANCEL) ? IDCANCEL : IDOK, 0);
}

void WithDialog(const std::string& name, const std::function<void()>& open) {
    g_dialogName = name;
    SetTimer(nullptr, 0, 200, PictureDialog);
    open();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: winui_screenshots OUTPUT-FOLDER\n");
        return 2;
    }
    g_folder = argv[1];
    CreateDirectoryA(g_folder.c_str(), nullptr);
    winui::LoadControlLibraries();
    const platform::DataFileSearch ini = platform::FindDataFile("devPanel.ini", platform::DataFileScope::CurrentFolderFirst);
    SetConfigPath(ini.found() ? ini.path : "devPanel.ini");
    std::string problem;
    std::unique_ptr<sim::SimPlatform> printer = sim::MakeVirtualSetup("", &problem);
    if (!printer) {
        std::fprintf(stderr, "winui_screenshots: no virtual printer: %s\n", problem.c_str());
        return 1;
    }

    WithDialog("select-printer.png", [] {
        winui::ChoosePrinter({{"LPT1: - Altrin Pressline T90", "LPT1:"}, {"USB001 - Altrin Pressline T90", "USB001"}},
                             nullptr);
    });
    StartupResult startup;
    startup.portName = "USB001";
    startup.printerLabel = "USB001 - Altrin Pressline T90";
    WithDialog("printer-query.png", [&] {
        flows::StartupRead read("USB001", [](const std::string& port, ValueMap& values, NpaRawValues& raw) {
            // Long enough for the picture: the read itself takes milliseconds here.
            Sleep(600);
            return NpaReadAllSettings(port, values, &raw);
        });
        winui::WaitForRead(read, nullptr);
        read.Wait();
        startup.readStatus = read.Status();
        startup.values = read.Values();
        startup.rawValues = read.RawValues();
    });
    if (startup.readStatus != NPA_OK) {
        std::fprintf(stderr, "winui_screenshots: the read gave %d\n", startup.readStatus);
        return 1;
    }

    CPrinterDoc doc;
    winui::MainFrame frame(&doc);
    doc.SetFrame(&frame);
    if (!doc.OnNewDocument(startup) || !frame.Create(startup.printerLabel, ConfigFile())) {
        std::fprintf(stderr, "winui_screenshots: the main window could not be made\n");
        return 1;
    }
    frame.Show(SW_SHOWNORMAL);
    Pump();
    Save(frame.Window(), "main-window.png");
    // Every node with a page, one picture each, the tree opened as a user would have it.
    HWND tree = frame.Tree();
    std::vector<HTREEITEM> items;
    for (HTREEITEM top = TreeView_GetChild(tree, TreeView_GetRoot(tree)); top; top = TreeView_GetNextSibling(tree, top)) {
        items.push_back(top);
        for (HTREEITEM child = TreeView_GetChild(tree, top); child; child = TreeView_GetNextSibling(tree, child))
            items.push_back(child);
    }
    for (HTREEITEM item : items) {
        const int view = winui::ViewIdOf(tree, item);
        if (view < 1 || view > 11) continue;
        TreeView_EnsureVisible(tree, item);
        TreeView_SelectItem(tree, item);
        Pump();
        Save(frame.Window(), "page-" + std::to_string(view) + ".png");
    }
    WithDialog("about-box.png", [&] { winui::ShowAboutBox(frame.Window()); });
    DestroyWindow(frame.Window());
    doc.SetFrame(nullptr);
    Pump();
    return g_ok ? 0 : 1;
}
