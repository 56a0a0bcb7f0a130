#include "platform/port_name.h"

namespace platform {

std::optional<int> ParallelPortNumber(const std::string& portName) {
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

}  // namespace platform
