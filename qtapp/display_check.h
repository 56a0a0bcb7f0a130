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

// The X display Qt will open, when it will use X11: the value of "-display" or DISPLAY when the
// platform chosen (or the first of a list that can be used) is xcb, or when none is chosen and no
// Wayland display is set. Empty otherwise: Wayland, offscreen and the rest are left to Qt.
std::string X11DisplayToCheck(const std::function<const char*(const char*)>& variable,
                              const std::vector<std::string>& arguments);

// Why the X server of display cannot be used (nothing answers there, it closed the connection or
// refused this user, the name names no display or no screen), or empty when it answered. Opens
// one connection and closes it again; it takes as long as the server takes to answer. Qt's own
// connection failing would abort the process instead (status 134 and a core file).
std::string X11DisplayProblem(const std::string& display);
