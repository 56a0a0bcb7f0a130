// devpanel.exe from start to end: the system's control libraries, the platform (the system's own,
// or the virtual printer of --virtual), the start-up (flows/startup.h), the document and the
// main window, and the message loop.
#pragma once

#include <string>

namespace winui {

struct ProgramOptions {
    bool virtualPrinter = false;
    std::string stateFile;   // with virtualPrinter; empty: memory only
    std::string iniPath;
    std::string port;        // empty: find the printer
    std::string screenshot;  // save a picture of the main window once it is shown, then leave
    bool quitWhenShown = false;
};

// Loads the common controls and the rich edit control the pages use. False when one is missing.
bool LoadControlLibraries();

// Runs the program; the process's exit code (every end, after a failure or not, is 0).
int RunProgram(const ProgramOptions& options, int showCommand);

}  // namespace winui
