#include "winui/startup_dialogs.h"


#include "winui/modal_dialog.h"
#include "winui/template_window.h"

namespace winui {
namespace {

// The message the start-up read's worker posts when it has ended (WM_USER + 1000).
constexpr UINT kReadDone = 0x07E8;

const res::DialogTemplate& Template(int id) { return *res::FindDialogTemplate(id); }

class SelectPrinterDialog : public ModalDialog {
public:
    explicit SelectPrinterDialog(const PrinterTable& printers)
        : ModalDialog(Template(res::IDD_SELECT_PRINTER)), m_printers(printers) {}
    std::string m_selectedLabel;

protected:
    bool OnInit() override {
        HWND list = GetDlgItem(Window(), res::IDC_PRINTER_LIST);
        // The list box sorts the labels itself.
        for (const auto& [label, port] : m_printers)
            SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(label).c_str()));
        SendMessageW(list, LB_SETCURSEL, 0, 0);
        return true;
    }
    void OnCommand(int id, int code) override {
        if (id == IDOK) {
            HWND list = GetDlgItem(Window(), res::IDC_PRINTER_LIST);
            const LRESULT at = SendMessageW(list, LB_GETCURSEL, 0, 0);
            if (at == LB_ERR) return;
            std::wstring text(static_cast<size_t>(std::max<LRESULT>(0, SendMessageW(list, LB_GETTEXTLEN, at, 0))) + 1, L'\0');
            const LRESULT got = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(text.data()));
            text.resize(static_cast<size_t>(std::max<LRESULT>(0, got)));
            m_selectedLabel = Narrow(text);
            End(IDOK);
            return;
        }
        ModalDialog::OnCommand(id, code);
    }

private:
    const PrinterTable& m_printers;
};

class PrinterQueryDialog : public ModalDialog {
public:
    explicit PrinterQueryDialog(flows::StartupRead& read) : ModalDialog(Template(res::IDD_PRINTER_QUERY)), m_read(read) {}
    // The read's thread posts to this dialog's window: it has ended before the window goes.
    ~PrinterQueryDialog() override { m_read.Wait(); }

protected:
    bool OnInit() override {
        HWND window = Window();
        m_read.Start([window] { PostMessageW(window, kReadDone, 0, 0); });
        return true;
    }
    void OnCommand(int id, int code) override {
        (void)code;
        // Enter never ends the dialog; Escape only once the read is done.
        if (id == IDCANCEL && m_mayClose) End(IDCANCEL);
    }
    bool OnMessage(UINT message, WPARAM, LPARAM, INT_PTR* result) override {
        if (message == kReadDone) {
            m_mayClose = true;
            PostMessageW(Window(), WM_CLOSE, 0, 0);
            *result = 0;
            return true;
        }
        if (message == WM_CLOSE) {
            if (m_mayClose) End(IDOK);
            *result = 0;
            return true;
        }
        return false;
    }

private:
    flows::StartupRead& m_read;
    bool m_mayClose = false;
};

}  // namespace

std::optional<std::string> ChoosePrinter(const PrinterTable& printers, HWND owner) {
    SelectPrinterDialog dialog(printers);
    if (dialog.Run(owner) != IDOK) return std::nullopt;  // cancelled: no message
    return dialog.m_selectedLabel;
}

void WaitForRead(flows::StartupRead& read, HWND owner) {
    PrinterQueryDialog dialog(read);
    dialog.Run(owner);
}

void ShowAboutBox(HWND owner) {
    ModalDialog about(Template(res::IDD_ABOUTBOX));
    about.Run(owner);
}

}  // namespace winui
