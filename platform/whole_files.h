// A small file read whole and a small file replaced whole, for the programs' own files (command
// files to send, the virtual printer's state). whole_files_posix.cpp implements them with POSIX
// calls, whole_files_win32.cpp with Win32 calls on UTF-8 paths. Conventions as in platform.h:
// no exceptions, error numbers are errno values.
#pragma once

#include <cstddef>
#include <cstdint>
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

}  // namespace platform
