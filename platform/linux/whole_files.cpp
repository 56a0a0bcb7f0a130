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

namespace {

// Writes bytes into a new temporary beside path (mode 0600, O_EXCL) and flushes it to the
// storage; its name goes into name. 0, or the error number with the temporary removed.
int WriteTemporary(const std::string& path, std::string_view bytes, std::vector<char>& name) {
    const std::string pattern = path + ".XXXXXX";
    name.assign(pattern.begin(), pattern.end());
    name.push_back('\0');
    Descriptor fd(::mkostemp(name.data(), O_CLOEXEC));
    if (fd.get() < 0) return errno;
    if (!WriteAll(fd.get(), bytes) || ::fsync(fd.get()) != 0) {
        const int failure = errno != 0 ? errno : EIO;
        ::unlink(name.data());
        return failure;
    }
    return 0;
}

// Makes a rename or link in path's folder durable; a folder that cannot be synced costs
// durability only.
void SyncFolderOf(const std::string& path) {
    Descriptor folder(::open(FolderOfPath(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) (void)::fsync(folder.get());
}

// link() answers these where the file system has no hard links (FAT, some network and FUSE
// file systems).
bool NoHardLinks(int error) { return error == EPERM || error == EOPNOTSUPP || error == ENOSYS; }

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view bytes, int& errorNumber) {
    errorNumber = 0;
    std::vector<char> name;
    if (const int failure = WriteTemporary(path, bytes, name); failure != 0) {
        errorNumber = failure;
        return false;
    }
    if (std::rename(name.data(), path.c_str()) != 0) {
        errorNumber = errno;
        ::unlink(name.data());
        return false;
    }
    SyncFolderOf(path);
    return true;
}

bool CreateFileAtomically(const std::string& path, std::string_view bytes, int& errorNumber) {
    errorNumber = 0;
    std::vector<char> name;
    if (const int failure = WriteTemporary(path, bytes, name); failure != 0) {
        errorNumber = failure;
        return false;
    }
    // link() gives the whole file the name only while nothing has it, and never replaces.
    int failure = ::link(name.data(), path.c_str()) == 0 ? 0 : errno;
    if (NoHardLinks(failure)) {
        // The name is reserved by an exclusive create; the temporary then replaces only that
        // empty file of our own.
        Descriptor reserved(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        failure = reserved.get() < 0 ? errno : 0;
        if (failure == 0 && std::rename(name.data(), path.c_str()) != 0) {
            failure = errno;
            ::unlink(path.c_str());
        }
    }
    // After a link the temporary is a second name of the file; after a rename it is gone already.
    ::unlink(name.data());
    if (failure != 0) {
        errorNumber = failure;
        return false;
    }
    SyncFolderOf(path);
    return true;
}

}  // namespace platform
