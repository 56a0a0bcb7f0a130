// The real Linux platform: device nodes under /dev, sysfs and procfs facts, the CUPS printer
// list, the user's settings and log files. One LinuxPlatform owns one implementation of every
// interface of platform.h; install() makes it the platform of the process.
//
// Every path is taken under a root prefix read once at construction from DEVPANEL_DEV_ROOT
// (device nodes), DEVPANEL_SYS_ROOT (sysfs) and DEVPANEL_PROC_ROOT (procfs), "/" by default, so
// that tests and users can point the program at stand-ins.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace platform::linux_impl {

class LinuxPlatform {
public:
    LinuxPlatform();
    ~LinuxPlatform();
    LinuxPlatform(const LinuxPlatform&) = delete;
    LinuxPlatform& operator=(const LinuxPlatform&) = delete;

    // The table of implementations; valid as long as this object lives.
    const platform::Platform& get();
    // platform::install(get()).
    void install();

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
    platform::Platform table_;
};

}  // namespace platform::linux_impl
