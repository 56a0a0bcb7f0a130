// The real Windows platform: the registry key of the link's settings, the log file under the
// user's local application data, LPTn devices through CreateFile, USB printing interfaces
// through SetupAPI, and the installed printers from the spooler. One WindowsPlatform owns one
// implementation of every interface of platform.h; install() makes it the platform of the
// process.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace platform::windows_impl {

class WindowsPlatform {
public:
    WindowsPlatform();
    ~WindowsPlatform();
    WindowsPlatform(const WindowsPlatform&) = delete;
    WindowsPlatform& operator=(const WindowsPlatform&) = delete;

    // The table of implementations; valid as long as this object lives.
    const platform::Platform& get();
    // platform::install(get()), and the console's output code page set to UTF-8 (the program's
    // texts are UTF-8) for as long as this object lives.
    void install();

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
    platform::Platform table_;
    unsigned consoleCodePage_ = 0;  // the console's output code page before install(); 0: unchanged
};

}  // namespace platform::windows_impl
