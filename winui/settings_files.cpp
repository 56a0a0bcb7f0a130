#include "winui/settings_files.h"

#include <commdlg.h>

#include <algorithm>

#include "strings/string_table.h"
#include "document/printer_doc.h"
#include "pages/setting_texts.h"
#include "winui/restore_dialog.h"
#include "winui/save_dialog.h"
#include "winui/template_window.h"

namespace winui {
namespace {

// The file dialog's texts.
constexpr int kFileFilter = 61372, kExportTitle = 61373, kImportTitle = 61374;

// "설정 파일 (*.json)" as the dialog's filter list: the text, its pattern, and two ends.
std::wstring FilterList() {
    const std::wstring text = Wide(res::String(kFileFilter));
    const size_t open = text.rfind(L'('), close = text.rfind(L')');
    const std::wstring pattern =
        open != std::wstring::npos && close != std::wstring::npos && close > open ? text.substr(open + 1, close - open - 1)
                                                                                  : L"*.json";
    std::wstring list = text;
    list.push_back(L'\0');
    list += pattern;
    list.push_back(L'\0');
    list.push_back(L'\0');
    return list;
}

}  // namespace

std::optional<std::wstring> AskSettingsFilePath(HWND owner, flows::FileUse use) {
    const bool exporting = use == flows::FileUse::Export;
    std::vector<wchar_t> file(32768, L'\0');
    if (exporting) {
        const std::wstring initial = L"settings.json";
        std::copy(initial.begin(), initial.end(), file.begin());
    }
    const std::wstring filter = FilterList();
    const std::wstring title = Wide(res::String(exporting ? kExportTitle : kImportTitle));
    const std::wstring extension = L"json";
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrTitle = title.c_str();
    // The configuration may be found relative to the current folder: the dialogs leave it alone.
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (exporting) {
        dialog.lpstrDefExt = extension.c_str();
        dialog.Flags |= OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
        if (!GetSaveFileNameW(&dialog)) return std::nullopt;
    } else {
        dialog.Flags |= OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
        if (!GetOpenFileNameW(&dialog)) return std::nullopt;
    }
    return std::wstring(file.data());
}

std::optional<std::string> SettingsFileUi::chooseFile(flows::FileUse use) {
    const std::optional<std::wstring> path = AskSettingsFilePath(m_owner, use);
    if (!path) return std::nullopt;
    return FileLayerPath(*path);
}

std::optional<std::vector<snapshot::Difference>> SettingsFileUi::chooseSnapshot(
    std::vector<snapshot::StoredSnapshot> snapshots, const ValueMap& now) {
    const pages::SettingTexts texts(m_doc);
    RestoreDialog dialog(std::move(snapshots), now, &texts);
    if (dialog.Run(m_owner) != IDOK || !dialog.Chosen()) return std::nullopt;
    return dialog.Differences();
}

void SettingsFileUi::showDocumentAnew() {
    if (m_showDocumentAnew) m_showDocumentAnew();
}

}  // namespace winui
