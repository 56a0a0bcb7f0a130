#include "platform/linux/port_names.h"

#include <cstdio>

namespace platform::linux_impl {

std::string usbPortName(int usblpIndex) {
    char name[16];
    std::snprintf(name, sizeof name, "USB%03d", usblpIndex + 1);
    return name;
}

}  // namespace platform::linux_impl
