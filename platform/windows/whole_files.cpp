#include "platform/whole_files.h"

#include <algorithm>
#include <vector>

#include "platform/paths.h"
#include "platform/unique_name.h"
#include "platform/windows/win32_text.h"

namespace platform {

namespace {

// Closes the handle however the function that opened it ends.
class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() { close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    void close() {
        if (valid()) ::CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE h_;
};

}  // namespace

FileReader::~FileReader() { close(); }

void FileReader::close() {
    if (handle_ != -1) ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = -1;
}

ReadWholeStatus FileReader::open(const std::string& path, int& errorNumber, LinkAtPath links) {
    close();
    errorNumber = 0;
    error_ = 0;
    const std::wstring wide = win32::Widen(path);
    if (wide.empty()) {
        errorNumber = ENOENT;
        return ReadWholeStatus::Missing;
    }
    DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_SEQUENTIAL_SCAN;
    if (links == LinkAtPath::Refuse) flags |= FILE_FLAG_OPEN_REPARSE_POINT;
    Handle file(::CreateFileW(wide.c_str(), GENERIC_READ, win32::kShareAll, nullptr, OPEN_EXISTING, flags, nullptr));
    if (!file.valid()) {
        errorNumber = win32::LastErrno();
        if (errorNumber == ENOENT || errorNumber == ENOTDIR) return ReadWholeStatus::Missing;
        return ReadWholeStatus::Failed;
    }
    if (::GetFileType(file.get()) != FILE_TYPE_DISK) return ReadWholeStatus::NotRegular;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file.get(), &info)) {
        errorNumber = win32::LastErrno();
        return ReadWholeStatus::Failed;
    }
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return ReadWholeStatus::Link;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return ReadWholeStatus::NotRegular;
    HANDLE kept = INVALID_HANDLE_VALUE;
    if (!::DuplicateHandle(::GetCurrentProcess(), file.get(), ::GetCurrentProcess(), &kept, 0, FALSE,
                           DUPLICATE_SAME_ACCESS)) {
        errorNumber = win32::LastErrno();
        return ReadWholeStatus::Failed;
    }
    handle_ = reinterpret_cast<intptr_t>(kept);
    return ReadWholeStatus::Ok;
}

long FileReader::read(void* buffer, size_t max) {
    if (handle_ == -1) {
        error_ = EBADF;
        return -1;
    }
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(max < 0x40000000u ? max : 0x40000000u);
    if (!::ReadFile(reinterpret_cast<HANDLE>(handle_), buffer, want, &got, nullptr)) {
        error_ = win32::LastErrno();
        return -1;
    }
    return static_cast<long>(got);
}

bool FileReader::rewind() {
    LARGE_INTEGER zero{};
    if (handle_ == -1 || !::SetFilePointerEx(reinterpret_cast<HANDLE>(handle_), zero, nullptr, FILE_BEGIN)) {
        error_ = handle_ == -1 ? EBADF : win32::LastErrno();
        return false;
    }
    return true;
}

namespace {

// Writes bytes into a new temporary beside target (private to the user, CREATE_NEW) and flushes
// it to the storage; its name goes into temporary. 0, or the error number with the temporary
// removed.
int WriteTemporary(const std::wstring& target, std::string_view bytes, std::wstring& temporary) {
    win32::PrivateSecurity security;
    HANDLE created = INVALID_HANDLE_VALUE;
    int error = 0;
    const auto tryName = [&](const std::string& candidate, int& failure) {
        temporary = win32::Widen(candidate);
        created = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, security.attributes(), CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created != INVALID_HANDLE_VALUE) return NameTry::Made;
        if (::GetLastError() == ERROR_FILE_EXISTS) return NameTry::Taken;
        failure = win32::LastErrno();
        return NameTry::Failed;
    };
    if (MakeUniqueName(win32::Narrow(target) + ".", tryName, error).empty()) return error;
    Handle file(created);
    int failure = 0;
    size_t done = 0;
    while (failure == 0 && done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        DWORD wrote = 0;
        if (!::WriteFile(file.get(), bytes.data() + done, chunk, &wrote, nullptr)) failure = win32::LastErrno();
        else if (wrote == 0) failure = EIO;
        done += wrote;
    }
    if (failure == 0 && !::FlushFileBuffers(file.get())) failure = win32::LastErrno();
    file.close();
    if (failure != 0) ::DeleteFileW(temporary.c_str());
    return failure;
}

// The temporary of bytes moved to path: over what is there (replace) or only where nothing is.
bool MoveTemporaryInto(const std::string& path, std::string_view bytes, bool replace, int& errorNumber) {
    errorNumber = 0;
    const std::wstring target = win32::Widen(path);
    if (target.empty()) {
        errorNumber = EINVAL;
        return false;
    }
    std::wstring temporary;
    if (const int failure = WriteTemporary(target, bytes, temporary); failure != 0) {
        errorNumber = failure;
        return false;
    }
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    if (!::MoveFileExW(temporary.c_str(), target.c_str(), flags)) {
        errorNumber = win32::LastErrno();
        ::DeleteFileW(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view bytes, int& errorNumber) {
    return MoveTemporaryInto(path, bytes, true, errorNumber);
}

bool CreateFileAtomically(const std::string& path, std::string_view bytes, int& errorNumber) {
    // Without MOVEFILE_REPLACE_EXISTING the move fails (ERROR_ALREADY_EXISTS: EEXIST) when the
    // name is taken, and never replaces.
    return MoveTemporaryInto(path, bytes, false, errorNumber);
}

}  // namespace platform
