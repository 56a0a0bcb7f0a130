#include "platform/file_lock.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace platform {

namespace {
constexpr int kPollMs = 10;
}  // namespace

FileLock::~FileLock() { release(); }

FileLock::Result FileLock::acquire(const std::string& path, int waitMs, int& errorNumber) {
    errorNumber = 0;
    if (held()) return Result::Locked;
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        errorNumber = errno;
        return Result::OpenFailed;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(waitMs, 0));
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) break;
        const int e = errno;
        if (e == EINTR) continue;
        const auto now = std::chrono::steady_clock::now();
        if (e != EWOULDBLOCK || now >= deadline) {
            ::close(fd);
            if (e == EWOULDBLOCK) return Result::Busy;
            errorNumber = e;
            return Result::Failed;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min<long long>(kPollMs, left + 1)));
    }
    handle_ = fd;
    return Result::Locked;
}

void FileLock::release() {
    if (!held()) return;
    ::close(static_cast<int>(handle_));  // closing the only descriptor of the file releases the lock
    handle_ = kNone;
}

}  // namespace platform
