// Command-line parsing (CLI11), the help text and where the configuration and the virtual
// printer's state live.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <sstream>

#include <CLI/CLI.hpp>

#include "cli/cli.h"
#include "platform/data_files.h"
#include "platform/port_name.h"
#include "sim/nvram.h"

#ifndef DEVPANEL_VERSION
#define DEVPANEL_VERSION "unknown"
#endif

namespace cli {

namespace {

// One command: its name, its usage in the help, what it does.
struct CommandHelp {
    const char* name;
    const char* usage;
    const char* text;
};

const CommandHelp kCommands[] = {
    {"printers", "printers",
     "List the supported printers: one \"LABEL<TAB>PORT\" line each, sorted by label. These are the "
     "installed printers whose driver devPanel.ini lists and the printers attached to this computer that "
     "answer as this model; without a print server the attached ones are still listed (stderr says so)."},
    {"read", "read [--json]",
     "Read every setting, as the program does at start-up, and print NAME=VALUE lines sorted by "
     "name (or one JSON object with --json, the \"settings\" of a snapshot file). On a port that "
     "can only be written, the defaults of the configuration are printed instead, and stderr says so."},
    {"apply", "apply NAME=VALUE... [--all-values]",
     "Read the settings and write the given ones, and no others: a setting that another program "
     "or the operator panel changes meanwhile is left as the printer holds it. The printer is "
     "taken offline for the writes and always brought back online. On a two-way port a snapshot "
     "of the settings as the printer held them is kept first, and the written settings are read "
     "back. With --all-values every setting is written back, as the window's apply does: the "
     "printer is read again just before, and a setting not given here is written back as the "
     "printer holds it then (a one-way port still gets only the given settings)."},
    {"save", "save FILE [NAME=VALUE... | --from JSON]",
     "As apply --all-values, but the commands go into the command file FILE, with \"offline.dat\" "
     "beside it; both can later be copied to the printer. With --from, the settings of the exported or "
     "snapshot file JSON are saved (checked as import checks them), for the printer on another "
     "computer."},
    {"send", "send FILE [--queue QUEUE...]",
     "Send the command file FILE (with \"offline.dat\" beside it) to the printer: the file is "
     "checked to be whole first (the offline record, then records ending with the online record), "
     "and its settings go between the printer's own offline and online requests, confirmed by a "
     "read-back on a two-way port. With --queue, each print queue named gets \"offline.dat\" and "
     "then FILE as raw jobs instead."},
    {"snapshots", "snapshots",
     "List the kept snapshots of every printer, newest first: time, printer, number of settings, file."},
    {"restore", "restore [SNAPSHOT] [--all-values]",
     "Put back the settings of a snapshot file (default: the newest of this printer, so a second "
     "restore undoes the first). A restore is an apply: it keeps a snapshot of its own first, and "
     "writes only the settings whose value differs from what the printer holds (every setting "
     "with --all-values). Settings the snapshot could not record are named and left as they are."},
    {"export", "export FILE",
     "Read the settings and write them into FILE in the snapshot format."},
    {"import", "import FILE [--force] [--all-values]",
     "Apply the settings of FILE (an exported or snapshot file). Every name and value is checked "
     "before anything is sent; only the settings whose value differs from what the printer holds "
     "are written (every setting with --all-values), and settings FILE lacks are left as the "
     "printer has them. A file of another model is refused unless --force."},
    {"diff", "diff FILE",
     "Compare the printer with FILE: one line per setting that differs, "
     "\"NAME: printer value -> file value\". Exit status 0 when they are equal, 7 when they differ."},
    {"online", "online",
     "Ask the printer to go online, as the last step of every apply does, and say whether it "
     "confirmed. For a printer left offline by a program that was stopped in the middle of an apply "
     "(killed, a power cut): it otherwise stays offline until the next apply or its operator panel. "
     "Exit status 5 when it does not confirm."},
    {"doctor", "doctor",
     "Check the configuration, the ports and the permissions this program needs, and say what to fix; "
     "a printer that reports being off-line is named (see online). With --virtual: the virtual printer "
     "(its model, its state file) instead of the ports. With --port socket://...: the network printer (its SNMP "
     "identity, whether its raw port takes a connection; nothing is sent)."},
};

constexpr const char* kFooter = R"(NAME is the NPA name of a setting as `read` prints it (or its section name in the
configuration, such as PwrSvr); letter case does not matter. VALUE must be what the setting
accepts: one of its value tokens (letter case does not matter), a whole number within its
bounds or its off or choice token, or a text of at most its maximum length in bytes of the
printer's Korean code page (a letter or digit takes one byte, a Korean character two). A bad
NAME=VALUE, or the same setting given twice, is reported and nothing is sent.

Writes are trustworthy: every value is checked before the printer is touched; once the printer
was taken offline it is always asked to come back online, also after a failure or Ctrl-C; on a
two-way port the settings are read back and compared; a value read from the printer that cannot
be written back unchanged is left as it is and named on stderr ("skipped"). A command file is
written to a temporary beside it and renamed only when complete, so a failed save leaves any
older file unchanged.

Applies to one printer take turns among this user's programs (devpanel-cli and the window):
writing only the given settings leaves every other one to whoever changes it, and an apply that
writes every value back (--all-values, the window's apply) reads the printer again and keeps
any other program from writing until its own writes are done, so no program's change is written
over unseen.

Snapshots: before every apply on a two-way port (apply, restore, import) the settings as the
printer holds them are written into $XDG_STATE_HOME/devpanel/snapshots/PRINTER/TIME.json
(~/.local/state/devpanel/snapshots; on Windows %LOCALAPPDATA%\devpanel\snapshots), PRINTER being
the model and serial number of a USB printer and the port otherwise, TIME the UTC time; the
newest 50 of each printer are kept. A snapshot that cannot be written stops the apply before
anything is sent. A snapshot, an exported file and an imported file are one JSON object:
  {"format": 1, "model": "...", "serial": "..." (USB), "port": "...", "time": "...Z",
   "settings": {"NAME": "VALUE", ...}, "skipped": ["NAME", ...]}
with the values as `read --json` prints them; "skipped" names the settings whose value could not
be recorded as it is (a restore leaves them alone and says so).

Exit status:
  0  success
  1  no supported printer found (stderr says why and what to do); printers: none is
     attached and the list of installed printers cannot be read
  2  bad usage, a bad or repeated NAME=VALUE, a configuration or state file that cannot be
     used, a command file that is not whole, a settings file that cannot be used (nothing was
     sent)
  3  the port (or, for save, the command file) could not be opened; stderr says which
     device and why
  4  reading the settings failed, or the reply was not the answer to the read
  5  a write failed, was interrupted, did not take (read back differently: the settings are
     named), the printer did not come back online (stderr says so: devpanel-cli online, or
     put it online on its operator panel), online: the printer did not confirm the request,
     or the snapshot before it could not be written or another program's apply to the
     printer did not end within a minute (nothing was sent)
  6  out of memory
  7  diff: the printer and the file differ
)";

// The usage line and the commands in the layout of the rest of the help.
class HelpFormatter : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App* app, std::string name) const override {
        if (app->get_parent() != nullptr) return CLI::Formatter::make_usage(app, name);
        return "Usage: devpanel-cli [--ini PATH] [--port PORT | --virtual[=STATEFILE]] COMMAND [ARGS]\n\n"
               "Views and changes the settings of an Altrin Pressline T90 over NPA packets.\n\n"
               "Commands:\n" +
               Commands();
    }
    std::string make_subcommands(const CLI::App* app, CLI::AppFormatMode mode) const override {
        if (app->get_parent() != nullptr) return CLI::Formatter::make_subcommands(app, mode);
        return {};  // listed with the usage
    }

    std::string make_option(const CLI::Option* opt, bool positional) const override {
        if (positional) return CLI::Formatter::make_option(opt, positional);
        std::string name = make_option_name(opt, positional);
        if (name == "--virtual") name += "[=STATEFILE]";
        name = "  " + name + make_option_opts(opt);
        const std::string lead = name.size() < 27 ? name + std::string(27 - name.size(), ' ') : name + "\n" + std::string(27, ' ');
        return lead + Wrapped(opt->get_description(), 27, 96) + "\n";
    }

