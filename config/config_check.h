// Whether the configuration file can drive the program at all, checked once at start-up so that a
// broken file is reported as what it is instead of as a missing or silent printer.
#pragma once

#include <string>

namespace config {

// Empty when ConfigFile() exists, can be read and holds everything the program needs; otherwise
// one English sentence that names the file and the section at fault.
std::string ConfigurationProblem();

}  // namespace config
