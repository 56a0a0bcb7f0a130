#include "platform/local_time.h"

#include <windows.h>

#include <cstdio>

namespace platform {

std::string LocalTimeOfDay() {
    SYSTEMTIME local{};
    ::GetLocalTime(&local);
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", static_cast<unsigned>(local.wHour),
                  static_cast<unsigned>(local.wMinute), static_cast<unsigned>(local.wSecond));
    return text;
}

}  // namespace platform
