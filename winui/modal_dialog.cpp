#include "winui/modal_dialog.h"

#include "winui/template_window.h"

namespace winui {

INT_PTR ModalDialog::Run(HWND owner) { return RunModal(m_template, owner, DialogProc, reinterpret_cast<LPARAM>(this)); }

void ModalDialog::OnCommand(int id, int code) {
    (void)code;
    if (id == IDOK || id == IDCANCEL) End(id);
}

INT_PTR CALLBACK ModalDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<ModalDialog*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        dialog->m_window = window;
        PlaceControls(window, dialog->m_template);
        return dialog->OnInit() ? TRUE : FALSE;
    }
    auto* dialog = reinterpret_cast<ModalDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!dialog) return FALSE;
    if (message == WM_COMMAND) {
        dialog->OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    }
    INT_PTR result = 0;
    if (dialog->OnMessage(message, wParam, lParam, &result)) {
        SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
        return TRUE;
    }
    return FALSE;
}

}  // namespace winui
