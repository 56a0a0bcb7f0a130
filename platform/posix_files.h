// The former names of LocalFiles and LocalTempFiles (platform/local_files.h), kept for the code
// that still includes this header. New code includes platform/local_files.h.
#pragma once

#include "platform/local_files.h"

namespace platform {

using PosixFiles = LocalFiles;
using PosixTempFiles = LocalTempFiles;

}  // namespace platform
