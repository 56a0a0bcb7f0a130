// Command-line parsing, the help text and where the configuration and the virtual printer's
// state live.
#include <cstdlib>
#include <filesystem>
#include <ostream>

#include "cli/cli.h"
#include "sim/nvram.h"

#ifndef DEVPANEL_DEFAULT_INI
#define DEVPANEL_DEFAULT_INI "devPanel.ini"
#endif

namespace cli {

namespace {

bool TakesValue(const std::string& arg, const std::string& name, std::string& value, size_t& i,
                const std::vector<std::string>& args, std::string& error, bool& matched) {
    matched = arg == name || arg.rfind(name + "=", 0) == 0;
    if (!matched) return true;
    if (arg == name) {
        if (i + 1 >= args.size()) {
            error = name + " needs a value";
            return false;
        }
        value = args[++i];
    } else {
        value = arg.substr(name.size() + 1);
    }
    // An empty value (say, from an unset variable) would quietly mean the default.
    if (value.empty()) {
        error = name + " needs a value";
        return false;
    }
    return true;
}

}  // namespace

bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error) {
    bool portGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        bool matched = false;
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            continue;
        }
        if (!TakesValue(arg, "--ini", options.ini, i, args, error, matched)) return false;
        if (matched) continue;
        if (!TakesValue(arg, "--port", options.port, i, args, error, matched)) return false;
        if (matched) {
            portGiven = true;
            continue;
        }
        if (arg == "--virtual") {
            options.useVirtual = true;
            continue;
        }
        if (arg.rfind("--virtual=", 0) == 0) {
            options.useVirtual = true;
            options.stateFile = arg.substr(10);
            continue;
        }
        if (arg == "--json") {
            options.json = true;
            continue;
        }
        // Arguments of the command are NAME=VALUE pairs and file names, never options; "--" ends
        // the options so that a file name may begin with "-".
        if (arg == "--") {
            for (++i; i < args.size(); ++i) {
                if (options.command.empty()) options.command = args[i];
                else options.arguments.push_back(args[i]);
            }
            break;
        }
        if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg;
            return false;
        }
        if (options.command.empty()) options.command = arg;
        else options.arguments.push_back(arg);
    }
    if (options.help) return true;
    if (portGiven && options.useVirtual) {
        error = "--port and --virtual cannot be used together";
        return false;
    }
    // Any other name would make the link write into a file of that name.
    if (portGiven && options.port.compare(0, 3, "LPT") != 0 && options.port.compare(0, 3, "USB") != 0) {
        error = "--port takes a printer port such as LPT1: or USB001 (save writes command files)";
        return false;
    }
    if (options.command.empty()) {
        error = "no command given";
        return false;
    }
    const std::string& c = options.command;
    if (c != "printers" && c != "read" && c != "apply" && c != "save" && c != "send") {
        error = "unknown command " + c;
        return false;
    }
    if (options.json && c != "read") {
        error = "--json belongs to the read command";
        return false;
    }
    if ((c == "printers" || c == "read") && !options.arguments.empty()) {
        error = c + " takes no arguments";
        return false;
    }
    if (c == "apply" && options.arguments.empty()) {
        error = "apply needs at least one NAME=VALUE";
        return false;
    }
    if (c == "save" && (options.arguments.empty() || options.arguments[0].empty())) {
        error = "save needs a file name";
        return false;
    }
    if (c == "send" && (options.arguments.size() != 1 || options.arguments[0].empty())) {
        error = "send needs exactly one file name";
        return false;
    }
    return true;
}

void PrintHelp(std::ostream& out) {
    out << R"(Usage: devpanel-cli [--ini PATH] [--port PORT | --virtual[=STATEFILE]] COMMAND [ARGS]

Views and changes the settings of an Altrin Pressline T90 over NPA packets.

Commands:
  printers                 List the supported printers: one "LABEL<TAB>PORT" line each,
                           sorted by label.
  read [--json]            Read every setting, as the program does at start-up, and print
                           NAME=VALUE lines sorted by name (or one JSON object with --json).
                           On a port that can only be written, the defaults of the
                           configuration are printed instead, and stderr says so.
  apply NAME=VALUE...      Read the settings, change the given ones and apply: on a two-way
                           port every setting is written back, on a one-way port only the
                           changed ones. The printer is taken offline for the writes and
                           always brought back online.
  save FILE [NAME=VALUE...]
                           As apply, but the commands go into the command file FILE, with
                           "offline.dat" beside it; both can later be copied to the printer.
  send FILE                Send the command file FILE (with "offline.dat" beside it) to the
                           printer: the file is checked to be whole first (the offline record,
                           then records ending with the online record), and its settings go
                           between the printer's own offline and online requests, confirmed
                           by a read-back on a two-way port.

NAME is the NPA name of a setting as `read` prints it (or its section name in the
configuration, such as PwrSvr); letter case does not matter. VALUE must be what the setting
accepts: one of its value tokens (letter case does not matter), a whole number within its
bounds or its off or choice token, or a text of at most its maximum length in bytes of the printer's Korean code page (a letter
or digit takes one byte, a Korean character two). A bad NAME=VALUE, or the same setting given
twice, is reported and nothing is sent.

Writes are trustworthy: every value is checked before the printer is touched; once the printer
was taken offline it is always asked to come back online, also after a failure or Ctrl-C; on a
two-way port the settings are read back and compared; a value read from the printer that cannot
be written back unchanged is left as it is and named on stderr ("skipped"). A command file is
written to a temporary beside it and renamed only when complete, so a failed save leaves any
older file unchanged.

Options:
  --ini PATH               The configuration file. Default: devPanel.ini in the current
                           directory, else the installed one ()" DEVPANEL_DEFAULT_INI R"().
  --port PORT              The printer's port (LPT1:, USB001, ...). Default: the one supported
                           printer found; with several, one must be named.
  --virtual[=STATEFILE]    Talk to the built-in virtual printer on USB001 instead of real
                           hardware. Its settings persist in STATEFILE, by default
                           $XDG_STATE_HOME/devpanel/virtual-t90.state
                           (~/.local/state/devpanel/virtual-t90.state; on Windows
                           %LOCALAPPDATA%\devpanel\virtual-t90.state); --virtual= (empty)
                           keeps them in memory only.
  --json                   read: print one JSON object.
  -h, --help               Show this text.

Exit status:
  0  success
  1  no supported printer found, or the printer list cannot be read
  2  bad usage, a bad or repeated NAME=VALUE, a configuration or state file that cannot be
     used, a command file that is not whole (nothing was sent)
  3  the port (or, for save, the command file) could not be opened; stderr says which
     device and why
  4  reading the settings failed, or the reply was not the answer to the read
  5  a write failed, was interrupted, did not take (read back differently: the settings are
     named), or the printer did not come back online (stderr says so: put it online on its
     operator panel)
  6  out of memory
)";
}

std::string ResolveIniPath(const std::string& given) {
    if (!given.empty()) return given;
    std::error_code ec;
    if (std::filesystem::is_regular_file("devPanel.ini", ec)) return "devPanel.ini";
    return DEVPANEL_DEFAULT_INI;
}

std::string DefaultStateFile() { return sim::DefaultStateFile(); }

}  // namespace cli
