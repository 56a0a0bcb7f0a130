// Drives a running devpanel.exe with keyboard input through the system's input queue, as a user
// at the keyboard would, for the end-to-end run (tools/wine-gui-e2e.sh):
//
//   winui_drive apply-next-language
//       in the tree: Home, Down x3 (the printer, "용지", "마무리", "설정"); F6 to the page; Down in
//       its first list ("프린터 언어"); Alt+A ("적용"); once the apply has ended, Alt+F4.
//
// Exit 0 when the program took every key and ended without asking anything; 1 with a line on
// what went otherwise.
#include <windows.h>

#include <cstdio>
#include <initializer_list>
#include <string>

namespace {

constexpr DWORD kFindMs = 30000, kSettleMs = 30000, kStep = 20;

int Fail(const char* what) {
    std::fprintf(stderr, "winui_drive: %s\n", what);
    return 1;
}

// Waits until done() holds or ms pass, looking every kStep ms.
template <class F>
bool WaitFor(F done, DWORD ms) {
    for (DWORD waited = 0;; waited += kStep) {
        if (done()) return true;
        if (waited >= ms) return false;
        Sleep(kStep);
    }
}

// A window of the program's thread other than its main window that the user would have to
// answer (a message box, a dialog).
HWND OpenDialog(DWORD thread, HWND frame) {
    struct Found {
        HWND frame, dialog = nullptr;
    } found{frame};
    EnumThreadWindows(
        thread,
        [](HWND window, LPARAM lParam) -> BOOL {
            auto* f = reinterpret_cast<Found*>(lParam);
            if (window != f->frame && IsWindowVisible(window) && GetWindow(window, GW_OWNER) == f->frame) {
                f->dialog = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found.dialog;
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
    if (argc != 2 || std::string(argv[1]) != "apply-next-language") return Fail("usage: winui_drive apply-next-language");
    HWND frame = nullptr;
    if (!WaitFor([&] { return (frame = FindWindowW(L"DevPanelMainFrame", nullptr)) != nullptr && IsWindowVisible(frame); },
                 kFindMs))
        return Fail("the main window did not come up");
    DWORD processId = 0;
    const DWORD thread = GetWindowThreadProcessId(frame, &processId);
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, processId);
    if (!process) return Fail("the program's process cannot be opened");
    auto idle = [&] { WaitForInputIdle(process, kSettleMs); };

    SetForegroundWindow(frame);
    if (!WaitFor([&] { return GetForegroundWindow() == frame; }, kFindMs)) return Fail("the main window is not in front");
    idle();
    for (WORD key : {WORD(VK_HOME), WORD(VK_DOWN), WORD(VK_DOWN), WORD(VK_DOWN), WORD(VK_F6), WORD(VK_DOWN)}) {
        Press({}, key);
        idle();
    }
    Press({VK_MENU}, 'A');
    idle();
    // The apply runs behind its progress dialog, which disables the main window until it ends.
    if (!WaitFor([&] { return IsWindowEnabled(frame) && !OpenDialog(thread, frame); }, kSettleMs))
        return Fail("the apply did not end");
    Press({VK_MENU}, VK_F4);
    if (WaitFor([&] { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }, kSettleMs)) {
        CloseHandle(process);
        return 0;
    }
    // Leaving asked a question: the apply did not clear the modified flag.
    if (HWND question = OpenDialog(thread, frame)) {
        PostMessageW(question, WM_COMMAND, IDNO, 0);
        return Fail("leaving asked whether to apply: the apply did not take");
    }
    return Fail("the program did not end");
}
