// The operating system's own platform (as opposed to the simulated one of sim/), made without
// the caller naming the system: real_platform_posix.cpp makes the Linux platform,
// real_platform_win32.cpp the Windows one; the build compiles the one for its target.
//
// It lives here rather than in platform/ because it needs the system's implementation library
// (devpanel_platform_linux or devpanel_platform_windows), and those link devpanel_platform: a
// factory inside devpanel_platform would make the libraries need each other.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace cli {

// Owns one implementation of every interface of platform.h; they live as long as this object.
class RealPlatform {
public:
    virtual ~RealPlatform() = default;
    // Makes this the platform of the process (platform::install). Does not block.
    virtual void install() = 0;
};

// The platform of the system the program was built for, with its devices, printer list,
// settings and log; nothing is opened until a call through it asks. Never nullptr. Does not
// block beyond reading the environment.
std::unique_ptr<RealPlatform> MakeRealPlatform();

}  // namespace cli
