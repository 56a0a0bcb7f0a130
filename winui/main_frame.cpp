#include "winui/main_frame.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "strings/string_table.h"
#include "document/printer_doc.h"
#include "templates/templates.h"
#include "flows/commands.h"
#include "flows/settings_files.h"
#include "winui/nav_tree.h"
#include "winui/progress_dialog.h"
#include "winui/save_dialog.h"
#include "winui/settings_files.h"
#include "winui/template_window.h"

namespace winui {

// The document's message-box styles and answers are the system's own values.
static_assert(msgbox::kOk == MB_OK && msgbox::kYesNo == MB_YESNO && msgbox::kIconError == MB_ICONERROR);
static_assert(msgbox::kIconQuestion == MB_ICONQUESTION && msgbox::kIconInformation == MB_ICONINFORMATION);
static_assert(msgbox::kSetForeground == MB_SETFOREGROUND);
static_assert(msgbox::kIdOk == IDOK && msgbox::kIdCancel == IDCANCEL && msgbox::kIdYes == IDYES && msgbox::kIdNo == IDNO);

namespace {

constexpr wchar_t kFrameClass[] = L"DevPanelMainFrame";
constexpr int kFrameWidth = 680, kFrameHeight = 450, kTreeWidth = 150, kSplitterWidth = 4;
constexpr int kTreeId = 0xE900, kStatusId = 0xE801;
constexpr int kIconResource = 128;
// The system menu's commands have help texts too: SC_SIZE .. SC_RESTORE, in steps of 16, are
// texts 61184 onwards.
constexpr UINT kFirstSystemCommand = 0xF000, kFirstSystemText = 61184;

// Menu help texts: the part before "\n" (the rest is a short name for tool tips).
std::string HelpText(int id) {
    const std::string& text = res::String(id);
    return text.substr(0, text.find('\n'));
}

// The frame's fixed sizes are pixels at 96 dots per inch.
int Scaled(int pixels) {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return MulDiv(pixels, dpi > 0 ? dpi : 96, 96);
}

bool RegisterFrameClass() {
    static const bool registered = [] {
        WNDCLASSEXW c{};
        c.cbSize = sizeof c;
        c.lpfnWndProc = DefWindowProcW;  // replaced per window once its object is attached
        c.hInstance = GetModuleHandleW(nullptr);
        c.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIconResource));
        c.hCursor = nullptr;  // chosen in WM_SETCURSOR: the splitter's and the wait cursor
        c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        c.lpszClassName = kFrameClass;
        return RegisterClassExW(&c) != 0;
    }();
    return registered;
}

}  // namespace

MainFrame::MainFrame(CPrinterDoc* doc) : m_doc(doc), m_statusText(HelpText(res::IDS_IDLE_MESSAGE)) {}

MainFrame::~MainFrame() {
    m_files.reset();
    m_pane.reset();
    if (m_window) {
        SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
        DestroyWindow(m_window);
    }
    if (m_accelerators) DestroyAcceleratorTable(m_accelerators);
}

bool MainFrame::Create(const std::string& printerLabel, const Profile& ini) {
    if (!RegisterFrameClass()) return false;
    m_treeWidth = Scaled(kTreeWidth);
    m_splitterWidth = Scaled(kSplitterWidth);
    // Resizable, minimize and close, no maximize box; the title is the application's alone.
    const DWORD style = (WS_OVERLAPPEDWINDOW & ~WS_MAXIMIZEBOX) | WS_CLIPCHILDREN;
    m_window = CreateWindowExW(0, kFrameClass, Wide(res::String(res::IDS_APP_TITLE)).c_str(), style, CW_USEDEFAULT,
                               CW_USEDEFAULT, Scaled(kFrameWidth), Scaled(kFrameHeight), nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    if (!m_window) return false;
    SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(m_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProc));
    if (!CreateMenuBar()) return false;

    m_status = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, m_window,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStatusId)), GetModuleHandleW(nullptr),
                               nullptr);
    m_tree = CreateNavTree(m_window, kTreeId);
    m_pane = std::make_unique<PagePane>(m_window);
    if (!m_status || !m_tree || !m_pane->Window()) return false;
    ShowPaneText(m_statusText);

    BuildNavTree(m_tree, printerLabel, ini);
    std::unique_ptr<SettingsPage> page = CreatePage(0, m_doc, m_pane->Window());
    if (!page->Created()) return false;
    m_pane->SetPage(std::move(page));
    Layout();
    m_pane->Page()->OnInitialUpdate();
    return true;
}

void MainFrame::Show(int showCommand) {
    ShowWindow(m_window, showCommand);
    UpdateWindow(m_window);
    SetFocus(m_tree);
}

