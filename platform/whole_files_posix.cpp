#include "platform/whole_files.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/paths.h"

namespace platform {

namespace {

// Closes the descriptor however the function that opened it ends.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (w < 0 && errno == EINTR) continue;
        if (w < 0) return false;
        if (w == 0) {
            errno = EIO;
            return false;
        }
        done += static_cast<size_t>(w);
    }
    return true;
}

}  // namespace

FileReader::~FileReader() { close(); }

void FileReader::close() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
    handle_ = -1;
}

ReadWholeStatus FileReader::open(const std::string& path, int& errorNumber, LinkAtPath links) {
    close();
    errorNumber = 0;
    error_ = 0;
    // Non-blocking open: a FIFO without a writer would otherwise hold the open itself.
    int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;
    if (links == LinkAtPath::Refuse) flags |= O_NOFOLLOW;
    Descriptor fd(::open(path.c_str(), flags));
    if (fd.get() < 0) {
        const int e = errno;
        if (e == ENOENT || e == ENOTDIR) {
            errorNumber = e;
            return ReadWholeStatus::Missing;
        }
        if (e == ELOOP && links == LinkAtPath::Refuse) return ReadWholeStatus::Link;
        if (e == ENXIO) return ReadWholeStatus::NotRegular;
        errorNumber = e;
        return ReadWholeStatus::Failed;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        errorNumber = errno;
        return ReadWholeStatus::Failed;
    }
    if (!S_ISREG(st.st_mode)) return ReadWholeStatus::NotRegular;
    // Reads block as on any regular file once it is known to be one.
    const int kept = ::fcntl(fd.get(), F_DUPFD_CLOEXEC, 0);
    if (kept < 0 || ::fcntl(kept, F_SETFL, O_RDONLY) != 0) {
        errorNumber = errno;
        if (kept >= 0) ::close(kept);
        return ReadWholeStatus::Failed;
    }
    handle_ = kept;
    return ReadWholeStatus::Ok;
}

long FileReader::read(void* buffer, size_t max) {
    if (handle_ < 0) {
        error_ = EBADF;
        return -1;
    }
    for (;;) {
        const ssize_t n = ::read(static_cast<int>(handle_), buffer, max);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error_ = errno;
            return -1;
        }
        return static_cast<long>(n);
    }
}

bool FileReader::rewind() {
    if (handle_ < 0 || ::lseek(static_cast<int>(handle_), 0, SEEK_SET) != 0) {
        error_ = handle_ < 0 ? EBADF : errno;
        return false;
    }
    return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, int& errorNumber) {
    errorNumber = 0;
    std::string pattern = path + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int failure = 0;
    {
        Descriptor fd(::mkostemp(name.data(), O_CLOEXEC));  // mode 0600, O_EXCL
        if (fd.get() < 0) {
            errorNumber = errno;
            return false;
        }
        if (!WriteAll(fd.get(), bytes) || ::fsync(fd.get()) != 0) failure = errno != 0 ? errno : EIO;
    }
    if (failure == 0 && std::rename(name.data(), path.c_str()) != 0) failure = errno;
    if (failure != 0) {
        ::unlink(name.data());
        errorNumber = failure;
        return false;
    }
    // The rename itself is made durable by syncing the folder; a folder that cannot be synced
    // costs durability only.
    Descriptor folder(::open(FolderOfPath(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) (void)::fsync(folder.get());
    return true;
}

}  // namespace platform
