#include "winui/restore_dialog.h"

#include <commctrl.h>

#include <cstdio>

#include "strings/string_table.h"
#include "pages/restore_list.h"
#include "templates/dialog_units.h"
#include "winui/template_window.h"

namespace winui {
namespace {

namespace restore_text = pages::restore_text;

// Where the two lists go, in dialog units: made in code, as the templates know no list view.
constexpr int kListX = 7, kListWidth = 306;
constexpr int kSnapshotsY = 30, kSnapshotsHeight = 76, kDifferencesY = 110, kDifferencesHeight = 92;

const res::DialogTemplate& RestoreTemplate() {
    static const std::string caption = res::String(restore_text::kCaption);
    static const res::ControlTemplate controls[] = {
        {res::IDC_STATIC, res::Ctl::Static, nullptr, 7, 7, 306, 20, 0, restore_text::kPrompt},
        {RestoreDialog::kNote, res::Ctl::Static, nullptr, 7, 206, 306, 20},
        {IDOK, res::Ctl::DefPushButton, nullptr, 205, 230, 54, 14, res::S_TABSTOP | res::S_DISABLED,
         restore_text::kRestoreButton},
        {IDCANCEL, res::Ctl::PushButton, nullptr, 263, 230, 50, 14, res::S_TABSTOP, restore_text::kCancelButton},
    };
    static const res::DialogTemplate dialog{0, caption.c_str(), 320, 250,
                                            res::D_MODAL | res::D_CAPTION | res::D_SYSMENU, controls};
    return dialog;
}

// A report-style list at the given place, after `after` in the tab order.
HWND CreateList(HWND dialog, int id, int y, int height, HWND after, const std::vector<int>& columns, DWORD extraStyle) {
    const ui::PixelRect r = ui::DialogUnitsToPixels(kListX, y, kListWidth, height, LaidOutBaseUnits(RestoreTemplate()));
    HWND list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | extraStyle, r.x, r.y,
                                r.width, r.height, dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                GetModuleHandleW(nullptr), nullptr);
    if (!list) return nullptr;
    SetWindowPos(list, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageW(list, WM_SETFONT, SendMessageW(dialog, WM_GETFONT, 0, 0), FALSE);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    // The columns share the width; the first of two takes what the count leaves.
    const int width = r.width - GetSystemMetrics(SM_CXVSCROLL) - 4;
    for (size_t i = 0; i < columns.size(); ++i) {
        std::wstring title = Wide(res::String(columns[i]));
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = columns.size() == 2 && i == 1 ? LVCFMT_RIGHT : LVCFMT_LEFT;
        column.cx = columns.size() == 2 ? (i == 0 ? width * 3 / 5 : width - width * 3 / 5)
                                        : width / static_cast<int>(columns.size());
        column.pszText = title.data();
        SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
    return list;
}

void SetCell(HWND list, int row, int column, const std::string& text) {
    std::wstring wide = Wide(text);
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = wide.data();
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

int AddRow(HWND list, LPARAM data) {
    LVITEMW item{};
    item.mask = LVIF_PARAM | LVIF_TEXT;
    item.iItem = ListView_GetItemCount(list);
    item.lParam = data;
    wchar_t empty[] = L"";
    item.pszText = empty;
    return static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

}  // namespace

RestoreDialog::RestoreDialog(std::vector<snapshot::StoredSnapshot> snapshots, ValueMap now, const pages::SettingTexts* texts)
    : ModalDialog(RestoreTemplate()), m_snapshots(std::move(snapshots)), m_now(std::move(now)), m_texts(texts) {}

std::string RestoreDialog::LocalTime(const std::string& utc) {
    SYSTEMTIME time{};
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char t = 0;
    if (std::sscanf(utc.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d", &year, &month, &day, &t, &hour, &minute, &second) != 7 ||
        t != 'T')
        return utc;
    time.wYear = static_cast<WORD>(year);
    time.wMonth = static_cast<WORD>(month);
    time.wDay = static_cast<WORD>(day);
    time.wHour = static_cast<WORD>(hour);
    time.wMinute = static_cast<WORD>(minute);
    time.wSecond = static_cast<WORD>(second);
    SYSTEMTIME local{};
    FILETIME check{};
    // A date the system cannot take (month 13) is shown as written.
    if (!SystemTimeToFileTime(&time, &check) || !SystemTimeToTzSpecificLocalTime(nullptr, &time, &local)) return utc;
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", local.wYear, local.wMonth, local.wDay, local.wHour,
                  local.wMinute, local.wSecond);
    return text;
}

bool RestoreDialog::OnInit() {
    HWND window = Window();
    HWND prompt = GetWindow(window, GW_CHILD);
    HWND list = CreateList(window, kSnapshotList, kSnapshotsY, kSnapshotsHeight, prompt,
                           {restore_text::kTimeColumn, restore_text::kCountColumn}, LVS_SINGLESEL);
    HWND diff = CreateList(window, kDifferenceList, kDifferencesY, kDifferencesHeight, list,
                           {restore_text::kSettingColumn, restore_text::kNowColumn, restore_text::kThenColumn},
                           LVS_NOSORTHEADER);
    if (!list || !diff) {
        End(IDCANCEL);
        return false;
    }
    ShowWindow(GetDlgItem(window, kNote), SW_HIDE);
    int first = -1;
    for (size_t i = 0; i < m_snapshots.size(); ++i) {
        const pages::SnapshotRow shown = pages::RowOf(m_snapshots[i], m_now, LocalTime);
        const int row = AddRow(list, static_cast<LPARAM>(i));
        SetCell(list, row, 0, shown.when);
        SetCell(list, row, 1, shown.count);
        if (shown.readable && first < 0) first = row;
    }
    SetFocus(list);
    if (first >= 0) {
        ListView_SetItemState(list, first, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    OnSelectionChanged();
    return false;  // the focus is set
}

void RestoreDialog::OnCommand(int id, int code) {
    (void)code;
    if (id == IDOK)
        OnRestore();
    else if (id == IDCANCEL)
        End(IDCANCEL);
}

bool RestoreDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
    (void)wParam;
    if (message != WM_NOTIFY) return false;
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->idFrom != kSnapshotList || header->code != LVN_ITEMCHANGED) return false;
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
    if ((change->uChanged & LVIF_STATE) && ((change->uNewState ^ change->uOldState) & LVIS_SELECTED)) OnSelectionChanged();
    *result = 0;
    return true;
}

void RestoreDialog::OnSelectionChanged() {
    HWND window = Window();
    HWND list = GetDlgItem(window, kSnapshotList), diff = GetDlgItem(window, kDifferenceList);
    const int row = ListView_GetNextItem(list, -1, LVNI_SELECTED);
    m_selected = -1;
    if (row >= 0) {
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        if (SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) m_selected = static_cast<int>(item.lParam);
    }
    ListView_DeleteAllItems(diff);
    m_differences.clear();
    std::string note;
    if (m_selected >= 0 && static_cast<size_t>(m_selected) < m_snapshots.size()) {
        const snapshot::StoredSnapshot& stored = m_snapshots[static_cast<size_t>(m_selected)];
        pages::SnapshotChoice choice = pages::Choose(stored, m_now, m_texts);
        for (const pages::DifferenceRow& shown : choice.rows) {
            const int at = AddRow(diff, 0);
            SetCell(diff, at, 0, shown.label);
            SetCell(diff, at, 1, shown.now);
            SetCell(diff, at, 2, shown.then);
        }
        note = std::move(choice.note);
        m_differences = std::move(choice.differences);
        // A file that cannot be read is listed, so that its absence is not a mystery, but cannot
        // be chosen; why is said below the lists (the note).
        if (!stored.problem.empty()) m_selected = -1;
    } else {
        m_selected = -1;
    }
    HWND noteWindow = GetDlgItem(window, kNote);
    SetWindowTextW(noteWindow, Wide(note).c_str());
    ShowWindow(noteWindow, note.empty() ? SW_HIDE : SW_SHOW);
    HWND restore = GetDlgItem(window, IDOK);
    const bool enable = !m_differences.empty();
    // The focus never stays on a button that goes grey.
    if (!enable && GetFocus() == restore) SetFocus(list);
    EnableWindow(restore, enable ? TRUE : FALSE);
}

void RestoreDialog::OnRestore() {
    if (m_selected < 0 || m_differences.empty()) return;
    const std::string question = pages::RestoreQuestion(m_snapshots[static_cast<size_t>(m_selected)], LocalTime);
    // Owned by this dialog, so that it stays disabled while the question is open.
    if (MessageBoxW(Window(), Wide(question).c_str(), Wide(res::String(restore_text::kConfirmCaption)).c_str(),
                    MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    m_confirmed = true;
    End(IDOK);
}

const snapshot::StoredSnapshot* RestoreDialog::Chosen() const {
    if (!m_confirmed || m_selected < 0) return nullptr;
    return &m_snapshots[static_cast<size_t>(m_selected)];
}

}  // namespace winui
