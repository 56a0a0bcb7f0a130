// platform::Files and platform::TempFiles on the local file system, shared by the real and the
// simulated platforms. linux/local_files.cpp implements them with POSIX calls, windows/local_files.cpp
// with Win32 calls on UTF-8 paths. The contracts of platform.h hold on both; what differs is
// said below.
#pragma once

#include <string>

#include "platform/platform.h"

namespace platform {

class LocalFiles : public Files {
public:
    // Opens for reading and writing, creating a missing file private to the user (POSIX mode
    // 0600); never through a symbolic link at the last component (ELOOP); the handle is not
    // inherited by child processes. Reads of the channel wait at most timeoutMs for data (a
    // regular file never waits); cancel() makes every later call fail (ECANCELED).
    std::unique_ptr<Channel> open(const std::string& path, bool truncate, int& errorNumber) override;
    bool remove(const std::string& path) override;
    // POSIX: lstat. Windows: a reparse point is a Link, a device (NUL, COM1, ...) Other.
    Kind kindOf(const std::string& path, int& errorNumber) override;
    // POSIX: O_EXCL | O_NOFOLLOW, mode 0666 less the umask. Windows: CREATE_NEW, the folder's
    // access rules.
    std::unique_ptr<Channel> createUnique(const std::string& folder, const std::string& prefix, std::string& path,
                                          int& errorNumber) override;
    // POSIX: rename, then fsync of the folder. Windows: MoveFileExW with
    // MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH.
    bool replace(const std::string& from, const std::string& to, int& errorNumber) override;
    bool removeFolder(const std::string& path) override;

    // Test hook: the channels that createUnique hands out from now on fail every write after
    // this many more bytes (ENOSPC, as a full disk would); -1 turns it off. Process-wide.
    static void failWritesAfterBytesForTesting(long bytes);
};

class LocalTempFiles : public TempFiles {
public:
    // folder: where files are made; empty means the user's temporary folder: POSIX $TMPDIR, or
    // /tmp when that is unset or empty; Windows GetTempPathW. On Windows the paths handed out use
    // "/" between parts, as the link splits paths at "/".
    explicit LocalTempFiles(std::string folder = "");
    // A new empty file private to the user (POSIX mkstemp, mode 0600), closed again at once.
    std::string create(const std::string& prefix, int& errorNumber) override;
    // A new folder private to the user (POSIX mkdtemp, mode 0700; Windows a protected access
    // list that admits the user alone).
    std::string createPrivateFolder(const std::string& prefix, int& errorNumber) override;
    const std::string& folder() const { return folder_; }

private:
    std::string folder_;
};

}  // namespace platform
