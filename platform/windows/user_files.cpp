// The system facts, the settings key, the log file and the clock.
#include <windows.h>
#include <aclapi.h>
#include <shlobj.h>

#include <cstdio>

#include "platform/windows/system_replies.h"
#include "platform/windows/platform_classes.h"

namespace platform::windows_impl {
namespace {

constexpr const wchar_t* kLevelValue = L"LoggingLevel";
constexpr const char* kLogFile = "CorvaneSlc32.log";

// RtlGetVersion tells the true version whatever the program's manifest says; GetVersionEx is
// kept as a way to lie to old programs.
OsKind versionKind() {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    if (ntdll == nullptr) return OsKind::Unknown;
    auto getVersion = reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")));
    if (getVersion == nullptr) return OsKind::Unknown;
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (getVersion(&info) != 0) return OsKind::Unknown;
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT ? OsKind::OneWay : OsKind::TwoWay;
}

struct KeyCloser {
    HKEY key = nullptr;
    ~KeyCloser() {
        if (key != nullptr) ::RegCloseKey(key);
    }
};

bool readLevel(HKEY key, uint32_t& level) {
    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD type = 0;
    if (::RegQueryValueExW(key, kLevelValue, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
        return false;
    if (type != REG_DWORD || size != sizeof value) return false;
    level = value;
    return true;
}

void writeZero(HKEY key) {
    const DWORD zero = 0;
    ::RegSetValueExW(key, kLevelValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&zero), sizeof zero);
}

// Gives a key this program created full access for Users, Administrators and LocalSystem, with
// Administrators as owner, so that any user may later change the logging level. When a step
// fails the key keeps the security it inherited.
void openToUsers(HKEY key) {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID users = nullptr, administrators = nullptr, system = nullptr;
    if (::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0, 0, 0, 0, 0, &users) &&
        ::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                   &administrators) &&
        ::AllocateAndInitializeSid(&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0, &system)) {
        alignas(DWORD) BYTE aclBuffer[1024];
        auto* acl = reinterpret_cast<PACL>(aclBuffer);
        SECURITY_DESCRIPTOR descriptor;
        if (::InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION) &&
            ::AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, users) &&
            ::AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, administrators) &&
            ::AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, system) &&
            ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
            ::SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) &&
            ::SetSecurityDescriptorOwner(&descriptor, administrators, FALSE)) {
            ::RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor);
        }
    }
    if (users != nullptr) ::FreeSid(users);
    if (administrators != nullptr) ::FreeSid(administrators);
    if (system != nullptr) ::FreeSid(system);
}

// The level of a key that may be written: read it, or store 0 when it is missing or not a
// 32-bit value. False when the key can neither be opened nor created for writing.
bool levelFromWritableKey(HKEY root, const std::wstring& subKey, bool openNewKeyToUsers, uint32_t& level) {
    KeyCloser key;
    DWORD disposition = 0;
    if (::RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_QUERY_VALUE | KEY_SET_VALUE | WRITE_DAC,
                          nullptr, &key.key, &disposition) != ERROR_SUCCESS &&
        ::RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_QUERY_VALUE | KEY_SET_VALUE,
                          nullptr, &key.key, &disposition) != ERROR_SUCCESS)
        return false;
    if (disposition == REG_CREATED_NEW_KEY && openNewKeyToUsers) openToUsers(key.key);
    if (readLevel(key.key, level)) return true;
    level = 0;
    writeZero(key.key);
    return true;
}

// Creates every missing folder of path (UTF-16, either separator).
bool makeFolders(const std::wstring& path) {
    for (size_t pos = 0; pos <= path.size(); ++pos) {
        if (pos != path.size() && path[pos] != L'\\' && path[pos] != L'/') continue;
        std::wstring prefix = path.substr(0, pos);
        // Skip the drive ("C:") and the empty text before a leading separator.
        if (prefix.empty() || (prefix.size() == 2 && prefix[1] == L':')) continue;
        if (!::CreateDirectoryW(prefix.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
            // A share's server and share parts cannot be created; a later part will tell.
            if (pos != path.size()) continue;
            return false;
        }
    }
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string localAppData() {
    wchar_t buffer[MAX_PATH * 2];
    DWORD length = ::GetEnvironmentVariableW(L"LOCALAPPDATA", buffer, static_cast<DWORD>(std::size(buffer)));
    if (length > 0 && length < std::size(buffer)) return win32::Narrow(std::wstring(buffer, length));
    wchar_t folder[MAX_PATH];
    if (SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, folder)))
        return win32::Narrow(folder);
    return {};
}

}  // namespace

OsKind WindowsSystemInfo::osKind() { return versionKind(); }

uint32_t WindowsSettingsStore::loggingLevel() {
    uint32_t level = 0;
    if (levelFromWritableKey(machineRoot_, subKey_, true, level)) return level;
    // Not allowed to write the machine's key (a normal user under User Account Control): a level
    // an administrator stored there still holds ...
    {
        KeyCloser key;
        if (::RegOpenKeyExW(machineRoot_, subKey_.c_str(), 0, KEY_QUERY_VALUE, &key.key) == ERROR_SUCCESS &&
            readLevel(key.key, level))
            return level;
    }
    // ... else the user's own key, made with 0 on first use.
    if (levelFromWritableKey(userRoot_, subKey_, false, level)) return level;
    return 0;
}

std::string WindowsLogSink::path() const {
    std::string folder = folder_.empty() ? logFolder(localAppData()) : folder_;
    if (folder.empty()) return {};
    return folder + "\\" + kLogFile;
}

UniqueHandle WindowsLogSink::openLog(bool empty) {
    const std::wstring file = win32::Widen(path());
    if (file.empty()) return {};
    const size_t slash = file.find_last_of(L"\\/");
    if (slash != std::wstring::npos && !makeFolders(file.substr(0, slash))) return {};
    // Never through a symbolic link or junction: the reparse point itself would be opened, and is
    // refused below.
    // Appending with FILE_APPEND_DATA alone puts every entry at the end even when another
    // process writes the log as well.
    const DWORD access = empty ? GENERIC_WRITE : FILE_APPEND_DATA | SYNCHRONIZE;
    UniqueHandle log(::CreateFileW(file.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!log.valid()) return {};
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(log.get()) != FILE_TYPE_DISK || !::GetFileInformationByHandle(log.get(), &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0)
        return {};
    if (empty && !::SetEndOfFile(log.get())) return {};
    return log;
}

void WindowsLogSink::truncate() { (void)openLog(true); }

void WindowsLogSink::append(std::string_view entry) {
    UniqueHandle log = openLog(false);
    if (!log.valid()) return;
    size_t done = 0;
    while (done < entry.size()) {
        DWORD written = 0;
        if (!::WriteFile(log.get(), entry.data() + done, static_cast<DWORD>(entry.size() - done), &written, nullptr) ||
            written == 0)
            return;
        done += written;
    }
}

std::string WindowsClock::timeOfDay() {
    SYSTEMTIME local{};
    ::GetLocalTime(&local);
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", local.wHour, local.wMinute, local.wSecond);
    return text;
}

}  // namespace platform::windows_impl
