// Drives a running devpanel.exe with keyboard input through the system's input queue, as a user
// at the keyboard would, for the end-to-end run (tools/wine-gui-e2e.sh):
//
//   winui_drive apply-next-language STATEFILE
//       in the tree: Home, Down x3 (the printer, "용지", "마무리", "설정"); F6 to the page; Down in
//       its first list ("프린터 언어"); Alt+A ("적용"); once the virtual printer has written its
//       state file and the apply has ended, Alt+F and X ("파일", "마침").
//
// Each key goes out once the program shows the effect of the one before (the focus, the list's
// choice, the open menu): keys sent ahead would meet the menu's own loop. Exit 0 when the program
// took every key and ended without asking anything; 1 with a line on what went otherwise.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>

namespace {

constexpr DWORD kWaitMs = 30000, kStep = 20;
constexpr int kLanguageList = 1240;

int Fail(const char* what) {
    std::fprintf(stderr, "winui_drive: %s\n", what);
    return 1;
}

// Waits until done() holds or ms pass, looking every kStep ms.
template <class F>
bool WaitFor(F done, DWORD ms = kWaitMs) {
    for (DWORD waited = 0;; waited += kStep) {
        if (done()) return true;
        if (waited >= ms) return false;
        Sleep(kStep);
    }
}

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, 64);
    return name;
}

// A visible window of the program's thread other than its main window, of the given class.
HWND OpenWindow(DWORD thread, HWND frame, const char* className) {
    struct Found {
        HWND frame;
        const char* className;
        HWND window = nullptr;
    } found{frame, className};
    EnumThreadWindows(
        thread,
        [](HWND window, LPARAM lParam) -> BOOL {
            auto* f = reinterpret_cast<Found*>(lParam);
            if (window != f->frame && IsWindowVisible(window) && ClassOf(window) == f->className) {
                f->window = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found.window;
}

HWND Focus(DWORD thread) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

std::string FileText(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Press(std::initializer_list<WORD> held, WORD key) {
    INPUT inputs[8] = {};
    UINT n = 0;
    auto add = [&](WORD vk, bool up) {
        inputs[n].type = INPUT_KEYBOARD;
        inputs[n].ki.wVk = vk;
        inputs[n].ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        ++n;
    };
    for (WORD h : held) add(h, false);
    add(key, false);
    add(key, true);
    for (WORD h : held) add(h, true);
    SendInput(n, inputs, sizeof(INPUT));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || std::string(argv[1]) != "apply-next-language")
        return Fail("usage: winui_drive apply-next-language STATEFILE");
    const char* stateFile = argv[2];
    HWND frame = nullptr;
    if (!WaitFor([&] { return (frame = FindWindowW(L"DevPanelMainFrame", nullptr)) != nullptr && IsWindowVisible(frame); }))
        return Fail("the main window did not come up");
    DWORD processId = 0;
    const DWORD thread = GetWindowThreadProcessId(frame, &processId);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (!process) return Fail("the program's process cannot be opened");

    SetForegroundWindow(frame);
    if (!WaitFor([&] { return GetForegroundWindow() == frame; })) return Fail("the main window is not in front");
    if (!WaitFor([&] { return ClassOf(Focus(thread)) == "SysTreeView32"; })) return Fail("the tree has not the focus");
    for (WORD key : {WORD(VK_HOME), WORD(VK_DOWN), WORD(VK_DOWN), WORD(VK_DOWN), WORD(VK_F6)}) Press({}, key);
    HWND list = nullptr;
    if (!WaitFor([&] { return GetDlgCtrlID(list = Focus(thread)) == kLanguageList; }))
        return Fail("F6 did not reach the setup page's language list");
    const LRESULT before = SendMessageW(list, CB_GETCURSEL, 0, 0);
    Press({}, VK_DOWN);
    if (!WaitFor([&] { return SendMessageW(list, CB_GETCURSEL, 0, 0) != before; }))
        return Fail("Down did not change the language");

    const std::string state = FileText(stateFile);
    Press({VK_MENU}, 'A');
    if (!WaitFor([&] { return FileText(stateFile) != state; })) return Fail("Alt+A wrote nothing to the printer");
    // The apply runs behind its progress dialog, which disables the main window until it ends.
    if (!WaitFor([&] { return IsWindowEnabled(frame) && !OpenWindow(thread, frame, "#32770"); }))
        return Fail("the apply did not end");

    Press({VK_MENU}, 'F');
    if (!WaitFor([&] { return OpenWindow(thread, frame, "#32768") != nullptr; })) return Fail("Alt+F opened no menu");
    Press({}, 'X');
    if (WaitFor([&] { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; })) {
        CloseHandle(process);
        return 0;
    }
    // Leaving asked a question: the apply did not clear the modified flag.
    if (HWND question = OpenWindow(thread, frame, "#32770")) {
        PostMessageW(question, WM_COMMAND, IDNO, 0);
        return Fail("leaving asked whether to apply: the apply did not take");
    }
    return Fail("the program did not end");
}
