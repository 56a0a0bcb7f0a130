// What the Win32 front end's window tests share: a main window on a document read from the
// virtual printer, a message pump that runs the main loop's keyboard handling, and an answerer of
// the modal dialogs the program opens (message boxes, the save dialog), which runs inside their
// own message loops from a thread timer.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/profile.h"
#include "document/printer_doc.h"
#include "sim_fixture.h"
#include "winui/main_frame.h"
#include "winui/program.h"
#include "winui/template_window.h"

namespace wintest {

// The texts of a dialog as the answerer found it.
struct SeenDialog {
    std::wstring caption;
    std::wstring text;  // its static texts, one after the other
};

// Answers the dialogs that come up, one action per dialog, in order. An action gets the dialog
// and returns whether it handled it; the dialog it handled is remembered.
class DialogAnswerer {
public:
    using Action = std::function<bool(HWND dialog)>;
    DialogAnswerer();
    ~DialogAnswerer();
    void Then(Action action) { actions_.push_back(std::move(action)); }
    // Presses a button of the next message box.
    void ThenPress(int button);
    // Types a path into the next save dialog and presses its OK button.
    void ThenSaveAs(const std::wstring& path);
    bool Done() const { return actions_.empty(); }
    const std::vector<SeenDialog>& Seen() const { return seen_; }

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    void Step();
    std::deque<Action> actions_;
    std::vector<SeenDialog> seen_;
    UINT_PTR timer_ = 0;
};

// A button pressed by posting its click to the dialog, so that whatever the press opens runs in
// the dialog's own loop, not inside the answerer.
void PostPress(HWND dialog, int button);

class WindowTest : public testsupport::SimFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // The start-up read of the virtual printer (USB001, or a one-way LPT1:) and the document.
    void StartDocument(bool oneWay = false);
    // The main window on the document, shown.
    void OpenFrame();
    // Selects the tree node of a view id: its page comes on the right.
    void Open(int viewId);
    // Runs every message waiting, through the main loop's keyboard handling.
    void Pump();
    // A key pressed on a window, through the main loop's keyboard handling as the system would
    // deliver it (the key state is not changed: no modifier is held).
    void Key(HWND window, UINT key);
    void Char(HWND window, wchar_t c);

    winui::SettingsPage* Page() const { return frame_->Page(); }
    HWND Control(int id) const { return Page()->Control(id); }
    std::string Value(const std::string& name) const { return doc_.ReadValue(name); }
    // What the printer holds now, read as the start-up reads it.
    std::string PrinterValue(const std::string& name);

    sim::VirtualPrinter* printer_ = nullptr;
    std::string port_;
    CPrinterDoc doc_;
    std::unique_ptr<winui::MainFrame> frame_;
};

}  // namespace wintest
