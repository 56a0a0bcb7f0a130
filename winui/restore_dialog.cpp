#include "winui/restore_dialog.h"

#include <commctrl.h>

#include <cstdio>

#include "config/strings.h"
#include "pages/setting_texts.h"
#include "platform/paths.h"
#include "ui/dialog_units.h"
#include "winui/template_window.h"

namespace winui {
namespace {

// String ids of the dialog.
constexpr int kCaption = 61347, kPrompt = 61348;
constexpr int kTimeColumn = 61349, kCountColumn = 61350;
constexpr int kSettingColumn = 61351, kNowColumn = 61352, kThenColumn = 61353;
constexpr int kRestoreButton = 61354, kCancelButton = 61355;
constexpr int kUnreadable = 61356, kNoDifference = 61357, kNotRecorded = 61358;
constexpr int kConfirmCaption = 61359, kConfirmText = 61360;

// Where the two lists go, in dialog units: made in code, as the templates know no list view.
constexpr int kListX = 7, kListWidth = 306;
constexpr int kSnapshotsY = 30, kSnapshotsHeight = 76, kDifferencesY = 110, kDifferencesHeight = 92;

const res::DialogTemplate& RestoreTemplate() {
    static const std::string caption = res::String(kCaption);
    static const res::ControlTemplate controls[] = {
        {res::IDC_STATIC, res::Ctl::Static, nullptr, 7, 7, 306, 20, 0, kPrompt},
        {RestoreDialog::kNote, res::Ctl::Static, nullptr, 7, 206, 306, 20},
        {IDOK, res::Ctl::DefPushButton, nullptr, 205, 230, 54, 14, res::S_TABSTOP | res::S_DISABLED, kRestoreButton},
        {IDCANCEL, res::Ctl::PushButton, nullptr, 263, 230, 50, 14, res::S_TABSTOP, kCancelButton},
    };
    static const res::DialogTemplate dialog{0, caption.c_str(), 320, 250,
                                            res::D_MODAL | res::D_CAPTION | res::D_SYSMENU, controls};
    return dialog;
}

std::string Joined(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& name : names) out += (out.empty() ? "" : ", ") + name;
    return out;
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
    HWND list = CreateList(window, kSnapshotList, kSnapshotsY, kSnapshotsHeight, prompt, {kTimeColumn, kCountColumn},
                           LVS_SINGLESEL);
    HWND diff = CreateList(window, kDifferenceList, kDifferencesY, kDifferencesHeight, list,
                           {kSettingColumn, kNowColumn, kThenColumn}, LVS_NOSORTHEADER);
    if (!list || !diff) {
        End(IDCANCEL);
        return false;
    }
    ShowWindow(GetDlgItem(window, kNote), SW_HIDE);
    int first = -1;
    for (size_t i = 0; i < m_snapshots.size(); ++i) {
        const snapshot::StoredSnapshot& stored = m_snapshots[i];
        const bool readable = stored.problem.empty();
        const int row = AddRow(list, static_cast<LPARAM>(i));
        SetCell(list, row, 0,
                stored.snapshot.time.empty() ? platform::FileNameOfPath(stored.path) : LocalTime(stored.snapshot.time));
        SetCell(list, row, 1,
                readable ? std::to_string(snapshot::Diff(m_now, stored.snapshot.settings).size()) : res::String(kUnreadable));
        if (readable && first < 0) first = row;
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
        if (!stored.problem.empty()) {
            // A file that cannot be read is listed, so that its absence is not a mystery, but
            // cannot be chosen; why is said below the lists.
            m_selected = -1;
            note = stored.problem;
        } else {
            const snapshot::Snapshot& then = stored.snapshot;
            m_differences = snapshot::Diff(m_now, then.settings);
            for (const snapshot::Difference& d : m_differences) {
                const auto value = [&](const std::optional<std::string>& token) {
                    if (!token) return std::string();
                    return m_texts ? m_texts->Value(d.name, *token) : *token;
                };
                const int at = AddRow(diff, 0);
                SetCell(diff, at, 0, m_texts ? m_texts->Label(d.name) : d.name);
                SetCell(diff, at, 1, value(d.now));
                SetCell(diff, at, 2, value(d.then));
            }
            // A restore never claims settings the snapshot could not record.
            if (m_differences.empty()) note = res::String(kNoDifference);
            if (!then.skipped.empty()) {
                std::vector<std::string> named;
                for (const std::string& name : then.skipped) named.push_back(m_texts ? m_texts->Label(name) : name);
                note += (note.empty() ? "" : "\n") + res::Format(kNotRecorded, Joined(named));
            }
        }
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
    const std::string when = LocalTime(m_snapshots[static_cast<size_t>(m_selected)].snapshot.time);
    // Owned by this dialog, so that it stays disabled while the question is open.
    if (MessageBoxW(Window(), Wide(res::Format(kConfirmText, when)).c_str(), Wide(res::String(kConfirmCaption)).c_str(),
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
