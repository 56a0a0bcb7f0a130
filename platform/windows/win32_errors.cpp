#include "platform/windows/win32_errors.h"

#include <cerrno>

namespace platform::windows_impl {

int errnoFromWin32(uint32_t error) {
    switch (error) {
    case 0: return 0;
    case 2:     // ERROR_FILE_NOT_FOUND
    case 3:     // ERROR_PATH_NOT_FOUND
    case 15:    // ERROR_INVALID_DRIVE
    case 53:    // ERROR_BAD_NETPATH
    case 67:    // ERROR_BAD_NET_NAME
        return ENOENT;
    case 5:     // ERROR_ACCESS_DENIED
    case 19:    // ERROR_WRITE_PROTECT
    case 1314:  // ERROR_PRIVILEGE_NOT_HELD
        return EACCES;
    case 32:    // ERROR_SHARING_VIOLATION
    case 33:    // ERROR_LOCK_VIOLATION
    case 170:   // ERROR_BUSY
    case 231:   // ERROR_PIPE_BUSY
        return EBUSY;
    case 80:    // ERROR_FILE_EXISTS
    case 183:   // ERROR_ALREADY_EXISTS
        return EEXIST;
    case 6:     // ERROR_INVALID_HANDLE
        return EBADF;
    case 8:     // ERROR_NOT_ENOUGH_MEMORY
    case 14:    // ERROR_OUTOFMEMORY
        return ENOMEM;
    case 39:    // ERROR_HANDLE_DISK_FULL
    case 112:   // ERROR_DISK_FULL
        return ENOSPC;
    case 21:    // ERROR_NOT_READY
    case 20:    // ERROR_BAD_UNIT
    case 1167:  // ERROR_DEVICE_NOT_CONNECTED
    case 55:    // ERROR_DEV_NOT_EXIST
        return ENODEV;
    // A name that cannot be a path at all: the name is at fault, not a missing file.
    case 87:    // ERROR_INVALID_PARAMETER
    case 123:   // ERROR_INVALID_NAME
    case 161:   // ERROR_BAD_PATHNAME
    case 1113:  // ERROR_NO_UNICODE_TRANSLATION
        return EINVAL;
    case 145:   // ERROR_DIR_NOT_EMPTY
        return ENOTEMPTY;
    case 267:   // ERROR_DIRECTORY
        return ENOTDIR;
    case 206:   // ERROR_FILENAME_EXCED_RANGE
        return ENAMETOOLONG;
    case 1921:  // ERROR_CANT_RESOLVE_FILENAME (too many links on the way)
        return ELOOP;
    case 995:   // ERROR_OPERATION_ABORTED
        return ECANCELED;
    case 1460:  // ERROR_TIMEOUT
    case 121:   // ERROR_SEM_TIMEOUT
        return ETIMEDOUT;
    case 1:     // ERROR_INVALID_FUNCTION
    case 50:    // ERROR_NOT_SUPPORTED
        return ENOTSUP;
    case 17:    // ERROR_NOT_SAME_DEVICE
        return EXDEV;
    case 109:   // ERROR_BROKEN_PIPE
        return EPIPE;
    default:
        return EIO;
    }
}

}  // namespace platform::windows_impl
