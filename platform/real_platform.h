// The operating system's own platform (as opposed to the simulated one of sim/), made without
// the caller naming the system: the one place every program gets it from. linux/real_platform.cpp
// makes the Linux platform, windows/real_platform.cpp the Windows one.
//
// The header is here with the other portable ones, but each definition is built into its system's
// implementation library (devpanel_platform_linux or devpanel_platform_windows, which link
// devpanel_platform; a definition inside devpanel_platform would make the libraries need each
// other). A program links devpanel_platform_system, the name the build gives the target's one.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace platform {

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

}  // namespace platform