bool MainFrame::CreateMenuBar() {
    m_menu = CreateMenu();
    if (!m_menu) return false;
    HMENU popup = nullptr;
    std::wstring popupText;
    for (const res::MenuEntry& e : res::MainMenu()) {
        switch (e.kind) {
            case res::MenuKind::Popup:
                popup = CreatePopupMenu();
                popupText = Wide(res::MenuText(e));
                break;
            case res::MenuKind::EndPopup:
                if (popup) AppendMenuW(m_menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), popupText.c_str());
                popup = nullptr;
                break;
            case res::MenuKind::Separator:
                if (popup) AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
                break;
            case res::MenuKind::Item: {
                std::wstring text = Wide(res::MenuText(e));
                if (e.shortcut) text += L"\t" + Wide(e.shortcut);
                AppendMenuW(popup ? popup : m_menu, MF_STRING, static_cast<UINT_PTR>(e.commandId), text.c_str());
                break;
            }
        }
    }
    if (!SetMenu(m_window, m_menu)) return false;
    if (m_doc) {
        // A page made anew shows the new values (a page shows what it was made with).
        m_files = std::make_unique<SettingsFileUi>(m_window, *m_doc, [this] {
            if (m_tree) replaceView(ViewIdOf(m_tree, TreeView_GetSelection(m_tree)));
        });
    }

    std::vector<ACCEL> table;
    for (const res::Accelerator& a : res::MainAccelerators()) {
        ACCEL accel{};
        accel.fVirt = FVIRTKEY;
        if (a.modifiers & res::ACC_CTRL) accel.fVirt |= FCONTROL;
        if (a.modifiers & res::ACC_SHIFT) accel.fVirt |= FSHIFT;
        accel.key = static_cast<WORD>(a.key == res::KEY_F6 ? VK_F6 : a.key);  // letters are their own key codes
        accel.cmd = static_cast<WORD>(a.commandId);
        table.push_back(accel);
    }
    m_accelerators = CreateAcceleratorTableW(table.data(), static_cast<int>(table.size()));
    return m_accelerators != nullptr;
}

void MainFrame::Layout() {
    if (!m_window) return;
    RECT client{};
    GetClientRect(m_window, &client);
    int statusHeight = 0;
    if (m_status) {
        SendMessageW(m_status, WM_SIZE, 0, 0);
        RECT r{};
        GetWindowRect(m_status, &r);
        statusHeight = r.bottom - r.top;
    }
    const int height = std::max<int>(0, client.bottom - statusHeight);
    m_treeWidth = std::clamp(m_treeWidth, 0, std::max<int>(0, client.right - m_splitterWidth));
    if (m_tree) MoveWindow(m_tree, 0, 0, m_treeWidth, height, TRUE);
    const int paneLeft = m_treeWidth + m_splitterWidth;
    if (m_pane && m_pane->Window())
        MoveWindow(m_pane->Window(), paneLeft, 0, std::max<int>(0, client.right - paneLeft), height, TRUE);
}

bool MainFrame::OverSplitter(int x) const { return x >= m_treeWidth && x < m_treeWidth + m_splitterWidth; }

