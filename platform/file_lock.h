// An exclusive lock held through a lock file, between programs and between two FileLock objects
// of one program alike (each holds its own open file: flock on POSIX, LockFileEx on Windows).
// linux/file_lock.cpp and windows/file_lock.cpp implement it. The system releases the lock when
// the holding process ends, however it ends, so a crash never leaves it taken.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

class FileLock {
public:
    enum class Result {
        Locked,      // the lock is held until release()
        Busy,        // another holder kept it for the whole wait
        OpenFailed,  // the lock file could not be opened or created (errorNumber set)
        Failed,      // the lock could not be taken for another reason (errorNumber set)
    };

    FileLock() = default;
    ~FileLock();  // release()
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Opens the lock file at path (creating it private to the user, POSIX mode 0600; never
    // through a symbolic link) and takes the lock, trying again every 10 ms while another holder
    // has it, for at most waitMs (0: one try). The folder must exist. Holding the lock already
    // returns Locked at once. errorNumber is 0 unless OpenFailed or Failed. Blocks at most waitMs
    // plus one try.
    Result acquire(const std::string& path, int waitMs, int& errorNumber);
    // Gives the lock up and closes the lock file, which stays in place for the next holder.
    // Nothing to do when not held. Does not block.
    void release();
    bool held() const { return handle_ != kNone; }

private:
    static constexpr std::intptr_t kNone = -1;
    std::intptr_t handle_ = kNone;  // the descriptor, or the HANDLE on Windows
};

}  // namespace platform
