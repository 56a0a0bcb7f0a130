#include "platform/file_lock.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/windows/win32_text.h"

namespace platform {

namespace {
constexpr int kPollMs = 10;

HANDLE AsHandle(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }
}  // namespace

FileLock::~FileLock() { release(); }

FileLock::Result FileLock::acquire(const std::string& path, int waitMs, int& errorNumber) {
    errorNumber = 0;
    if (held()) return Result::Locked;
    const std::wstring wide = win32::Widen(path);
    if (wide.empty()) {
        errorNumber = EINVAL;
        return Result::OpenFailed;
    }
    // A link is not followed: the lock file must be the one at path.
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        errorNumber = ELOOP;
        return Result::OpenFailed;
    }
    win32::PrivateSecurity security;
    HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, security.attributes(),
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        errorNumber = win32::LastErrno();
        return Result::OpenFailed;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(waitMs, 0));
    for (;;) {
        OVERLAPPED whole{};  // the lock covers the first byte; every holder asks for the same one
        if (::LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &whole)) break;
        const DWORD e = ::GetLastError();
        const auto now = std::chrono::steady_clock::now();
        if (e != ERROR_LOCK_VIOLATION || now >= deadline) {
            ::CloseHandle(h);
            if (e == ERROR_LOCK_VIOLATION) return Result::Busy;
            errorNumber = windows_impl::errnoFromWin32(e);
            return Result::Failed;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min<long long>(kPollMs, left + 1)));
    }
    handle_ = reinterpret_cast<std::intptr_t>(h);
    return Result::Locked;
}

void FileLock::release() {
    if (!held()) return;
    ::CloseHandle(AsHandle(handle_));  // closing the handle releases its locks
    handle_ = kNone;
}

}  // namespace platform
