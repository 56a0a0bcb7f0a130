// The command line of the devpanel programs (every front end reads the same options):
//   --virtual[=STATEFILE]  run against the built-in virtual printer (its settings kept in
//                          STATEFILE, by default under $XDG_STATE_HOME/devpanel/; --virtual=
//                          with nothing after it keeps them in memory only, as devpanel-cli does)
//   --ini PATH             the configuration file (default: the first devPanel.ini of the data
//                          file search, the current folder first)
//   --screenshot PATH      save a picture of the main window once it is shown, then leave
//   --quit-when-shown      leave as soon as the main window is shown (start-up timing)
//   --port PORT            the printer's port (LPT1:, USB001, ...): no search, no choice
//   --lang ko|en           the window's language, instead of the desktop's
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "strings/language.h"

struct CommandLine {
    bool virtualPrinter = false;
    std::string stateFile;  // with virtualPrinter; empty: memory only
    std::string iniPath;
    std::string screenshot;
    bool quitWhenShown = false;
    std::string port;  // --port; empty: find the printer
    std::optional<res::Language> language;  // --lang; nothing: the desktop's language
    std::vector<std::string> unknown;
    // The first argument that makes the command line unusable ("unknown option --bogus",
    // "--ini needs a value", "unexpected argument x"); empty when every argument was taken. A
    // front end reports it with the usage and ends with status 2 before any window opens.
    std::string usageError;
};

CommandLine ParseCommandLine(const std::vector<std::string>& args);
// Whether --port names a printer port (platform::PortName: LPTn:, USBnnn); a command file is
// never a port.
bool IsPrinterPortName(const std::string& port);
// Why --port cannot take port, with the accepted forms ("--port: "LTP1:" is not a port name: a
// port is named ..."); empty when it can.
std::string PortOptionProblem(const std::string& port);
// $XDG_STATE_HOME/devpanel/virtual-t90.state (or ~/.local/state/devpanel/...), the file
// devpanel-cli uses too; empty (memory only) when neither folder is known.
std::string DefaultVirtualStateFile();
// The configuration to use when --ini is not given.
std::string DefaultIniPath();
