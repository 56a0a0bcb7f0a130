#include "platform/local_files.h"
#include "platform/paths.h"
#include "platform/unique_name.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

// A file opened for reading and writing. Reads wait at most timeoutMs for data (a regular file
// never waits); cancel() makes every later call fail.
class PosixFileChannel : public Channel {
public:
    explicit PosixFileChannel(int fd);
    ~PosixFileChannel() override;
    PosixFileChannel(const PosixFileChannel&) = delete;
    PosixFileChannel& operator=(const PosixFileChannel&) = delete;

    long write(const uint8_t* data, size_t n) override;
    long read(uint8_t* buffer, size_t n, int timeoutMs = -1) override;
    void cancel() override;
    int lastError() const override;
    bool sync() override;  // fsync

private:
    int fd_;
    int cancelPipe_[2] = {-1, -1};
    int lastError_ = 0;
};

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

bool IsCancelled(int readEnd) {
    if (readEnd < 0) return false;
    pollfd p{readEnd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

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

bool PosixFileChannel::sync() {
    if (::fsync(fd_) == 0) return true;
    lastError_ = errno;
    return false;
}

// The test hook of createUnique: how many more bytes its channels take (-1: unlimited).
std::atomic<long> g_writeBudget{-1};

// A file channel that runs out of room after a set number of bytes, as a full disk does.
class BudgetFileChannel : public PosixFileChannel {
public:
    explicit BudgetFileChannel(int fd) : PosixFileChannel(fd) {}
    long write(const uint8_t* data, size_t n) override {
        long budget = g_writeBudget.load();
        if (budget < 0) return PosixFileChannel::write(data, n);
        const size_t allowed = std::min<size_t>(n, static_cast<size_t>(budget));
        long written = allowed > 0 ? PosixFileChannel::write(data, allowed) : 0;
        if (written < 0) return -1;
        g_writeBudget.store(budget - written);
        if (static_cast<size_t>(written) == n) return written;
        full_ = true;
        return written > 0 ? written : -1;
    }
    int lastError() const override { return full_ ? ENOSPC : PosixFileChannel::lastError(); }

private:
    bool full_ = false;
};

// Makes a rename in folder durable. A folder that cannot be synced costs durability only.
void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)::fsync(fd);
    ::close(fd);
}

}  // namespace

void LocalFiles::failWritesAfterBytesForTesting(long bytes) { g_writeBudget.store(bytes < 0 ? -1 : bytes); }

Files::Kind LocalFiles::kindOf(const std::string& path, int& errorNumber) { return KindOfPath(path, errorNumber); }

std::unique_ptr<Channel> LocalFiles::createUnique(const std::string& folder, const std::string& prefix,
                                                  std::string& path, int& errorNumber) {
    std::string base = folder.empty() ? std::string(".") : folder;
    if (base.back() != '/') base += '/';
    int fd = -1;
    const std::string made = MakeUniqueName(base + prefix, [&fd](const std::string& candidate, int& error) {
        // Mode 0666: the kernel takes the user's umask off, as for any file the user makes.
        do {
            fd = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd >= 0) return NameTry::Made;
        error = errno;
        return error == EEXIST ? NameTry::Taken : NameTry::Failed;
    }, errorNumber);
    if (made.empty()) return nullptr;
    path = made;
    return std::make_unique<BudgetFileChannel>(fd);
}

bool LocalFiles::replace(const std::string& from, const std::string& to, int& errorNumber) {
    errorNumber = 0;
    if (::rename(from.c_str(), to.c_str()) != 0) {
        errorNumber = errno;
        return false;
    }
    SyncFolder(FolderOfPath(to));
    return true;
}

bool LocalFiles::removeFolder(const std::string& path) { return ::rmdir(path.c_str()) == 0; }

std::unique_ptr<Channel> LocalFiles::open(const std::string& path, bool truncate, int& errorNumber) {
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

bool LocalFiles::remove(const std::string& path) { return ::unlink(path.c_str()) == 0; }

LocalTempFiles::LocalTempFiles(std::string folder) : folder_(std::move(folder)) {
    if (folder_.empty()) {
        const char* env = std::getenv("TMPDIR");
        folder_ = (env != nullptr && *env != '\0') ? env : "/tmp";
    }
}

namespace {
// folder/prefixXXXXXX as a writable, zero-terminated buffer for mkostemp and mkdtemp.
std::vector<char> UniquePattern(const std::string& folder, const std::string& prefix) {
    std::string pattern = folder;
    if (!pattern.empty() && pattern.back() != '/') pattern += '/';
    pattern += prefix + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    return name;
}
}  // namespace

std::string LocalTempFiles::create(const std::string& prefix, int& errorNumber) {
    errorNumber = 0;
    std::vector<char> name = UniquePattern(folder_, prefix);
    int fd = ::mkostemp(name.data(), O_CLOEXEC);  // mkstemp semantics: mode 0600, O_EXCL
    if (fd < 0) {
        errorNumber = errno;
        return {};
    }
    ::close(fd);
    return std::string(name.data());
}

std::string LocalTempFiles::createPrivateFolder(const std::string& prefix, int& errorNumber) {
    errorNumber = 0;
    std::vector<char> name = UniquePattern(folder_, prefix);
    if (::mkdtemp(name.data()) == nullptr) {  // mode 0700
        errorNumber = errno;
        return {};
    }
    return std::string(name.data());
}

}  // namespace platform
