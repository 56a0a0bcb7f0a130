// devpanel-cli: the printer document and the NPA layer without a window, for scripts and
// administrators. Everything but main() lives in the devpanel_cli_core library so that tests can
// drive the pieces in-process.
#pragma once

#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "document/printer_doc.h"

namespace cli {

// Exit statuses.
enum : int {
    EXIT_OK = 0,
    EXIT_NO_PRINTER = 1,   // no supported printer was found (installed or attached)
    EXIT_USAGE = 2,        // bad usage or a bad NAME=VALUE; nothing was sent
    EXIT_OPEN = 3,         // the port (or the command file) did not open
    EXIT_READ = 4,         // the start-up read failed
    EXIT_WRITE = 5,        // a write failed
    EXIT_MEMORY = 6,       // out of memory while building the commands
    EXIT_DIFFERENT = 7,    // diff: the printer and the file differ
};

// The exit status of an NPA or document result code.
int ExitStatusFor(int result);

struct Options {
    std::string ini;            // empty: devPanel.ini here, then the installed one
    std::string port;           // empty: the one discovered printer
    bool useVirtual = false;
    std::optional<std::string> stateFile;  // --virtual=FILE; nullopt: the default place
    bool json = false;
    bool help = false;
    bool version = false;
    bool force = false;                  // import: a file of another model too
    bool allValues = false;              // apply, import, restore: write back every setting
    std::optional<std::string> from;     // save --from JSON
    std::vector<std::string> queues;     // send --queue QUEUE...
    std::string command;
    std::vector<std::string> arguments;  // after the command
};

// Parses argv[1..]. False with a message in error on bad usage.
bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error);
void PrintHelp(std::ostream& out);
// "devpanel-cli VERSION".
void PrintVersion(std::ostream& out);

// The configuration file to use: the given one, devPanel.ini in the current directory, or the
// installed data file.
std::string ResolveIniPath(const std::string& given);
// sim::DefaultStateFile(): $XDG_STATE_HOME/devpanel/virtual-t90.state (~/.local/state/... without
// it; %LOCALAPPDATA%\devpanel\virtual-t90.state on Windows).
std::string DefaultStateFile();

// NAME=VALUE arguments checked against the document's descriptors: NPA name -> value token as a
// page would store it. False with a message that names the setting and what it accepts.
bool ValidateAssignments(const CPrinterDoc& doc, const std::vector<std::string>& assignments,
                         std::map<std::string, std::string>& out, std::string& error);

// The values as one JSON object, keys sorted (the "settings" of a snapshot file).
std::string ToJson(const ValueMap& values);

// Runs one invocation. args excludes the program name.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// The same with the platform the caller installed (--virtual then installs nothing), for
// programs that embed the commands and for tests.
int RunOnInstalledPlatform(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace cli
