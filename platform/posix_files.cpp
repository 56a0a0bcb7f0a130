#include "platform/posix_files.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

PosixFileChannel::PosixFileChannel(int fd) : fd_(fd) {
    if (::pipe2(cancelPipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        cancelPipe_[0] = cancelPipe_[1] = -1;
    }
}

PosixFileChannel::~PosixFileChannel() {
    if (fd_ >= 0) ::close(fd_);
    for (int end : cancelPipe_) {
        if (end >= 0) ::close(end);
    }
}

namespace {
bool IsCancelled(int readEnd) {
    if (readEnd < 0) return false;
    pollfd p{readEnd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}
}  // namespace

long PosixFileChannel::write(const uint8_t* data, size_t n) {
    if (IsCancelled(cancelPipe_[0])) {
        lastError_ = ECANCELED;
        return -1;
    }
    size_t done = 0;
    while (done < n) {
        ssize_t w = ::write(fd_, data + done, n - done);
        if (w < 0) {
            if (errno == EINTR) continue;
            lastError_ = errno;
            return done > 0 ? static_cast<long>(done) : -1;
        }
        if (w == 0) break;
        done += static_cast<size_t>(w);
    }
    return static_cast<long>(done);
}

long PosixFileChannel::read(uint8_t* buffer, size_t n, int timeoutMs) {
    // A regular file answers poll() at once; the wait matters for devices and pipes only.
    pollfd fds[2] = {{fd_, POLLIN, 0}, {cancelPipe_[0], POLLIN, 0}};
    const nfds_t count = cancelPipe_[0] >= 0 ? 2 : 1;
    for (;;) {
        int r = ::poll(fds, count, timeoutMs < 0 ? 0 : timeoutMs);
        if (r < 0) {
            if (errno == EINTR) continue;
            lastError_ = errno;
            return -1;
        }
        if (count == 2 && (fds[1].revents & POLLIN)) {
            lastError_ = ECANCELED;
            return -1;
        }
        if (r == 0) return 0;
        break;
    }
    for (;;) {
        ssize_t got = ::read(fd_, buffer, n);
        if (got < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN) return 0;
            lastError_ = errno;
            return -1;
        }
        return static_cast<long>(got);
    }
}

void PosixFileChannel::cancel() {
    if (cancelPipe_[1] >= 0) {
        const char b = 1;
        [[maybe_unused]] ssize_t w = ::write(cancelPipe_[1], &b, 1);
    }
}

int PosixFileChannel::lastError() const { return lastError_; }

std::unique_ptr<Channel> PosixFiles::open(const std::string& path, bool truncate, int& errorNumber) {
    errorNumber = 0;
    int flags = O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC;
    if (truncate) flags |= O_TRUNC;
    int fd;
    do {
        fd = ::open(path.c_str(), flags, 0600);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        errorNumber = errno;
        return nullptr;
    }
    return std::make_unique<PosixFileChannel>(fd);
}

bool PosixFiles::remove(const std::string& path) { return ::unlink(path.c_str()) == 0; }

PosixTempFiles::PosixTempFiles(std::string folder) : folder_(std::move(folder)) {
    if (folder_.empty()) {
        const char* env = std::getenv("TMPDIR");
        folder_ = (env != nullptr && *env != '\0') ? env : "/tmp";
    }
}

std::string PosixTempFiles::create(const std::string& prefix, int& errorNumber) {
    errorNumber = 0;
    std::string pattern = folder_;
    if (!pattern.empty() && pattern.back() != '/') pattern += '/';
    pattern += prefix + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkostemp(name.data(), O_CLOEXEC);  // mkstemp semantics: mode 0600, O_EXCL
    if (fd < 0) {
        errorNumber = errno;
        return {};
    }
    ::close(fd);
    return std::string(name.data());
}

}  // namespace platform
