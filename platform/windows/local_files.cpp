#include "platform/local_files.h"

#include <algorithm>
#include <atomic>
#include <cerrno>

#include "platform/paths.h"
#include "platform/unique_name.h"
#include "platform/windows/win32_text.h"

namespace platform {

namespace {

// A file opened for reading and writing. A disk file never makes a read wait, so the time-out
// of read() has nothing to bound; cancel() makes every later call fail.
class WinFileChannel : public Channel {
public:
    explicit WinFileChannel(HANDLE h) : h_(h) {}
    ~WinFileChannel() override { ::CloseHandle(h_); }
    WinFileChannel(const WinFileChannel&) = delete;
    WinFileChannel& operator=(const WinFileChannel&) = delete;

    long write(const uint8_t* data, size_t n) override {
        if (cancelled_.load()) {
            lastError_ = ECANCELED;
            return -1;
        }
        size_t done = 0;
        while (done < n) {
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(n - done, 1u << 20));
            DWORD wrote = 0;
            if (!::WriteFile(h_, data + done, chunk, &wrote, nullptr)) {
                lastError_ = win32::LastErrno();
                return done > 0 ? static_cast<long>(done) : -1;
            }
            if (wrote == 0) break;
            done += wrote;
        }
        return static_cast<long>(done);
    }

    long read(uint8_t* buffer, size_t n, int) override {
        if (cancelled_.load()) {
            lastError_ = ECANCELED;
            return -1;
        }
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(n, 1u << 20));
        if (!::ReadFile(h_, buffer, want, &got, nullptr)) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_HANDLE_EOF) return 0;
            lastError_ = windows_impl::errnoFromWin32(error);
            return -1;
        }
        return static_cast<long>(got);
    }

    void cancel() override { cancelled_.store(true); }
    int lastError() const override { return lastError_; }

    bool sync() override {
        if (::FlushFileBuffers(h_)) return true;
        lastError_ = win32::LastErrno();
        return false;
    }

private:
    HANDLE h_;
    std::atomic<bool> cancelled_{false};
    int lastError_ = 0;
};

// The test hook of createUnique: how many more bytes its channels take (-1: unlimited).
std::atomic<long> g_writeBudget{-1};

// A file channel that runs out of room after a set number of bytes, as a full disk does.
class BudgetFileChannel : public WinFileChannel {
public:
    explicit BudgetFileChannel(HANDLE h) : WinFileChannel(h) {}
    long write(const uint8_t* data, size_t n) override {
        long budget = g_writeBudget.load();
        if (budget < 0) return WinFileChannel::write(data, n);
        const size_t allowed = std::min<size_t>(n, static_cast<size_t>(budget));
        long written = allowed > 0 ? WinFileChannel::write(data, allowed) : 0;
        if (written < 0) return -1;
        g_writeBudget.store(budget - written);
        if (static_cast<size_t>(written) == n) return written;
        full_ = true;
        return written > 0 ? written : -1;
    }
    int lastError() const override { return full_ ? ENOSPC : WinFileChannel::lastError(); }

private:
    bool full_ = false;
};

// A handle of path that is not a link (reparse point): open() and createUnique() never write
// through one. The check after the open closes the gap between looking and opening.
bool IsLinkHandle(HANDLE h) {
    BY_HANDLE_FILE_INFORMATION info{};
    return ::GetFileInformationByHandle(h, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// What a CreateFileW or CreateDirectoryW for a new name came to: a name already there (a file
// or a folder) is taken; any other failure ends the search with its errno value.
NameTry TryOutcome(bool made, int& errorNumber) {
    if (made) return NameTry::Made;
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) return NameTry::Taken;
    errorNumber = windows_impl::errnoFromWin32(error);
    return NameTry::Failed;
}

// Paths made here use "/" between parts, as the link splits paths at "/"; Windows takes either.
std::string WithSlashes(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

std::string InFolder(const std::string& folder, const std::string& name) {
    std::string base = folder.empty() ? std::string(".") : folder;
    if (base.back() != '/' && base.back() != '\\') base += '/';
    return base + name;
}

}  // namespace

void LocalFiles::failWritesAfterBytesForTesting(long bytes) { g_writeBudget.store(bytes < 0 ? -1 : bytes); }

std::unique_ptr<Channel> LocalFiles::open(const std::string& path, bool truncate, int& errorNumber) {
    errorNumber = 0;
    const std::wstring wide = win32::Widen(path);
    if (wide.empty()) {
        errorNumber = EINVAL;
        return nullptr;
    }
    int kindError = 0;
    if (KindOfPath(path, kindError) == Files::Kind::Link) {
        errorNumber = ELOOP;
        return nullptr;
    }
    win32::PrivateSecurity security;
    HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, win32::kShareAll, security.attributes(),
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        errorNumber = win32::LastErrno();
        return nullptr;
    }
    if (IsLinkHandle(h)) {
        ::CloseHandle(h);
        errorNumber = ELOOP;
        return nullptr;
    }
    if (truncate && !::SetEndOfFile(h)) {  // the new handle stands at offset 0
        errorNumber = win32::LastErrno();
        ::CloseHandle(h);
        return nullptr;
    }
    return std::make_unique<WinFileChannel>(h);
}

