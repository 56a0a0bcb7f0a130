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
};

class PosixTempFiles : public TempFiles {
public:
    // folder: where files are made; empty means $TMPDIR, or /tmp when that is unset or empty.
    explicit PosixTempFiles(std::string folder = "");
    // mkstemp of folder/<prefix>XXXXXX (mode 0600); the file is closed again at once.
    std::string create(const std::string& prefix, int& errorNumber) override;
    const std::string& folder() const { return folder_; }

private:
    std::string folder_;
};

}  // namespace platform
