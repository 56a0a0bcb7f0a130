// Files and temporary files. Paths are UTF-8 with "/" or "\" between parts; the paths made here
// use "/", as the link splits paths at "/".
#include <windows.h>
#include <sddl.h>

#include <cerrno>
#include <random>

#include "platform/windows/records.h"
#include "platform/windows/windows_parts.h"

namespace platform::windows_impl {
namespace {

constexpr int kUniqueAttempts = 100;
constexpr size_t kRandomLength = 6;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::string withSlashes(std::string path) {
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    return path;
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    const char last = folder.back();
    return (last == '/' || last == '\\') ? folder + name : folder + "/" + name;
}

std::string defaultTempFolder() {
    wchar_t buffer[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(static_cast<DWORD>(std::size(buffer)), buffer);
    std::string folder = (length > 0 && length < std::size(buffer)) ? toUtf8(std::wstring(buffer, length)) : std::string(".");
    folder = withSlashes(folder);
    while (folder.size() > 3 && folder.back() == '/') folder.pop_back();
    return folder;
}

// A security descriptor that gives the current user, and nobody else, full control of a folder
// and of everything made in it. Null when it cannot be built (the folder then inherits the
// temporary folder's access list, which on Windows is the user's already).
PSECURITY_DESCRIPTOR userOnlyDescriptor() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return nullptr;
    UniqueHandle tokenHandle(token);
    alignas(TOKEN_USER) BYTE buffer[256];
    DWORD size = 0;
    if (!::GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size)) return nullptr;
    LPWSTR sidText = nullptr;
    if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &sidText)) return nullptr;
    const std::wstring sddl = L"D:P(A;OICI;FA;;;" + std::wstring(sidText) + L")";
    ::LocalFree(sidText);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        return nullptr;
    return descriptor;
}

}  // namespace

std::string randomSuffix(size_t length) {
    static const char kCharacters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 generator{std::random_device{}() ^ static_cast<unsigned>(::GetTickCount()) ^
                                        static_cast<unsigned>(::GetCurrentProcessId() << 16)};
    std::uniform_int_distribution<size_t> pick(0, sizeof kCharacters - 2);
    std::string text;
    for (size_t i = 0; i < length; ++i) text += kCharacters[pick(generator)];
    return text;
}

WindowsTempFiles::WindowsTempFiles(std::string folder)
    : folder_(folder.empty() ? defaultTempFolder() : withSlashes(std::move(folder))) {}

std::string WindowsTempFiles::create(const std::string& prefix, int& errorNumber) {
    WindowsFiles files;
    std::string path;
    if (!files.createUnique(folder_, prefix, path, errorNumber)) return {};
    return path;
}

std::string WindowsTempFiles::createPrivateFolder(const std::string& prefix, int& errorNumber) {
    errorNumber = 0;
    SECURITY_ATTRIBUTES attributes{};
    attributes.nLength = sizeof attributes;
    attributes.lpSecurityDescriptor = userOnlyDescriptor();
    for (int attempt = 0; attempt < kUniqueAttempts; ++attempt) {
        const std::string path = joinPath(folder_, prefix + randomSuffix(kRandomLength));
        if (::CreateDirectoryW(toWide(path).c_str(), attributes.lpSecurityDescriptor ? &attributes : nullptr)) {
            if (attributes.lpSecurityDescriptor) ::LocalFree(attributes.lpSecurityDescriptor);
            return path;
        }
        if (::GetLastError() == ERROR_ALREADY_EXISTS) continue;
        errorNumber = lastErrno();
        break;
    }
    if (errorNumber == 0) errorNumber = EEXIST;
    if (attributes.lpSecurityDescriptor) ::LocalFree(attributes.lpSecurityDescriptor);
    return {};
}

std::unique_ptr<Channel> WindowsFiles::open(const std::string& path, bool truncate, int& errorNumber) {
    errorNumber = 0;
    UniqueHandle file(::CreateFileW(toWide(path).c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.valid()) {
        errorNumber = lastErrno();
        return nullptr;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(file.get()) == FILE_TYPE_DISK) {
        if (!::GetFileInformationByHandle(file.get(), &info)) {
            errorNumber = lastErrno();
            return nullptr;
        }
        if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            errorNumber = ELOOP;  // a link in the file's place is never written through
            return nullptr;
        }
    }
    if (truncate && !::SetEndOfFile(file.get())) {
        errorNumber = lastErrno();
        return nullptr;
    }
    return std::make_unique<FileChannel>(std::move(file));
}

bool WindowsFiles::remove(const std::string& path) { return ::DeleteFileW(toWide(path).c_str()) != 0; }

Files::Kind WindowsFiles::kindOf(const std::string& path, int& errorNumber) {
    errorNumber = 0;
    const std::wstring wide = toWide(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        errorNumber = errnoFromWin32(error);
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return Kind::Missing;
        return Kind::Other;
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return Kind::Link;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return Kind::Folder;
    // Device names ("NUL", "LPT1", "CON") have file attributes too: only a file on a disk is one.
    UniqueHandle handle(::CreateFileW(wide.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle.valid()) {
        errorNumber = lastErrno();
        return Kind::Other;
    }
    return ::GetFileType(handle.get()) == FILE_TYPE_DISK ? Kind::Regular : Kind::Other;
}

std::unique_ptr<Channel> WindowsFiles::createUnique(const std::string& folder, const std::string& prefix,
                                                    std::string& path, int& errorNumber) {
    errorNumber = 0;
    path.clear();
    for (int attempt = 0; attempt < kUniqueAttempts; ++attempt) {
        const std::string candidate = joinPath(folder, prefix + randomSuffix(kRandomLength));
        // CREATE_NEW fails on anything already there, a link included: the name never existed.
        UniqueHandle file(::CreateFileW(toWide(candidate).c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (file.valid()) {
            path = candidate;
            return std::make_unique<FileChannel>(std::move(file));
        }
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
        errorNumber = errnoFromWin32(error);
        return nullptr;
    }
    errorNumber = EEXIST;
    return nullptr;
}

bool WindowsFiles::replace(const std::string& from, const std::string& to, int& errorNumber) {
    errorNumber = 0;
    if (::MoveFileExW(toWide(from).c_str(), toWide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    errorNumber = lastErrno();
    return false;
}

bool WindowsFiles::removeFolder(const std::string& path) { return ::RemoveDirectoryW(toWide(path).c_str()) != 0; }

}  // namespace platform::windows_impl
