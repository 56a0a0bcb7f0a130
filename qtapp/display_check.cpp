#include "qtapp/display_check.h"

#include <xcb/xcb.h>

#include <algorithm>

namespace {

bool Set(const char* value) { return value != nullptr && *value != '\0'; }

// The value after a Qt option ("-platform", also spelt "--platform"), or nullptr.
const std::string* OptionValue(const std::vector<std::string>& arguments, const std::string& option) {
    const std::string* found = nullptr;
    for (size_t i = 0; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == option || arguments[i] == "-" + option) found = &arguments[i + 1];
    }
    return found;
}

}  // namespace

std::string NoDisplayReason(const std::function<const char*(const char*)>& variable,
                            const std::vector<std::string>& arguments) {
    const bool x11 = Set(variable("DISPLAY")) || OptionValue(arguments, "-display") != nullptr;
    const bool wayland = Set(variable("WAYLAND_DISPLAY"));
    std::string platforms;
    if (const std::string* chosen = OptionValue(arguments, "-platform")) {
        platforms = *chosen;
    } else if (const char* fromEnvironment = variable("QT_QPA_PLATFORM")) {
        platforms = fromEnvironment;
    }
    // Without a choice Qt takes the desktop's: X11 or Wayland.
    if (platforms.empty()) {
        if (x11 || wayland) return {};
        return "no display found: DISPLAY and WAYLAND_DISPLAY are not set";
    }
    // A list such as "wayland;xcb" is tried in order; each entry may carry options after ':'.
    bool needsX11 = false, needsWayland = false;
    size_t start = 0;
    while (start <= platforms.size()) {
        const size_t end = std::min(platforms.find(';', start), platforms.size());
        const std::string entry = platforms.substr(start, end - start);
        const std::string name = entry.substr(0, entry.find(':'));
        start = end + 1;
        if (name.empty()) continue;
        const bool x11Platform = name == "xcb", waylandPlatform = name.rfind("wayland", 0) == 0;
        if (!x11Platform && !waylandPlatform) return {};
        if ((x11Platform && x11) || (waylandPlatform && wayland)) return {};
        needsX11 = needsX11 || x11Platform;
        needsWayland = needsWayland || waylandPlatform;
    }
    if (!needsX11 && !needsWayland) return {};
    const std::string needed = needsX11 && needsWayland ? "DISPLAY or WAYLAND_DISPLAY, neither of which is"
                               : needsX11               ? "DISPLAY, which is"
                                                        : "WAYLAND_DISPLAY, which is";
    return "no display found: the platform \"" + platforms + "\" needs " + needed + " not set";
}

std::string X11DisplayToCheck(const std::function<const char*(const char*)>& variable,
                              const std::vector<std::string>& arguments) {
    std::string display;
    if (const std::string* given = OptionValue(arguments, "-display")) {
        display = *given;
    } else if (const char* fromEnvironment = variable("DISPLAY"); Set(fromEnvironment)) {
        display = fromEnvironment;
    }
    const bool wayland = Set(variable("WAYLAND_DISPLAY"));
    std::string platforms;
    if (const std::string* chosen = OptionValue(arguments, "-platform")) {
        platforms = *chosen;
    } else if (const char* fromEnvironment = variable("QT_QPA_PLATFORM")) {
        platforms = fromEnvironment;
    }
    // Without a choice Qt may take Wayland whenever a Wayland display is set.
    if (platforms.empty()) return wayland ? std::string() : display;
    // The first entry of the list that Qt can try decides.
    size_t start = 0;
    while (start <= platforms.size()) {
        const size_t end = std::min(platforms.find(';', start), platforms.size());
        const std::string entry = platforms.substr(start, end - start);
        const std::string name = entry.substr(0, entry.find(':'));
        start = end + 1;
        if (name.empty()) continue;
        if (name == "xcb") {
            if (!display.empty()) return display;
        } else if (name.rfind("wayland", 0) == 0) {
            if (wayland) return {};
        } else {
            return {};
        }
    }
    return {};
}

std::string X11DisplayProblem(const std::string& display) {
    int screen = 0;
    xcb_connection_t* connection = xcb_connect(display.c_str(), &screen);
    int error = xcb_connection_has_error(connection);
    // The connection takes any screen number; Qt then finds no such screen and aborts.
    if (error == 0 && screen >= xcb_setup_roots_length(xcb_get_setup(connection))) error = XCB_CONN_CLOSED_INVALID_SCREEN;
    xcb_disconnect(connection);
    switch (error) {
        case 0:
            return {};
        case XCB_CONN_CLOSED_PARSE_ERR:
            return "cannot connect to the display " + display + ": that is not a display name (host:number)";
        case XCB_CONN_CLOSED_INVALID_SCREEN:
            return "cannot connect to the display " + display + ": it has no such screen";
        default:
            return "cannot connect to the display " + display +
                   ": no X server answers there, or it refused this user (is the session still running? is "
                   "XAUTHORITY right?)";
    }
}
