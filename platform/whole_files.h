// A small file read whole and a small file replaced or created whole, for the programs' own files
// (command files to send, the virtual printer's state, snapshots). linux/whole_files.cpp
// implements them with POSIX calls, windows/whole_files.cpp with Win32 calls on UTF-8 paths;
// whole_files.cpp holds what is the same on both. Conventions as in platform.h: no exceptions,
// error numbers are errno values.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace platform {

enum class ReadWholeStatus {
    Ok,
    Missing,     // nothing at the path (errorNumber ENOENT or ENOTDIR)
    Link,        // a symbolic link at the last component, and links were refused
    NotRegular,  // a folder, a pipe, a device: anything but a regular file
    TooLarge,    // more than maxBytes
    Failed,      // it could not be opened or read (errorNumber set)
};

enum class LinkAtPath { Follow, Refuse };

// Reads the whole regular file at path into bytes, at most maxBytes of it. Anything but a
// regular file is refused before a byte is read, so a pipe or a device never makes the call
// wait; with LinkAtPath::Refuse a symbolic link at the last component is refused too instead of
// followed. bytes is empty unless the result is Ok; errorNumber is 0 unless Missing or Failed.
// Blocks on file I/O only.
ReadWholeStatus ReadWholeFile(const std::string& path, size_t maxBytes, std::string& bytes, int& errorNumber,
                              LinkAtPath links = LinkAtPath::Follow);

// A regular file read in pieces, for files too large to hold whole (a command file to send).
// open refuses what ReadWholeFile refuses, before a byte is read; read gives up to max bytes (0 at
// the end, -1 with errorNumber() set on failure); rewind goes back to the first byte.
class FileReader {
public:
    FileReader() = default;
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // Ok, Missing, Link, NotRegular or Failed (never TooLarge); errorNumber as ReadWholeFile's.
    ReadWholeStatus open(const std::string& path, int& errorNumber, LinkAtPath links = LinkAtPath::Follow);
    long read(void* buffer, size_t max);
    bool rewind();
    int errorNumber() const { return error_; }

private:
    void close();
    intptr_t handle_ = -1;  // a descriptor, or a HANDLE on Windows
    int error_ = 0;
};

// Replaces the file at path with bytes, all or nothing: they go to a new temporary file beside
// path (private to the user: POSIX mode 0600), are flushed to the storage (fsync;
// FlushFileBuffers), and the temporary is renamed over path (rename, then fsync of the folder;
// MoveFileExW with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH). A symbolic link at path
// is replaced, never followed. True on success; false (errorNumber set) when any step failed:
// the temporary is then removed and path is exactly as it was. The folder must exist. Blocks
// until the storage confirms.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, int& errorNumber);

// Creates a new file at path holding bytes, all or nothing, and never replaces anything there:
// the bytes go to a temporary as in WriteFileAtomically, which then takes the name only if the
// name is still free (POSIX link(); on a file system without hard links an exclusive create of
// path, O_CREAT | O_EXCL, that the temporary is renamed over; Windows MoveFileExW without
// MOVEFILE_REPLACE_EXISTING). Two writers that choose one name at the same instant therefore
// never overwrite each other: the later one gets false with EEXIST and path keeps the other's
// bytes. False (errorNumber set) on any other failure, with the temporary removed. The folder
// must exist. Blocks until the storage confirms.
bool CreateFileAtomically(const std::string& path, std::string_view bytes, int& errorNumber);

// How old a temporary of the two calls above must be before RemoveStaleTemporaries takes it for
// one whose writer died (killed between writing and renaming it): a live write takes moments.
constexpr std::chrono::seconds kStaleTemporaryAge{60};

// Removes the temporaries the two calls above leave when their program is killed before the
// rename: regular files of folder named TARGET.XXXXXX (a dot and six letters or digits) for
// which ours(TARGET) is true, last modified more than olderThan ago. Younger ones may belong to
// a write still under way, and every other name is left alone, so callers pass a folder that
// only the program writes and the names it writes there. Never follows a symbolic link. The
// number removed. Blocks on file I/O only.
size_t RemoveStaleTemporaries(const std::string& folder, const std::function<bool(const std::string& target)>& ours,
                              std::chrono::seconds olderThan = kStaleTemporaryAge);

}  // namespace platform
