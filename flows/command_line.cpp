#include "flows/command_line.h"

#include <filesystem>

#include "platform/data_files.h"
#include "platform/port_name.h"
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
        } else if (valueOf("--ini", cl.iniPath) || valueOf("--screenshot", cl.screenshot) ||
                   valueOf("--port", cl.port)) {
        } else if (a == "--quit-when-shown") {
            cl.quitWhenShown = true;
        } else {
            cl.unknown.push_back(a);
        }
    }
    if (cl.iniPath.empty()) cl.iniPath = DefaultIniPath();
    return cl;
}

bool IsPrinterPortName(const std::string& port) { return PortOptionProblem(port).empty(); }

std::string PortOptionProblem(const std::string& port) {
    const platform::PortName name = platform::PortName::Parse(port);
    return name.readable() ? std::string() : "--port: " + name.problem();
}

// The virtual printer's own default, so that devpanel and devpanel-cli share one printer.
std::string DefaultVirtualStateFile() { return sim::DefaultStateFile(); }

// The first devPanel.ini of the search (the current folder first); when there is none, the
// current folder's, whose check then fails and says where the file was looked for.
std::string DefaultIniPath() {
    const platform::DataFileSearch search =
        platform::FindDataFile("devPanel.ini", platform::DataFileScope::CurrentFolderFirst);
    return search.found() ? search.path : "devPanel.ini";
}