private:
    static std::string Commands() {
        std::string out;
        for (const CommandHelp& command : kCommands) {
            std::string usage = std::string("  ") + command.usage;
            std::string line = usage.size() < 27 ? usage + std::string(27 - usage.size(), ' ') : usage + "\n" + std::string(27, ' ');
            out += line + Wrapped(command.text, 27, 96) + "\n";
        }
        return out;
    }
    // text broken into lines of at most width characters, every line after the first indented.
    static std::string Wrapped(const std::string& text, size_t indent, size_t width) {
        std::istringstream words(text);
        std::string out, word;
        size_t column = indent;
        bool first = true;
        while (words >> word) {
            if (!first && column + 1 + word.size() > width) {
                out += "\n" + std::string(indent, ' ');
                column = indent;
            } else if (!first) {
                out += ' ';
                ++column;
            }
            out += word;
            column += word.size();
            first = false;
        }
        return out;
    }
};

// The rules CLI11 does not know: which options go with which command, how many arguments each
// command takes. The messages are the program's own.
bool CheckOptions(const Options& options, bool portGiven, bool iniGiven, std::string& error) {
    // An empty value (say, from an unset variable) would quietly mean the default.
    if (iniGiven && options.ini.empty()) {
        error = "--ini needs a value";
        return false;
    }
    if (portGiven && options.port.empty()) {
        error = "--port needs a value";
        return false;
    }
    if (portGiven && options.useVirtual) {
        error = "--port and --virtual cannot be used together";
        return false;
    }
    // Only a printer's port: a command file is save's own target, never a port's name.
    if (const platform::PortName port = platform::PortName::Parse(options.port); portGiven && !port.readable()) {
        error = "--port: " + port.problem() + " (save writes command files)";
        return false;
    }
    if (options.command.empty()) {
        error = "no command given";
        return false;
    }
    const std::string& c = options.command;
    const std::vector<std::string>& a = options.arguments;
    if (options.json && c != "read") {
        error = "--json belongs to the read command";
        return false;
    }
    if (options.from && c != "save") {
        error = "--from belongs to the save command";
        return false;
    }
    if (!options.queues.empty() && c != "send") {
        error = "--queue belongs to the send command";
        return false;
    }
    if (options.force && c != "import") {
        error = "--force belongs to the import command";
        return false;
    }
    if (options.allValues && c != "apply" && c != "import" && c != "restore") {
        error = "--all-values belongs to the apply, import and restore commands";
        return false;
    }
    if ((c == "printers" || c == "read" || c == "snapshots" || c == "doctor" || c == "online") && !a.empty()) {
        error = c + " takes no arguments";
        return false;
    }
    if (c == "apply" && a.empty()) {
        error = "apply needs at least one NAME=VALUE";
        return false;
    }
    if (c == "save" && (a.empty() || a[0].empty())) {
        error = "save needs a file name";
        return false;
    }
    if (c == "save" && options.from && (options.from->empty() || a.size() != 1)) {
        error = options.from->empty() ? "--from needs a value" : "save --from takes the settings of the file, not NAME=VALUE";
        return false;
    }
    if ((c == "send" || c == "export" || c == "import" || c == "diff") && (a.size() != 1 || a[0].empty())) {
        error = c + " needs exactly one file name";
        return false;
    }
    if (c == "restore" && (a.size() > 1 || (a.size() == 1 && a[0].empty()))) {
        error = "restore takes at most one snapshot file";
        return false;
    }
    if (c == "send" && !options.queues.empty()) {
        for (const std::string& queue : options.queues) {
            if (queue.empty()) {
                error = "--queue needs a value";
                return false;
            }
        }
        if (portGiven || options.useVirtual) {
            error = "send --queue goes through print queues; --port and --virtual do not apply";
            return false;
        }
    }
    return true;
}

