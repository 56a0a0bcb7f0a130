// Where the Linux facts live. Every device node, sysfs, procfs and /etc path is taken under a root
// prefix so that tests and users can point the program at stand-ins (a testbed folder whose
// dev/lp0 is a pseudo-terminal, for example).
#pragma once

#include <string>

namespace platform::linux_impl {

struct Roots {
    std::string dev = "/";   // DEVPANEL_DEV_ROOT
    std::string sys = "/";   // DEVPANEL_SYS_ROOT
    std::string proc = "/";  // DEVPANEL_PROC_ROOT
    std::string etc = "/";   // DEVPANEL_ETC_ROOT (the system's configuration: modprobe.d)

    // The roots named by the environment; "/" for every variable that is unset or empty.
    static Roots fromEnvironment();
    // One root for all four (a testbed folder).
    static Roots under(const std::string& root);

    std::string devPath(const std::string& relative) const { return join(dev, relative); }
    std::string sysPath(const std::string& relative) const { return join(sys, relative); }
    std::string procPath(const std::string& relative) const { return join(proc, relative); }
    std::string etcPath(const std::string& relative) const { return join(etc, relative); }

    // root + "/" + relative without doubled separators; relative has no leading "/".
    static std::string join(const std::string& root, const std::string& relative);
};

}  // namespace platform::linux_impl
