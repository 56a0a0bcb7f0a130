// The POSIX implementations of platform::Files and platform::TempFiles, shared by the Linux and
// the simulated platform.
#pragma once

#include <string>

#include "platform/platform.h"

namespace platform {

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

class PosixFiles : public Files {
public:
    // Opens read-write, creates a missing file with mode 0600, never follows a symbolic link at
    // the last component, closes on exec.
    std::unique_ptr<Channel> open(const std::string& path, bool truncate, int& errorNumber) override;
    bool remove(const std::string& path) override;
    Kind kindOf(const std::string& path, int& errorNumber) override;  // lstat
    std::unique_ptr<Channel> createUnique(const std::string& folder, const std::string& prefix, std::string& path,
                                          int& errorNumber) override;
    bool replace(const std::string& from, const std::string& to, int& errorNumber) override;
    bool removeFolder(const std::string& path) override;

    // Test hook: the channels that createUnique hands out from now on fail every write after
    // this many more bytes (ENOSPC, as a full disk would); -1 turns it off. Process-wide.
    static void failWritesAfterBytesForTesting(long bytes);
};

class PosixTempFiles : public TempFiles {
public:
    // folder: where files are made; empty means $TMPDIR, or /tmp when that is unset or empty.
    explicit PosixTempFiles(std::string folder = "");
    // mkstemp of folder/<prefix>XXXXXX (mode 0600); the file is closed again at once.
    std::string create(const std::string& prefix, int& errorNumber) override;
    // mkdtemp of folder/<prefix>XXXXXX (mode 0700).
    std::string createPrivateFolder(const std::string& prefix, int& errorNumber) override;
    const std::string& folder() const { return folder_; }

private:
    std::string folder_;
};

}  // namespace platform
