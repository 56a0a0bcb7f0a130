// The system's port names and the Linux device indexes they stand for.
#pragma once

#include <optional>
#include <string>

namespace platform::linux_impl {

// The USB port name of a usblp interface index: 0 -> "USB001".
std::string usbPortName(int usblpIndex);

}  // namespace platform::linux_impl