bool MainFrame::PreTranslate(MSG& msg) {
    if (!m_window) return false;
    if (m_accelerators && TranslateAcceleratorW(m_window, m_accelerators, &msg)) return true;
    // Alt+F4 closes the main window whichever control has the focus: a drop-down list takes every
    // Alt key for itself under Wine, and the key would be lost there.
    if (msg.message == WM_SYSKEYDOWN && msg.wParam == VK_F4 && (HIWORD(msg.lParam) & KF_ALTDOWN) &&
        (msg.hwnd == m_window || IsChild(m_window, msg.hwnd))) {
        PostMessageW(m_window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return true;
    }
    SettingsPage* page = Page();
    HWND form = page ? page->Form() : nullptr;
    // The page is a form of its own: Tab, Shift+Tab and the arrows of a radio group move as in a
    // dialog, within the page.
    if (form && (msg.hwnd == form || IsChild(form, msg.hwnd))) return IsDialogMessageW(form, &msg) != FALSE;
    return false;
}

void MainFrame::FollowFocus() {
    HWND focus = GetFocus();
    if (focus == m_lastFocus || !focus || !m_window) return;
    if (focus == m_window || IsChild(m_window, focus)) m_lastFocus = focus;
    if (m_pane) m_pane->EnsureVisible(focus);
}

// --- commands ----------------------------------------------------------------------------------

void MainFrame::OnCommand(int id) {
    switch (id) {
        case res::ID_SAVE_COMMAND_FILE:
            OnSaveCommandFile();
            break;
        case res::ID_APP_EXIT:
            PostMessageW(m_window, WM_CLOSE, 0, 0);
            break;
        case res::ID_APPLY_SETTINGS:
            OnApply();
            break;
        case res::ID_APP_ABOUT:
            if (m_about) m_about();
            break;
        case res::ID_NEXT_PANE:
        case res::ID_PREV_PANE:
            OnNextPane(id == res::ID_NEXT_PANE);
            break;
        case res::ID_EXPORT_SETTINGS:
        case res::ID_IMPORT_SETTINGS:
        case res::ID_RESTORE_SETTINGS:
            OnSettingsFile(id);
            break;
        default:
            break;
    }
}

void MainFrame::OnApply() {
    if (m_doc) flows::RunApply(*m_doc);
}

void MainFrame::OnSaveCommandFile() {
    // Ctrl+S comes here too, so the greyed item is checked here as well.
    if (!m_doc || !menuItemEnabled(ID_FILE_SAVE_COMMAND)) return;
    const std::optional<std::wstring> path = AskCommandFilePath(m_window);
    if (!path) return;
    flows::RunSaveCommandFile(*m_doc, FileLayerPath(*path), Narrow(*path));
}

void MainFrame::OnSettingsFile(int commandId) {
    if (!m_doc || !m_files) return;
    if (commandId == res::ID_EXPORT_SETTINGS)
        flows::RunExport(*m_doc, *m_files);
    else if (commandId == res::ID_IMPORT_SETTINGS)
        flows::RunImport(*m_doc, *m_files);
    else if (commandId == res::ID_RESTORE_SETTINGS)
        flows::RunRestore(*m_doc, *m_files);
}

void MainFrame::OnNextPane(bool forward) {
    // Two panes: next and previous both move to the other one.
    (void)forward;
    HWND focus = GetFocus();
    const bool inTree = focus == m_tree || (focus && IsChild(m_tree, focus));
    if (!inTree) {
        SetFocus(m_tree);
        return;
    }
    SettingsPage* page = Page();
    HWND target = page ? page->FocusTarget() : nullptr;
    SetFocus(target ? target : m_pane->Window());
}

void MainFrame::OnClose() {
    // Every road out (menu, close box, system menu, Alt+F4) comes here. Once the document has let
    // go of the printer, the window goes whatever comes later.
    if (!m_closed) {
        if (m_closing || !m_doc) return;
        m_closing = true;
        const bool mayClose = m_doc->SaveModified();
        m_closing = false;
        // The user chose to apply and the apply failed (the document has said so): the edits are
        // still unapplied, so the window stays and the next close asks again.
        if (!mayClose) return;
        m_closed = true;
    }
    DestroyWindow(m_window);
}

// --- IPrinterFrame -------------------------------------------------------------------------------

void MainFrame::ShowPaneText(const std::string& text) {
    if (!m_status) return;
    SendMessageW(m_status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(Wide(text).c_str()));
}

void MainFrame::setStatusText(const std::string& text) {
    m_statusText = text;
    // A new text of the pane's own ends a confirmation that was still shown.
    if (m_window) KillTimer(m_window, kConfirmationTimer);
    ShowPaneText(text);
    if (m_status) UpdateWindow(m_status);
}

void MainFrame::setWaitCursor(bool on) {
    if (on) {
        ++m_waitDepth;
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    } else if (m_waitDepth > 0) {
        --m_waitDepth;
        if (m_waitDepth == 0) {
            POINT at{};
            GetCursorPos(&at);
            SetCursorPos(at.x, at.y);  // the cursor of whatever is under it again
        }
    }
}

bool MainFrame::menuItemEnabled(int commandId) {
    if (!m_menu) return false;
    const UINT state = GetMenuState(m_menu, static_cast<UINT>(commandId), MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED));
}

