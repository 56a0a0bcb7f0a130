// The system's port names and the Linux device indexes they stand for.
#pragma once

#include <optional>
#include <string>

namespace platform::linux_impl {

// "LPT1:" or "LPT1" -> 1 (the port number, counted from 1); nullopt for anything else (lower
// case, no number, a number with leading zeros or above 255, trailing text).
std::optional<int> parallelPortNumber(const std::string& portName);

// The USB port name of a usblp interface index: 0 -> "USB001".
std::string usbPortName(int usblpIndex);

}  // namespace platform::linux_impl
