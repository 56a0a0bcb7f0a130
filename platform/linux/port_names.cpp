#include "platform/linux/port_names.h"

#include <cstdio>

namespace platform::linux_impl {

std::optional<int> parallelPortNumber(const std::string& portName) {
    if (portName.rfind("LPT", 0) != 0) return std::nullopt;
    std::string digits = portName.substr(3);
    if (!digits.empty() && digits.back() == ':') digits.pop_back();
    if (digits.empty() || digits.size() > 3 || digits[0] == '0') return std::nullopt;
    int number = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        number = number * 10 + (c - '0');
    }
    if (number > 255) return std::nullopt;
    return number;
}

std::string usbPortName(int usblpIndex) {
    char name[16];
    std::snprintf(name, sizeof name, "USB%03d", usblpIndex + 1);
    return name;
}

}  // namespace platform::linux_impl