void MainFrame::setMenuItemEnabled(int commandId, bool enabled) {
    if (!m_menu) return;
    EnableMenuItem(m_menu, static_cast<UINT>(commandId), MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    redraw();
}

void MainFrame::redraw() {
    if (m_window) DrawMenuBar(m_window);
}

bool MainFrame::replaceView(int viewId) {
    if (!m_pane || !m_pane->Window()) return false;
    std::unique_ptr<SettingsPage> page = CreatePage(viewId, m_doc, m_pane->Window());
    if (!page->Created()) return false;
    // The document is owned by the program, never by a page: it outlives this moment.
    m_pane->SetPage(std::move(page));
    m_pane->Page()->OnInitialUpdate();
    RedrawWindow(m_pane->Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    return true;
}

int MainFrame::messageBox(const std::string& text, const std::string& caption, unsigned style, bool ownedByMainWindow) {
    HWND owner = ownedByMainWindow ? m_window : nullptr;
    // A box without owner still keeps the user from the main window until it is answered.
    if (!owner) style |= MB_TASKMODAL;
    return MessageBoxW(owner, Wide(text).c_str(), Wide(caption).c_str(), style);
}

int MainFrame::runLongWork(const std::string& label, const std::function<int()>& work) {
    ProgressDialog dialog(label);
    m_progress.store(&dialog);
    const int result = dialog.Run(m_window, work);
    m_progress.store(nullptr);
    return result;
}

void MainFrame::workProgress(NpaPhase phase, size_t sent, size_t total) {
    // Called on the worker: it only posts to the dialog.
    if (ProgressDialog* dialog = m_progress.load()) dialog->Progress(phase, sent, total);
}

void MainFrame::documentValuesChanged() {
    if (SettingsPage* page = Page()) page->OnUpdate();
}

void MainFrame::showConfirmation(const std::string& text, int milliseconds) {
    if (!m_window || !m_status) return;
    ShowPaneText(text);
    UpdateWindow(m_status);
    // The same timer again: a second confirmation gets its whole time.
    SetTimer(m_window, kConfirmationTimer, static_cast<UINT>(std::max(milliseconds, 0)), nullptr);
}

// --- messages ------------------------------------------------------------------------------------

void MainFrame::OnMenuSelect(UINT item, UINT flags, HMENU menu) {
    // The menu closed: the idle text again.
    if (flags == 0xFFFF && !menu) {
        ShowPaneText(m_statusText);
        return;
    }
    std::string text;
    if (!(flags & (MF_POPUP | MF_SEPARATOR))) {
        if (flags & MF_SYSMENU) {
            if (item >= kFirstSystemCommand) text = HelpText(static_cast<int>(kFirstSystemText + ((item - kFirstSystemCommand) >> 4)));
        } else {
            text = HelpText(static_cast<int>(item));
        }
    }
    ShowPaneText(text);
}

LRESULT CALLBACK MainFrame::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* frame = reinterpret_cast<MainFrame*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return frame ? frame->OnMessage(message, wParam, lParam) : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT MainFrame::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            Layout();
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam));
            return 0;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->hwndFrom == m_tree && header->code == TVN_SELCHANGEDW) {
                const auto* change = reinterpret_cast<const NMTREEVIEWW*>(lParam);
                if (m_doc) m_doc->ReplaceView(ViewIdOf(m_tree, change->itemNew.hItem), 0, 1);
                return 0;
            }
            break;
        }
        case WM_TIMER:
            if (wParam == kConfirmationTimer) {
                KillTimer(m_window, kConfirmationTimer);
                ShowPaneText(m_statusText);
                return 0;
            }
            break;
        case WM_MENUSELECT:
            OnMenuSelect(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HMENU>(lParam));
            return 0;
        case WM_SETCURSOR:
            if (m_waitDepth > 0) {
                SetCursor(LoadCursorW(nullptr, IDC_WAIT));
                return TRUE;
            }
            if (reinterpret_cast<HWND>(wParam) == m_window && LOWORD(lParam) == HTCLIENT) {
                POINT at{};
                GetCursorPos(&at);
                ScreenToClient(m_window, &at);
                SetCursor(LoadCursorW(nullptr, OverSplitter(at.x) ? IDC_SIZEWE : IDC_ARROW));
                return TRUE;
            }
            break;
        case WM_LBUTTONDOWN:
            if (OverSplitter(static_cast<short>(LOWORD(lParam)))) {
                m_dragging = true;
                SetCapture(m_window);
            }
            return 0;
        case WM_MOUSEMOVE:
            if (m_dragging) {
                m_treeWidth = std::max(0, static_cast<int>(static_cast<short>(LOWORD(lParam))) - m_splitterWidth / 2);
                Layout();
            }
            return 0;
        case WM_LBUTTONUP:
        case WM_CAPTURECHANGED:
            if (m_dragging && message == WM_LBUTTONUP) ReleaseCapture();
            m_dragging = false;
            return 0;
        case WM_SETFOCUS:
            // Back from another window: the control that had the focus has it again.
            SetFocus(m_lastFocus && IsWindow(m_lastFocus) && IsChild(m_window, m_lastFocus) ? m_lastFocus : m_tree);
            return 0;
        case WM_CLOSE:
            OnClose();
            return 0;
        case WM_DESTROY:
            // Nothing of this object is reached any more by the window's last messages.
            SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
            SetWindowLongPtrW(m_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcW));
            m_pane.reset();
            m_tree = m_status = nullptr;
            m_menu = nullptr;  // destroyed with the window
            m_window = nullptr;
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(m_window, message, wParam, lParam);
}

}  // namespace winui
