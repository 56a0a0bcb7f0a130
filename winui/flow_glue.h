// The decisions of the Win32 front end's start-up and of its apply, save-as-command-file and exit
// commands, free of any toolkit and of <windows.h>: what runs in which order, and which message
// a result gives. The windows (winui/startup.cpp, winui/main_frame.cpp) only show what these
// return and ask what these need; the decisions are those of the Qt program's application object
// and frame, so that both front ends answer a result alike. Kept in this one file so that it can
// give way to decisions shared by every front end.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "document/discovery.h"
#include "document/printer_doc.h"
#include "transactions/npa.h"

namespace winui::flow {

// A message box to show: its text (already formatted), caption, msgbox:: style bits and owner.
struct Message {
    std::string text;
    std::string caption;
    unsigned style = 0;
    bool ownedByMainWindow = false;
};

// --- start-up ---------------------------------------------------------------------------------

// What the start-up asks of the windows.
class StartupUi {
public:
    virtual ~StartupUi() = default;
    virtual void show(const Message& message) = 0;
    // The choice among several printers ("복수 프린터 발견"): the chosen label, nothing on cancel.
    virtual std::optional<std::string> choosePrinter(const PrinterTable& printers) = 0;
    // The start-up read behind the wait dialog "프린터 쿼리": reads every setting of the port's
    // printer into values and returns the read status; the dialog cannot be closed before.
    virtual int readSettings(const std::string& port, ValueMap& values) = 0;
};

struct StartupInputs {
    std::string configPath;
    // What is wrong with the configuration file; empty when nothing is.
    std::string configProblem;
    // The port of --port: no discovery and no choice. Empty: discovery.
    std::string requestedPort;
    std::function<DiscoveryResult()> discover;
};

// The start-up up to the document: the configuration's check, the printer (given, the only one,
// or the user's choice), the read. Nothing when the program ends (after its message, or none
// when the user cancelled the choice); else what the document is made from.
std::optional<StartupResult> RunStartup(StartupUi& ui, const StartupInputs& inputs);

// What is wrong with the configuration file in use (empty: nothing). A devPanel.ini found nowhere
// names every place it was looked for.
std::string ConfigurationProblemText();

// The message when the virtual printer of --virtual cannot start (its state file, say).
Message NoVirtualPrinter(const std::string& stateFile, const std::string& problem);

// --- apply, save, exit ------------------------------------------------------------------------

// The apply command: two-way mode always sends every value, one-way mode sends the changes and
// nothing when there are none. The modified flag is cleared unless the apply failed. The message
// to show, if any: the failure, or the settings the printer holds that were left out.
std::optional<Message> RunApply(CPrinterDoc& doc);

// The save-as-command-file command with the path the save dialog gave (in the form the program's
// file layer takes); shownPath is the same path as the user should read it in a message. The
// modified flag is not touched. The message to show on failure.
std::optional<Message> RunSave(CPrinterDoc& doc, const std::string& path, const std::string& shownPath);

// The save dialog of the command file.
inline constexpr const char* kCommandFileExtension = "npa";
inline constexpr const char* kCommandFileName = "settings.npa";

// Whether the main window may close: the document offers to apply unapplied changes (and says so
// when that apply fails: the window then stays, with the edits) and ends the session.
bool MayClose(CPrinterDoc& doc);

}  // namespace winui::flow
