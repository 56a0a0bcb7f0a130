#include "winui/settings_page.h"

#include <commctrl.h>
#include <richedit.h>

#include <memory>
#include <vector>

#include "strings/string_table.h"
#include "document/printer_doc.h"
#include "pages/typing_limit.h"
#include "winui/template_window.h"

namespace winui {
namespace {

const res::DialogTemplate& FormOf(int templateId) {
    const res::DialogTemplate* dialog = res::FindDialogTemplate(templateId);
    if (!dialog) dialog = res::FindDialogTemplate(res::IDD_EMPTY_PAGE);
    return *dialog;
}

std::u16string U16(const std::wstring& w) { return std::u16string(w.begin(), w.end()); }
std::wstring W(const std::u16string& u) { return std::wstring(u.begin(), u.end()); }

// The radio groups of a template, in template order: a group runs from a radio button with the
// group style to the next control with it.
std::vector<std::vector<int>> RadioGroups(const res::DialogTemplate& dialog) {
    std::vector<std::vector<int>> groups;
    bool inGroup = false;
    for (const res::ControlTemplate& c : dialog.controls) {
        const bool starts = (c.style & res::S_GROUP) != 0;
        if (c.kind != res::Ctl::RadioButton) {
            if (starts) inGroup = false;
            continue;
        }
        if (starts || !inGroup) groups.emplace_back();
        inGroup = true;
        groups.back().push_back(c.id);
    }
    return groups;
}

}  // namespace

SettingsPage::SettingsPage(CPrinterDoc* doc, pages::PageTable table, HWND parent)
    : m_doc(doc), m_templateId(FormOf(table.templateId).id), m_model(doc, std::move(table)) {
    const res::DialogTemplate& form = FormOf(m_templateId);
    m_form = CreateForm(form, parent, DialogProc, reinterpret_cast<LPARAM>(this));
    m_size = TemplatePixelSize(form);
}

SettingsPage::~SettingsPage() {
    if (m_form) {
        SetWindowLongPtrW(m_form, DWLP_USER, 0);
        DestroyWindow(m_form);
    }
}

HWND SettingsPage::Control(int id) const { return m_form ? GetDlgItem(m_form, id) : nullptr; }

HWND SettingsPage::FocusTarget() const {
    if (!m_form) return nullptr;
    HWND first = GetNextDlgTabItem(m_form, nullptr, FALSE);
    return first && IsChild(m_form, first) ? first : nullptr;
}

void SettingsPage::OnInitialUpdate() {
    if (m_initialised) return OnUpdate();
    m_initialised = true;
    Fill(true);
}

void SettingsPage::OnUpdate() { Fill(false); }

void SettingsPage::Fill(bool initial) {
    m_filling = true;
    const auto show = [this](int id) { Show(id); };
    if (initial)
        m_model.InitialUpdate(show);
    else
        m_model.Fill(show);
    UpdateRadioTabStops();
    m_filling = false;
}

INT_PTR CALLBACK SettingsPage::DialogProc(HWND form, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(form, DWLP_USER, lParam);
        return FALSE;  // the page takes no focus of its own
    }
    auto* page = reinterpret_cast<SettingsPage*>(GetWindowLongPtrW(form, DWLP_USER));
    return page ? page->OnMessage(message, wParam, lParam) : FALSE;
}

INT_PTR SettingsPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND: {
            // A window-coloured form, not a dialog-coloured one.
            RECT client{};
            GetClientRect(m_form, &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_WINDOW));
            SetWindowLongPtrW(m_form, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORSTATIC:
            // Labels, boxes, buttons, group boxes, read-only and disabled edits: on the window
            // colour. The brush is the system's own and needs no release.
            SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
            return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_WINDOW));
        case WM_COMMAND:
            if (lParam != 0) OnCommand(LOWORD(wParam), HIWORD(wParam));
            return FALSE;
        default:
            return FALSE;
    }
}

// --- the user's actions -> the model ---------------------------------------------------------