// The parser. Options belong to the program and may stand before or after the command
// (fallthrough), as they always could; each command takes its arguments as positionals.
std::unique_ptr<CLI::App> MakeParser(Options& options, bool& portGiven, bool& iniGiven, bool& memoryOnly) {
    auto app = std::make_unique<CLI::App>("", "devpanel-cli");
    app->formatter(std::make_shared<HelpFormatter>());
    app->footer(kFooter);
    app->set_help_flag("-h,--help", "Show this text.");
    app->add_flag("--version", options.version, "Print the program's version.");
    app->add_option_function<std::string>(
           "--ini", [&](const std::string& value) {
               options.ini = value;
               iniGiven = true;
           },
           "The configuration file. Default: the first devPanel.ini in the current folder, "
           "$XDG_CONFIG_HOME/devpanel/, ../share/devpanel/ beside the program, the devpanel/ folder of each "
           "$XDG_DATA_DIRS entry (and data/ of the source tree for a program run from its build folder).")
        ->type_name("PATH");
    app->add_option_function<std::string>(
           "--port", [&](const std::string& value) {
               options.port = value;
               portGiven = true;
           },
           "The printer's port (LPT1:, USB001, ...). Default: the one supported printer found; with several, "
           "one must be named.")
        ->type_name("PORT");
    app->add_flag(
        "--virtual", options.useVirtual,
        "Talk to the built-in virtual printer on USB001 instead of real hardware. Its settings persist in "
        "STATEFILE, by default $XDG_STATE_HOME/devpanel/virtual-t90.state "
        "(~/.local/state/devpanel/virtual-t90.state; on Windows %LOCALAPPDATA%\\devpanel\\virtual-t90.state); "
        "--virtual= (empty) keeps them in memory only.");
    // "--virtual=FILE" arrives here; "--virtual=" is turned into the hidden flag below first.
    app->add_option_function<std::string>("--virtual-state", [&](const std::string& value) { options.stateFile = value; })
        ->group("");
    app->add_flag("--virtual-in-memory", memoryOnly)->group("");
    app->add_flag("--json", options.json, "read: print one JSON object.");
    app->add_option_function<std::string>("--from", [&](const std::string& value) { options.from = value; },
                                          "save: the exported or snapshot file whose settings are saved.")
        ->type_name("JSON");
    app->add_option("--queue", options.queues, "send: a print queue to send the command file to (repeatable).")
        ->type_name("QUEUE")
        ->allow_extra_args(false);
    app->add_flag("--force", options.force, "import: accept a file of another model.");
    app->add_flag("--all-values", options.allValues,
                  "apply, import, restore: write back every setting, not only the given or differing ones.");
    app->fallthrough();
    app->require_subcommand(0, 1);
    for (const CommandHelp& command : kCommands) {
        CLI::App* sub = app->add_subcommand(command.name, command.text);
        sub->add_option("ARGS", options.arguments);
        sub->set_help_flag();
        sub->fallthrough();
        sub->group("");
    }
    return app;
}

}  // namespace

bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error) {
    // CLI11 reads "--ini=" as "--ini" taking the next argument, and cannot tell "--virtual=" from
    // "--virtual": both are settled here, before it sees them.
    std::vector<std::string> given;
    bool ended = false;
    for (const std::string& arg : args) {
        if (ended) {
            given.push_back(arg);
            continue;
        }
        if (arg == "--") ended = true;
        if (arg == "--ini=" || arg == "--port=" || arg == "--from=" || arg == "--queue=") {
            error = arg.substr(0, arg.size() - 1) + " needs a value";
            return false;
        }
        if (arg == "--virtual=") {
            given.push_back("--virtual-in-memory");
        } else if (arg.rfind("--virtual=", 0) == 0) {
            given.push_back("--virtual");
            given.push_back("--virtual-state=" + arg.substr(10));
        } else if (arg == "--virtual-state" || arg.rfind("--virtual-state=", 0) == 0 || arg == "--virtual-in-memory") {
            error = "unknown option " + arg;
            return false;
        } else {
            given.push_back(arg);
        }
    }

    bool portGiven = false, iniGiven = false, memoryOnly = false;
    options = Options{};
    std::unique_ptr<CLI::App> app = MakeParser(options, portGiven, iniGiven, memoryOnly);
    std::vector<std::string> reversed(given.rbegin(), given.rend());
    try {
        app->parse(reversed);
    } catch (const CLI::CallForHelp&) {
        // Help is all that is done, and nothing else the parse set counts: CLI11 reads "-h" run
        // together with more characters as the help flag followed by another option, which could
        // otherwise set the options only this function gives ("--virtual-state").
        options = Options{};
        options.help = true;
        return true;
    } catch (const CLI::ExtrasError&) {
        // The first argument CLI11 could not place: an unknown option, an unknown command, or
        // an argument of a command that takes none.
        const std::vector<std::string> extras = app->remaining();
        const std::string first = extras.empty() ? std::string() : extras.front();
        if (first.size() > 1 && first[0] == '-') error = "unknown option " + first;
        else if (!app->get_subcommands().empty()) error = app->get_subcommands().front()->get_name() + " takes no arguments";
        else error = "unknown command " + first;
        return false;
    } catch (const CLI::ParseError& e) {
        const std::string what = e.what();
        for (const char* name : {"--ini", "--port", "--from", "--queue"}) {
            if (what.rfind(std::string(name) + ":", 0) == 0) {
                error = std::string(name) + " needs a value";
                return false;
            }
        }
        error = what;
        return false;
    }
    if (options.version) return true;
    if (memoryOnly) {
        options.useVirtual = true;
        options.stateFile = std::string();
    } else if (options.stateFile) {
        options.useVirtual = true;
    }
    if (!app->get_subcommands().empty()) options.command = app->get_subcommands().front()->get_name();
    return CheckOptions(options, portGiven, iniGiven, error);
}

void PrintHelp(std::ostream& out) {
    Options options;
    bool portGiven = false, iniGiven = false, memoryOnly = false;
    out << MakeParser(options, portGiven, iniGiven, memoryOnly)->help();
}

void PrintVersion(std::ostream& out) { out << "devpanel-cli " DEVPANEL_VERSION "\n"; }

std::string ResolveIniPath(const std::string& given) {
    if (!given.empty()) return given;
    const platform::DataFileSearch search =
        platform::FindDataFile("devPanel.ini", platform::DataFileScope::CurrentFolderFirst);
    if (search.found()) return search.path;
    // The configuration check that follows names only the current folder's file.
    std::fprintf(stderr, "devpanel-cli: %s\n", platform::DataFileNotFoundText("devPanel.ini", search).c_str());
    return "devPanel.ini";
}

std::string DefaultStateFile() { return sim::DefaultStateFile(); }

}  // namespace cli
