// The parallel port names the link and the installed-printer lists use, the same on every system.
#pragma once

#include <optional>
#include <string>

namespace platform {

// "LPT1:" or "LPT1" -> 1 (the port number, counted from 1); nullopt for anything else (lower
// case, no number, a number with leading zeros or above 255, trailing text). Does not block.
std::optional<int> ParallelPortNumber(const std::string& portName);

}  // namespace platform
