// A modal dialog built from a template of templates/templates.h (winui/template_window.h): the base of
// the start-up's dialogs, the about box and the progress of long work. A dialog handles its own
// messages; the template's controls are placed before OnInit runs.
#pragma once

#include <windows.h>

#include "templates/templates.h"

namespace winui {

class ModalDialog {
public:
    explicit ModalDialog(const res::DialogTemplate& dialog) : m_template(dialog) {}
    virtual ~ModalDialog() = default;
    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;

    // Shows the dialog and returns the value EndDialog was given (-1 when it could not be made).
    INT_PTR Run(HWND owner);
    HWND Window() const { return m_window; }

protected:
    // After the controls are placed. Returns whether the dialog manager should set the focus.
    virtual bool OnInit() { return true; }
    // A command (a button, IDOK for Enter, IDCANCEL for Escape and the close box). The default
    // ends the dialog with IDOK or IDCANCEL.
    virtual void OnCommand(int id, int code);
    // Any other message; true when handled (result in *result).
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
        (void)message, (void)wParam, (void)lParam, (void)result;
        return false;
    }
    void End(INT_PTR result) { EndDialog(m_window, result); }

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    const res::DialogTemplate& m_template;
    HWND m_window = nullptr;
};

}  // namespace winui
