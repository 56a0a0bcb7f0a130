// Whether the GUI can open a window at all, asked before Qt starts: Qt's platform plugins abort
// the process (status 134 and a core file) when the display they need cannot be opened. The
// program says instead, on stderr, that no display was found, and ends with status 1.
#pragma once

#include <functional>
#include <string>
#include <vector>

// Why no display can be opened, or empty when one may be. variable gives an environment
// variable's value, or nullptr when it is not set; arguments are the program's (Qt takes
// "-platform NAME" as QT_QPA_PLATFORM, and "-display NAME" as DISPLAY). A platform that needs no
// display (offscreen, minimal, vnc, a framebuffer) or one this check does not know is left to Qt.
std::string NoDisplayReason(const std::function<const char*(const char*)>& variable,
                            const std::vector<std::string>& arguments);
