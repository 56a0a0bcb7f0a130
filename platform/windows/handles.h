// The handles and the two kinds of channel over a HANDLE that the Windows platform's devices use
// (the text and error conversions are win32_text.h's).
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>

#include "platform/platform.h"
#include "platform/windows/win32_text.h"

namespace platform::windows_impl {

class UniqueHandle;
// DeviceIoControl on a handle opened with or without FILE_FLAG_OVERLAPPED, waiting at most
// waitMs for the answer. False (GetLastError set) on failure or when the time ran out.
bool deviceControl(HANDLE handle, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                   DWORD& returned, DWORD waitMs);

// Owns one HANDLE; INVALID_HANDLE_VALUE and null are both "none".
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) : h_(h) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    HANDLE get() const { return h_; }
    HANDLE release() {
        HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        return h;
    }
    void reset(HANDLE h = INVALID_HANDLE_VALUE) {
        if (valid()) ::CloseHandle(h_);
        h_ = h;
    }

private:
    HANDLE h_ = INVALID_HANDLE_VALUE;
};

// A device opened with FILE_FLAG_OVERLAPPED (a parallel port, a USB pipe). Every read and write
// waits for its own completion or for cancel(), and at most for the bound the caller gives: a
// device whose driver ignores its time-outs still cannot hold a thread.
class DeviceChannel : public Channel {
public:
    explicit DeviceChannel(UniqueHandle handle);
    ~DeviceChannel() override;

    long write(const uint8_t* data, size_t n) override { return writeFor(data, n, INFINITE); }
    long read(uint8_t* buffer, size_t n, int timeoutMs = -1) override;
    void cancel() override;
    int lastError() const override { return lastError_.load(); }

    // One write, waiting at most waitMs (INFINITE: until the device ends it).
    long writeFor(const uint8_t* data, size_t n, DWORD waitMs);
    // One read, waiting at most waitMs; 0 when nothing came in that time.
    long readFor(uint8_t* buffer, size_t n, DWORD waitMs);
    HANDLE handle() const { return handle_.get(); }
    void setError(int error) { lastError_.store(error); }

private:
    long transfer(bool writing, uint8_t* buffer, size_t n, DWORD waitMs);

    UniqueHandle handle_;
    UniqueHandle cancelEvent_;  // manual reset: once set, every later call fails at once
    std::atomic<int> lastError_{0};
};

// A regular file opened for synchronous I/O: reads never wait, so a time-out has nothing to bound.
class FileChannel : public Channel {
public:
    explicit FileChannel(UniqueHandle handle) : handle_(std::move(handle)) {}
    long write(const uint8_t* data, size_t n) override;
    long read(uint8_t* buffer, size_t n, int timeoutMs = -1) override;
    void cancel() override { cancelled_.store(true); }
    int lastError() const override { return lastError_.load(); }
    bool sync() override;  // FlushFileBuffers

private:
    UniqueHandle handle_;
    std::atomic<bool> cancelled_{false};
    std::atomic<int> lastError_{0};
};

}  // namespace platform::windows_impl
