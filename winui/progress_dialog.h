// The progress of long work (apply, save as command file, the apply when leaving): the status text
// of the work as its label, a bar and "n / total" beneath it. It has no close box and Escape does
// nothing: a write to the printer, once begun, must end with the printer back online, so the
// dialog goes away only when the work has ended. The work runs on a worker thread meanwhile; the
// window keeps repainting and the rest of the program's input waits.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>

#include "transactions/transactions.h"

namespace winui {

class ProgressDialog {
public:
    explicit ProgressDialog(std::string label) : m_label(std::move(label)) {}

    // Runs work on a worker thread behind the modal dialog and returns its result once it has
    // ended. Without a thread (none to be had) or a dialog, the work runs here.
    int Run(HWND owner, const std::function<int()>& work);
    // Where the work is: its phase, sent of total. Called on the worker; it only posts.
    void Progress(NpaPhase phase, size_t sent, size_t total);
    // The dialog's window while it is up, else nullptr.
    HWND Window() const { return m_window.load(); }

private:
    friend class ProgressWindow;
    std::string m_label;
    std::atomic<HWND> m_window{nullptr};
    std::atomic<NpaPhase> m_phase{NpaPhase::Offline};  // the last phase posted
};

}  // namespace winui