bool LocalFiles::remove(const std::string& path) {
    const std::wstring wide = win32::Widen(path);
    return !wide.empty() && ::DeleteFileW(wide.c_str());
}

Files::Kind LocalFiles::kindOf(const std::string& path, int& errorNumber) { return KindOfPath(path, errorNumber); }

std::unique_ptr<Channel> LocalFiles::createUnique(const std::string& folder, const std::string& prefix,
                                                  std::string& path, int& errorNumber) {
    HANDLE h = INVALID_HANDLE_VALUE;
    const std::string made = MakeUniqueName(InFolder(folder, prefix), [&h](const std::string& candidate, int& error) {
        const std::wstring wide = win32::Widen(candidate);
        if (wide.empty()) {
            error = EINVAL;
            return NameTry::Failed;
        }
        // CREATE_NEW never opens what exists, a link included; the folder's access rules apply,
        // as for any file the user makes there.
        h = ::CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, win32::kShareAll, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        return TryOutcome(h != INVALID_HANDLE_VALUE, error);
    }, errorNumber);
    if (made.empty()) return nullptr;
    path = made;
    return std::make_unique<BudgetFileChannel>(h);
}

bool LocalFiles::replace(const std::string& from, const std::string& to, int& errorNumber) {
    errorNumber = 0;
    const std::wstring source = win32::Widen(from), target = win32::Widen(to);
    if (source.empty() || target.empty()) {
        errorNumber = EINVAL;
        return false;
    }
    if (!::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        errorNumber = win32::LastErrno();
        return false;
    }
    return true;
}

bool LocalFiles::removeFolder(const std::string& path) {
    const std::wstring wide = win32::Widen(path);
    return !wide.empty() && ::RemoveDirectoryW(wide.c_str());
}

LocalTempFiles::LocalTempFiles(std::string folder) : folder_(WithSlashes(std::move(folder))) {
    if (!folder_.empty()) return;
    wchar_t buffer[MAX_PATH + 2] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 2, buffer);
    if (length > 0 && length <= MAX_PATH + 1) {
        std::wstring wide(buffer, length);
        while (wide.size() > 3 && (wide.back() == L'\\' || wide.back() == L'/')) wide.pop_back();
        folder_ = WithSlashes(win32::Narrow(wide));
    }
    if (folder_.empty()) folder_ = ".";
}

std::string LocalTempFiles::create(const std::string& prefix, int& errorNumber) {
    win32::PrivateSecurity security;
    return MakeUniqueName(InFolder(folder_, prefix), [&security](const std::string& candidate, int& error) {
        const std::wstring wide = win32::Widen(candidate);
        if (wide.empty()) {
            error = EINVAL;
            return NameTry::Failed;
        }
        HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, security.attributes(), CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        const bool made = h != INVALID_HANDLE_VALUE;
        if (made) ::CloseHandle(h);
        return TryOutcome(made, error);
    }, errorNumber);
}

std::string LocalTempFiles::createPrivateFolder(const std::string& prefix, int& errorNumber) {
    win32::PrivateSecurity security;
    return MakeUniqueName(InFolder(folder_, prefix), [&security](const std::string& candidate, int& error) {
        const std::wstring wide = win32::Widen(candidate);
        if (wide.empty()) {
            error = EINVAL;
            return NameTry::Failed;
        }
        return TryOutcome(::CreateDirectoryW(wide.c_str(), security.attributes()) != 0, error);
    }, errorNumber);
}

}  // namespace platform
