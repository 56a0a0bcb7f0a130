#include "platform/windows/handles.h"

#include <algorithm>
#include <cerrno>
#include <climits>

#include "platform/windows/system_replies.h"

namespace platform::windows_impl {
namespace {

// One ReadFile/WriteFile moves at most this much; the callers loop or take a short count.
constexpr size_t kTransferLimit = 1u << 30;

}  // namespace

bool deviceControl(HANDLE handle, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                   DWORD& returned, DWORD waitMs) {
    returned = 0;
    UniqueHandle done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!done.valid()) return false;
    OVERLAPPED overlapped{};
    overlapped.hEvent = done.get();
    if (::DeviceIoControl(handle, code, const_cast<void*>(in), inSize, out, outSize, &returned, &overlapped)) return true;
    if (::GetLastError() != ERROR_IO_PENDING) return false;
    if (::WaitForSingleObject(done.get(), waitMs) != WAIT_OBJECT_0) ::CancelIoEx(handle, &overlapped);
    return ::GetOverlappedResult(handle, &overlapped, &returned, TRUE) != 0;
}

DeviceChannel::DeviceChannel(UniqueHandle handle)
    : handle_(std::move(handle)), cancelEvent_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

DeviceChannel::~DeviceChannel() {
    if (handle_.valid()) ::CancelIo(handle_.get());
}

void DeviceChannel::cancel() {
    if (cancelEvent_.valid()) ::SetEvent(cancelEvent_.get());
}

long DeviceChannel::read(uint8_t* buffer, size_t n, int timeoutMs) {
    return readFor(buffer, n, timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
}

long DeviceChannel::readFor(uint8_t* buffer, size_t n, DWORD waitMs) { return transfer(false, buffer, n, waitMs); }

long DeviceChannel::writeFor(const uint8_t* data, size_t n, DWORD waitMs) {
    return transfer(true, const_cast<uint8_t*>(data), n, waitMs);
}

long DeviceChannel::transfer(bool writing, uint8_t* buffer, size_t n, DWORD waitMs) {
    if (!handle_.valid() || !cancelEvent_.valid()) {
        setError(EBADF);
        return -1;
    }
    if (::WaitForSingleObject(cancelEvent_.get(), 0) == WAIT_OBJECT_0) {
        setError(ECANCELED);
        return -1;
    }
    if (n == 0) return 0;
    UniqueHandle done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!done.valid()) {
        setError(win32::LastErrno());
        return -1;
    }
    OVERLAPPED overlapped{};
    overlapped.hEvent = done.get();
    const DWORD count = static_cast<DWORD>(std::min(n, kTransferLimit));
    DWORD moved = 0;
    BOOL ok = writing ? ::WriteFile(handle_.get(), buffer, count, &moved, &overlapped)
                      : ::ReadFile(handle_.get(), buffer, count, &moved, &overlapped);
    if (!ok) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_IO_PENDING) {
            setError(errnoFromWin32(error));
            return -1;
        }
        HANDLE waits[2] = {done.get(), cancelEvent_.get()};
        const DWORD woke = ::WaitForMultipleObjects(2, waits, FALSE, waitMs);
        const bool cancelled = woke == WAIT_OBJECT_0 + 1;
        if (woke != WAIT_OBJECT_0) ::CancelIoEx(handle_.get(), &overlapped);
        // The request must be over before its OVERLAPPED goes out of scope.
        ok = ::GetOverlappedResult(handle_.get(), &overlapped, &moved, TRUE);
        if (cancelled) {
            setError(ECANCELED);
            return -1;
        }
        if (!ok) {
            const DWORD failure = ::GetLastError();
            // A request that ran out of time and was ended here is a time-out, not a failure.
            if (failure == ERROR_OPERATION_ABORTED && woke == WAIT_TIMEOUT) {
                if (writing) {
                    setError(ETIMEDOUT);
                    return moved > 0 ? static_cast<long>(moved) : -1;
                }
                return static_cast<long>(moved);
            }
            setError(errnoFromWin32(failure));
            return -1;
        }
    }
    if (writing && moved == 0) setError(ETIMEDOUT);
    return static_cast<long>(moved);
}

long FileChannel::write(const uint8_t* data, size_t n) {
    if (cancelled_.load()) {
        lastError_.store(ECANCELED);
        return -1;
    }
    DWORD written = 0;
    if (!::WriteFile(handle_.get(), data, static_cast<DWORD>(std::min(n, kTransferLimit)), &written, nullptr)) {
        lastError_.store(win32::LastErrno());
        return -1;
    }
    return static_cast<long>(written);
}

long FileChannel::read(uint8_t* buffer, size_t n, int) {
    if (cancelled_.load()) {
        lastError_.store(ECANCELED);
        return -1;
    }
    DWORD got = 0;
    if (!::ReadFile(handle_.get(), buffer, static_cast<DWORD>(std::min(n, kTransferLimit)), &got, nullptr)) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_HANDLE_EOF) return 0;
        lastError_.store(errnoFromWin32(error));
        return -1;
    }
    return static_cast<long>(got);
}

bool FileChannel::sync() {
    if (::FlushFileBuffers(handle_.get())) return true;
    lastError_.store(win32::LastErrno());
    return false;
}

}  // namespace platform::windows_impl
