#include "app/command_line.h"

#include <filesystem>

#include "sim/nvram.h"

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
            cl.stateFile = DefaultVirtualStateFile();
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
    if (cl.iniPath.empty()) cl.iniPath = DefaultIniPath();
    return cl;
}

// The virtual printer's own default, so that devpanel and devpanel-cli share one printer.
std::string DefaultVirtualStateFile() { return sim::DefaultStateFile(); }

std::string DefaultIniPath() {
    std::error_code ec;
    if (std::filesystem::exists("devPanel.ini", ec)) return "devPanel.ini";
#ifdef DEVPANEL_SOURCE_INI
    if (std::filesystem::exists(DEVPANEL_SOURCE_INI, ec)) return DEVPANEL_SOURCE_INI;
#endif
    return "devPanel.ini";
}
