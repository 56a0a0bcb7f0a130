#include "platform/interruption.h"

#include <windows.h>

namespace platform {

namespace {

// The flag of the newest watch; the handler runs on a thread of its own.
std::atomic<std::atomic<bool>*> g_flag{nullptr};
// Watches alive; the handler is registered while there is one.
int g_depth = 0;
// Signalled when the outermost watch ends: the close handler may then let the process go.
HANDLE g_watchesEnded = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
        case CTRL_CLOSE_EVENT: {
            std::atomic<bool>* flag = g_flag.load();
            if (flag == nullptr) return FALSE;  // no watch: the next handler (or the default) decides
            flag->store(true);
            // The process ends when this returns; the work under the watch gets its grace.
            if (event == CTRL_CLOSE_EVENT && g_watchesEnded != nullptr)
                ::WaitForSingleObject(g_watchesEnded, InterruptionWatch::kCloseGraceMs);
            return TRUE;
        }
        default: return FALSE;
    }
}

}  // namespace

struct InterruptionWatch::Saved {
    std::atomic<bool>* previousFlag = nullptr;
};

InterruptionWatch::InterruptionWatch(std::atomic<bool>& flag) : saved_(std::make_unique<Saved>()) {
    flag.store(false);
    if (g_watchesEnded == nullptr) g_watchesEnded = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);  // kept for good
    saved_->previousFlag = g_flag.exchange(&flag);
    if (g_depth++ == 0) {
        if (g_watchesEnded != nullptr) ::ResetEvent(g_watchesEnded);
        ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
    }
}

InterruptionWatch::~InterruptionWatch() {
    g_flag.store(saved_->previousFlag);
    if (--g_depth == 0) {
        ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
        if (g_watchesEnded != nullptr) ::SetEvent(g_watchesEnded);
    }
}

}  // namespace platform
