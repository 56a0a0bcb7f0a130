// Small pieces every Windows file of the platform shares: UTF-8 paths to the wide strings the W
// calls take, the errno value of the last Win32 error, and a security
// descriptor that keeps a new file or folder to the current user. Included by Windows files only.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/windows/win32_errors.h"

namespace platform::win32 {

// Others may read, write, rename and delete a file while it is open here.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The UTF-8 text as UTF-16; empty for empty or ill-formed input (a path that cannot be
// converted names no file).
// (A text longer than the calls take, INT_MAX units, converts no further than that.)
inline std::wstring Widen(std::string_view text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(std::min<size_t>(text.size(), INT_MAX));
    const int size = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
    if (size <= 0) return {};
    std::wstring wide(static_cast<size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length, wide.data(), size);
    return wide;
}

// The UTF-16 text as UTF-8; empty for empty text.
inline std::string Narrow(std::wstring_view text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(std::min<size_t>(text.size(), INT_MAX));
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string narrow(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, narrow.data(), size, nullptr, nullptr);
    return narrow;
}

// A text the system handed over as a pointer, which may be null (a missing field).
inline std::string Narrow(const wchar_t* text) { return text ? Narrow(std::wstring_view(text)) : std::string(); }

// errnoFromWin32(GetLastError()).
inline int LastErrno() { return windows_impl::errnoFromWin32(::GetLastError()); }

// A security descriptor whose protected DACL grants the current user alone full access,
// inherited by everything made inside: the counterpart of mode 0700 for a folder and 0600 for a
// file. attributes() is nullptr when the descriptor could not be built (the new object then
// takes its folder's access rules, which for the user's own folders are private already).
class PrivateSecurity {
public:
    PrivateSecurity() {
        HANDLE token = nullptr;
        if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return;
        DWORD size = 0;
        ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        user_.resize(size);
        const bool gotUser = size > 0 && ::GetTokenInformation(token, TokenUser, user_.data(), size, &size);
        ::CloseHandle(token);
        if (!gotUser) return;
        PSID sid = reinterpret_cast<TOKEN_USER*>(user_.data())->User.Sid;
        acl_.resize(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + ::GetLengthSid(sid));
        auto* acl = reinterpret_cast<ACL*>(acl_.data());
        if (!::InitializeAcl(acl, static_cast<DWORD>(acl_.size()), ACL_REVISION)) return;
        if (!::AddAccessAllowedAceEx(acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, GENERIC_ALL, sid))
            return;
        if (!::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION)) return;
        if (!::SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE)) return;
        if (!::SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) return;
        attributes_.nLength = sizeof attributes_;
        attributes_.lpSecurityDescriptor = &descriptor_;
        attributes_.bInheritHandle = FALSE;
        ready_ = true;
    }
    PrivateSecurity(const PrivateSecurity&) = delete;
    PrivateSecurity& operator=(const PrivateSecurity&) = delete;

    SECURITY_ATTRIBUTES* attributes() { return ready_ ? &attributes_ : nullptr; }

private:
    std::vector<unsigned char> user_;
    std::vector<unsigned char> acl_;
    SECURITY_DESCRIPTOR descriptor_{};
    SECURITY_ATTRIBUTES attributes_{};
    bool ready_ = false;
};

}  // namespace platform::win32