void SettingsPage::OnCommand(int id, int code) {
    if (m_filling) return;
    const pages::PageControl* c = m_model.Table().Find(id);
    if (!c) return;
    HWND w = Control(id);
    using pages::Role;
    switch (c->role) {
        case Role::List: {
            // On a choice accepted, also of the entry already chosen.
            if (code != CBN_SELENDOK) return;
            const LRESULT index = SendMessageW(w, CB_GETCURSEL, 0, 0);
            if (index == CB_ERR) return;
            const auto item = static_cast<size_t>(SendMessageW(w, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
            const std::vector<pages::ListItem>& items = m_model.State(id).items;
            if (item >= items.size()) return;
            m_model.Choose(id, items[item].key);
            break;
        }
        case Role::Switch:
        case Role::OffBox:
        case Role::ChoiceOff:
        case Role::ChoiceNumber:
            if (code != BN_CLICKED) return;
            m_model.Click(id, SendMessageW(w, BM_GETCHECK, 0, 0) == BST_CHECKED);
            break;
        case Role::Text:
        case Role::Number:
        case Role::OffNumber:
        case Role::ChoiceField:
            // Typed, or written by the field's spin.
            if (code != EN_CHANGE || m_adjusting) return;
            OnTextChanged(id, w);
            break;
        default:
            // The title line, spins (they write their field), a list that is only shown and
            // "없음", which is never the user's choice.
            return;
    }
    ShowSideEffects();
}

void SettingsPage::OnTextChanged(int id, HWND edit) {
    std::wstring text = WindowText(edit);
    const pages::PageControl* c = m_model.Table().Find(id);
    if (c && c->role == pages::Role::Text) {
        // The limit counts bytes of the printer's code page (a Korean character takes two); a
        // longer text from the printer is still shown whole and may shrink. The edit has made the
        // change already: what of it the rule keeps replaces it.
        const std::wstring accepted = m_accepted[id];
        DWORD start = 0, end = 0;
        SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        const pages::TypedText fit = pages::FitTyped(U16(accepted), U16(text), m_model.State(id).textLimit, end);
        const std::wstring kept = W(fit.text);
        if (kept != text) {
            m_adjusting = true;
            SetWindowTextW(edit, kept.c_str());
            // A refused change leaves the stretch it would have replaced selected, as it was.
            const size_t to = fit.refused ? fit.start + fit.replaced : fit.caret;
            SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(fit.caret), static_cast<LPARAM>(to));
            m_adjusting = false;
            text = kept;
        }
        // A full field beeps, as the system's edit does at its own limit; the characters the code
        // page lacks are named in the status bar, in the words of the Qt front end.
        if (fit.cut) MessageBeep(MB_OK);
        if (!fit.leftOut.empty() && m_doc && m_doc->Frame()) {
            m_doc->Frame()->showConfirmation(pages::LeftOutStatusText(pages::LeftOutList(fit.leftOut)),
                                             pages::kLeftOutShownMs);
        }
        if (text == accepted) return;
        m_accepted[id] = text;
    }
    m_model.TextChanged(id, Narrow(text));
}

// --- the model -> the controls ---------------------------------------------------------------

void SettingsPage::Show(int id) {
    const pages::PageControl* c = m_model.Table().Find(id);
    HWND w = Control(id);
    if (!c || !w) return;
    const pages::ControlState& s = m_model.State(id);
    switch (c->kind) {
        case pages::ControlKind::Title:
            ShowTitle(w, s);
            return;
        case pages::ControlKind::List:
            SendMessageW(w, CB_RESETCONTENT, 0, 0);
            for (size_t i = 0; i < s.items.size(); ++i) {
                // A sorted list places the entry by its text; the entry remembers its place in
                // the model's list.
                const LRESULT at = SendMessageW(w, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(s.items[i].label).c_str()));
                if (at >= 0) SendMessageW(w, CB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(i));
            }
            SendMessageW(w, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
            for (LRESULT at = 0, n = SendMessageW(w, CB_GETCOUNT, 0, 0); at < n; ++at) {
                if (SendMessageW(w, CB_GETITEMDATA, static_cast<WPARAM>(at), 0) == s.current && s.current >= 0)
                    SendMessageW(w, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
            }
            break;
        case pages::ControlKind::Check:
        case pages::ControlKind::Radio:
            SendMessageW(w, BM_SETCHECK, s.checked ? BST_CHECKED : BST_UNCHECKED, 0);
            break;
        case pages::ControlKind::Edit:
            // A number field shows what its spin writes into it.
            if (c->role == pages::Role::Text) {
                const std::wstring text = Wide(s.text);
                m_accepted[id] = text;
                SetWindowTextW(w, text.c_str());
            }
            break;
        case pages::ControlKind::Spin:
            SendMessageW(w, UDM_SETRANGE32, static_cast<WPARAM>(s.spinMin), static_cast<LPARAM>(s.spinMax));
            SendMessageW(w, UDM_SETPOS32, 0, static_cast<LPARAM>(s.spinPos));
            break;
    }
    EnableWindow(w, s.enabled);
}

void SettingsPage::ShowSideEffects() {
    for (const pages::PageControl& c : m_model.Table().controls) {
        HWND w = Control(c.id);
        if (!w || c.kind == pages::ControlKind::Title) continue;
        const pages::ControlState& s = m_model.State(c.id);
        if ((IsWindowEnabled(w) != FALSE) != s.enabled) EnableWindow(w, s.enabled);
        if (c.kind == pages::ControlKind::Radio) {
            const bool checked = SendMessageW(w, BM_GETCHECK, 0, 0) == BST_CHECKED;
            if (checked != s.checked) SendMessageW(w, BM_SETCHECK, s.checked ? BST_CHECKED : BST_UNCHECKED, 0);
        }
    }
    UpdateRadioTabStops();
}

void SettingsPage::UpdateRadioTabStops() {
    for (const std::vector<int>& group : RadioGroups(FormOf(m_templateId))) {
        HWND stop = nullptr;
        for (int id : group) {
            HWND b = Control(id);
            if (b && IsWindowEnabled(b) && SendMessageW(b, BM_GETCHECK, 0, 0) == BST_CHECKED) stop = b;
        }
        for (int id : group) {
            HWND b = Control(id);
            if (!stop && b && IsWindowEnabled(b)) stop = b;
        }
        for (int id : group) {
            HWND b = Control(id);
            if (!b) continue;
            const LONG style = GetWindowLongW(b, GWL_STYLE);
            const LONG wanted = b == stop ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP);
            if (wanted != style) SetWindowLongW(b, GWL_STYLE, wanted);
        }
    }
}

// The caption-coloured title line, the last step of the path after ">" in bold.
void SettingsPage::ShowTitle(HWND title, const pages::ControlState& state) {
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_SIZE | CFM_FACE | CFM_CHARSET | CFM_COLOR | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE |
                    CFM_STRIKEOUT | CFM_PROTECTED;
    format.yHeight = 180;  // 9 points
    const std::wstring face = Wide(res::String(res::IDS_TITLE_FONT));
    lstrcpynW(format.szFaceName, face.c_str(), LF_FACESIZE);
    format.bCharSet = DEFAULT_CHARSET;
    format.crTextColor = GetSysColor(COLOR_CAPTIONTEXT);
    format.dwEffects = 0;
    SendMessageW(title, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
    SendMessageW(title, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    SendMessageW(title, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(GetSysColor(COLOR_ACTIVECAPTION)));
    const std::wstring text = Wide(state.text);
    SetWindowTextW(title, text.c_str());
    SendMessageW(title, EM_SETREADONLY, TRUE, 0);
    SendMessageW(title, EM_SETOPTIONS, ECOOP_SET, ECO_SAVESEL);
    // The bold part begins at a byte offset of the UTF-8 text: as many UTF-16 units as its start.
    const auto boldFrom = static_cast<WPARAM>(Wide(state.text.substr(0, std::min(state.boldFrom, state.text.size()))).size());
    SendMessageW(title, EM_SETSEL, boldFrom, static_cast<LPARAM>(text.size()));
    CHARFORMAT2W bold{};
    bold.cbSize = sizeof bold;
    bold.dwMask = CFM_BOLD;
    bold.dwEffects = CFE_BOLD;
    SendMessageW(title, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&bold));
    // No selection is left to be shown: the line is a title, not text to select.
    SendMessageW(title, EM_SETSEL, static_cast<WPARAM>(text.size()), static_cast<LPARAM>(text.size()));
    EnableWindow(title, state.enabled);
}

std::unique_ptr<SettingsPage> CreatePage(int viewId, CPrinterDoc* doc, HWND parent) {
    // Only the eleven page ids select a page; anything else (the root's 0 included) is empty.
    return std::make_unique<SettingsPage>(doc, pages::PageTableOf(viewId >= 1 && viewId <= 11 ? viewId : 0), parent);
}

}  // namespace winui
