#include "winui/save_dialog.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "winui/template_window.h"

namespace winui {

std::optional<std::wstring> AskCommandFilePath(HWND owner) {
    std::vector<wchar_t> file(32768, L'\0');
    // The command file's initial name and extension.
    const std::wstring initial = L"settings.npa";
    std::copy(initial.begin(), initial.end(), file.begin());
    const std::wstring extension = L"npa";
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrDefExt = extension.c_str();
    dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameW(&dialog)) return std::nullopt;
    return std::wstring(file.data());
}

std::string FileLayerPath(const std::wstring& path) {
    std::string utf8 = Narrow(path);
    std::replace(utf8.begin(), utf8.end(), '\\', '/');
    return utf8;
}

}  // namespace winui
