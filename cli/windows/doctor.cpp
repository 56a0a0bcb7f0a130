// devpanel-cli doctor on Windows: the port checks are written for Linux (kernel modules, device
// nodes, CUPS); here the report says so and names no usable printer.
#include "cli/doctor.h"

namespace cli {

std::vector<DoctorSection> CheckSystemSetUp(const std::vector<std::string>&, std::vector<std::string>&) {
    return {{"Ports",
             {{false, "the set-up check of the ports is available on Linux only",
               "try the printer directly: devpanel-cli --port LPT1: read"}}}};
}

}  // namespace cli
