#include "platform/paths.h"

#include <cstdlib>

#include "platform/windows/win32_text.h"

namespace platform {

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

size_t LastSeparator(const std::string& path) { return path.find_last_of("/\\"); }

// The length of a drive prefix ("C:") at the start of path, 0 when there is none.
size_t DrivePrefix(const std::string& path) {
    return path.size() >= 2 && path[1] == ':' &&
                   ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))
               ? 2
               : 0;
}

}  // namespace

Files::Kind KindOfPath(const std::string& path, int& errorNumber) {
    errorNumber = 0;
    const std::wstring wide = win32::Widen(path);
    if (wide.empty()) {
        errorNumber = ENOENT;
        return Files::Kind::Missing;
    }
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) {
        errorNumber = win32::LastErrno();
        return errorNumber == ENOENT || errorNumber == ENOTDIR ? Files::Kind::Missing : Files::Kind::Other;
    }
    // The attributes are those of a link itself, never of what it points to.
    if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return Files::Kind::Link;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return Files::Kind::Folder;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) return Files::Kind::Other;
    // Device names (NUL, CON, COM1) answer with plain attributes: only a disk file is regular.
    HANDLE h = ::CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        errorNumber = win32::LastErrno();
        return errorNumber == ENOENT ? Files::Kind::Missing : Files::Kind::Other;
    }
    const DWORD type = ::GetFileType(h);
    ::CloseHandle(h);
    return type == FILE_TYPE_DISK ? Files::Kind::Regular : Files::Kind::Other;
}

bool UserMayRead(const std::string& path) {
    const std::wstring wide = win32::Widen(path);
    if (wide.empty()) return false;
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return true;
    HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(h);
    return true;
}

bool UserMayWrite(const std::string& path) {
    const std::wstring wide = win32::Widen(path);
    if (wide.empty()) return false;
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return !(attributes & FILE_ATTRIBUTE_READONLY);
    // A folder's read-only attribute means nothing on Windows: its access list decides, and the
    // plain way to ask it is to make a file there.
    std::wstring probe = wide;
    if (probe.back() != L'\\' && probe.back() != L'/') probe += L'\\';
    probe += L".devpanel-probe-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(::GetTickCount());
    HANDLE h = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_FILE_EXISTS;
    ::CloseHandle(h);
    return true;
}

bool MakePrivateFolders(const std::string& path, int& errorNumber) {
    errorNumber = 0;
    win32::PrivateSecurity security;
    // Each prefix that ends at a separator, then the whole path; the drive or share root is
    // never made.
    for (size_t pos = DrivePrefix(path) + 1; pos <= path.size(); ++pos) {
        if (pos != path.size() && !IsSeparator(path[pos])) continue;
        if (IsSeparator(path[pos - 1])) continue;  // "\\\\server" or a doubled separator
        const std::wstring prefix = win32::Widen(path.substr(0, pos));
        if (prefix.empty()) {
            errorNumber = EINVAL;
            return false;
        }
        if (!::CreateDirectoryW(prefix.c_str(), security.attributes())) {
            const DWORD e = ::GetLastError();
            // An existing folder, or a root or share that cannot be made: the check below decides.
            if (e != ERROR_ALREADY_EXISTS && e != ERROR_ACCESS_DENIED && e != ERROR_INVALID_NAME &&
                e != ERROR_BAD_NETPATH && e != ERROR_BAD_NET_NAME) {
                errorNumber = windows_impl::errnoFromWin32(e);
                return false;
            }
        }
    }
    const DWORD attributes = ::GetFileAttributesW(win32::Widen(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        errorNumber = win32::LastErrno();
        if (errorNumber == 0) errorNumber = ENOENT;
        return false;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        errorNumber = ENOTDIR;
        return false;
    }
    return true;
}

std::string FolderOfPath(const std::string& path) {
    const size_t separator = LastSeparator(path);
    const size_t drive = DrivePrefix(path);
    if (separator == std::string::npos) return drive > 0 ? path.substr(0, drive) : ".";
    if (separator == drive) return path.substr(0, separator + 1);  // "\\" or "C:\\"
    return path.substr(0, separator);
}

std::string FileNameOfPath(const std::string& path) {
    const size_t separator = LastSeparator(path);
    if (separator != std::string::npos) return path.substr(separator + 1);
    return path.substr(DrivePrefix(path));
}

std::string SiblingPath(const std::string& path, const std::string& name) {
    const size_t separator = LastSeparator(path);
    if (separator != std::string::npos) return path.substr(0, separator + 1) + name;
    return path.substr(0, DrivePrefix(path)) + name;
}

std::string UserStateFile(const std::string& program, const std::string& name) {
    // The environment block is UTF-16; the variable is read as such and handed on as UTF-8.
    const wchar_t* local = ::_wgetenv(L"LOCALAPPDATA");
    if (local == nullptr || *local == L'\0') return {};
    std::string folder = win32::Narrow(local);
    if (folder.empty()) return {};
    if (!IsSeparator(folder.back())) folder += '\\';
    return folder + program + "\\" + name;
}

}  // namespace platform
