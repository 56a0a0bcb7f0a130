#include "app/command_line.h"

#include <cstdlib>
#include <filesystem>

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine cl;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto valueOf = [&](const std::string& option, std::string& out) {
            if (a == option && i + 1 < args.size()) {
                out = args[++i];
                return true;
            }
            if (a.rfind(option + "=", 0) == 0) {
                out = a.substr(option.size() + 1);
                return true;
            }
            return false;
        };
        if (a == "--virtual") {
            cl.virtualPrinter = true;
        } else if (a.rfind("--virtual=", 0) == 0) {
            cl.virtualPrinter = true;
            cl.stateFile = a.substr(10);
        } else if (valueOf("--ini", cl.iniPath) || valueOf("--screenshot", cl.screenshot)) {
        } else if (a == "--quit-when-shown") {
            cl.quitWhenShown = true;
        } else {
            cl.unknown.push_back(a);
        }
    }
    if (cl.virtualPrinter && cl.stateFile.empty()) cl.stateFile = DefaultVirtualStateFile();
    if (cl.iniPath.empty()) cl.iniPath = DefaultIniPath();
    return cl;
}

std::string DefaultVirtualStateFile() {
    std::filesystem::path base;
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && *xdg)
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::filesystem::path(home) / ".local" / "state";
    else
        base = std::filesystem::temp_directory_path();
    return (base / "devpanel" / "virtual-printer.state").string();
}

std::string DefaultIniPath() {
    std::error_code ec;
    if (std::filesystem::exists("devPanel.ini", ec)) return "devPanel.ini";
#ifdef DEVPANEL_SOURCE_INI
    if (std::filesystem::exists(DEVPANEL_SOURCE_INI, ec)) return DEVPANEL_SOURCE_INI;
#endif
    return "devPanel.ini";
}
