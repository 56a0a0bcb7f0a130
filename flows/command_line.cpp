#include "flows/command_line.h"

#include <filesystem>

#include "platform/data_files.h"
#include "platform/port_name.h"
#include "sim/nvram.h"

namespace {

// Why an argument no option took makes the command line unusable: an option of ours at the end
// without its value ("--ini" alone, "--ini=" with nothing after it), an option we do not know,
// or a word where only options are taken.
std::string UsageErrorOf(const std::string& arg) {
    for (const char* option : {"--ini", "--screenshot", "--port", "--lang"}) {
        if (arg == option || arg == std::string(option) + "=") return std::string(option) + " needs a value";
    }
    if (arg.size() > 1 && arg[0] == '-') return "unknown option " + arg;
    return "unexpected argument " + arg;
}

}  // namespace

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
                if (out.empty() && cl.usageError.empty()) cl.usageError = UsageErrorOf(a);
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
        } else if (std::string lang; valueOf("--lang", lang)) {
            cl.language = res::LanguageOfOption(lang);
            if (!cl.language && !lang.empty() && cl.usageError.empty()) {
                cl.usageError = "--lang takes ko or en, not " + lang;
            }
        } else if (a == "--quit-when-shown") {
            cl.quitWhenShown = true;
        } else {
            cl.unknown.push_back(a);
            if (cl.usageError.empty()) cl.usageError = UsageErrorOf(a);
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
