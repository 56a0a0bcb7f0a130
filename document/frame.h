// What the printer document needs of the main window. The Qt frame implements it; tests use a
// fake. Keeps the document free of any user-interface toolkit.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "transactions/transactions.h"

// Message box styles and answers (the values of the classic message-box API), in a namespace of
// their own so that they never meet the macros of the same names in <windows.h>.
namespace msgbox {
constexpr unsigned kOk = 0x0;
constexpr unsigned kYesNo = 0x4;
constexpr unsigned kIconError = 0x10;
constexpr unsigned kIconQuestion = 0x20;
constexpr unsigned kIconInformation = 0x40;
constexpr unsigned kSetForeground = 0x10000;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;
}  // namespace msgbox

constexpr int ID_FILE_SAVE_COMMAND = 32772;  // "코멘드 파일로 저장(&S)"
constexpr int ID_APPLY = 32774;              // "적용(&A)"

class IPrinterFrame {
public:
    virtual ~IPrinterFrame() = default;
    // Status bar pane 0.
    virtual std::string statusText() = 0;
    virtual void setStatusText(const std::string& text) = 0;  // shown and redrawn at once
    virtual void setWaitCursor(bool on) = 0;
    // Menu item state (ID_FILE_SAVE_COMMAND): enabled or greyed.
    virtual bool menuItemEnabled(int commandId) = 0;
    virtual void setMenuItemEnabled(int commandId, bool enabled) = 0;
    virtual void redraw() = 0;
    // Replaces the page on the right by a new page of the given view id. False when it fails.
    virtual bool replaceView(int viewId) = 0;
    // A message box; ownedByMainWindow false means no owner. text may already be formatted.
    virtual int messageBox(const std::string& text, const std::string& caption, unsigned style,
                           bool ownedByMainWindow) = 0;

    // Long work (a write to the printer or a command file): runs work to its end and returns its
    // result. A window runs it on a worker thread behind a modal progress dialog labelled with
    // label, so that it keeps repainting while the rest of its input stays blocked; work must
    // then touch nothing of the window. Without a window it simply runs here.
    virtual int runLongWork(const std::string& label, const std::function<int()>& work) {
        (void)label;
        return work();
    }
    // Where the long work is: its phase, and sent of total settings. Called on the thread that
    // runs the work; a window forwards it to its own thread and touches no widget here.
    virtual void workProgress(NpaPhase phase, size_t sent, size_t total) {
        (void)phase;
        (void)sent;
        (void)total;
    }
    // The document replaced values that the page on the right may show (the printer held newer
    // ones): the page must show the document's values again. Called on the window's thread,
    // after the long work has ended.
    virtual void documentValuesChanged() {}
    // A short confirmation or note in the status bar for the given time, after which pane 0
    // shows its own text again; a window without a status bar ignores it.
    virtual void showConfirmation(const std::string& text, int milliseconds) {
        (void)text;
        (void)milliseconds;
    }
};
