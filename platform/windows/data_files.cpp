#include <windows.h>

#include <string>

#include "platform/data_files.h"
#include "platform/paths.h"
#include "platform/windows/win32_text.h"

namespace platform {

std::string ExecutableFolder() {
    std::wstring path(32768, L'\0');
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0 || n >= path.size()) return {};
    path.resize(n);
    return FolderOfPath(win32::Narrow(path));
}

}  // namespace platform
