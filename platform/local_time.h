// The local time of day for log lines. linux/local_time.cpp reads it with localtime_r,
// windows/local_time.cpp with GetLocalTime (the C library's localtime is not safe across threads).
#pragma once

#include <string>

namespace platform {

// The local time of day as "HH:MM:SS" (24-hour clock). Safe from any thread; does not block.
std::string LocalTimeOfDay();

}  // namespace platform
