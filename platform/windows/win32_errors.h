// Win32 error codes as the errno values that platform.h promises and the link's log lines name.
// Plain C++ (the codes are written as numbers), built on every system, so that the table is
// tested on Linux as well; every Windows file of this folder maps its errors through it.
#pragma once

#include <cstdint>

namespace platform::windows_impl {

// The errno value closest to a Win32 error code: 0 for 0, EIO for a code without a closer match.
int errnoFromWin32(uint32_t win32Error);

}  // namespace platform::windows_impl
