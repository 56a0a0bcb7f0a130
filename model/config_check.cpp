#include "model/config_check.h"

namespace config {

std::string ConfigurationProblem() { return {}; }

}  // namespace config
