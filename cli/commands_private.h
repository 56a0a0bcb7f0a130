// What the command files of devpanel-cli share: the headless window of the document, the read
// into it, the Ctrl-C guard around writes, and how a write's outcome is told. Not for use
// outside cli/.
#pragma once

#include <atomic>
#include <iosfwd>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "document/printer_doc.h"
#include "platform/interruption.h"

namespace cli {

// The document's window: nothing to show, and a question is answered "no" (the commands apply
// explicitly and end the session themselves).
class HeadlessFrame : public IPrinterFrame {
public:
    std::string statusText() override { return status_; }
    void setStatusText(const std::string& text) override { status_ = text; }
    void setWaitCursor(bool) override {}
    bool menuItemEnabled(int) override { return true; }
    void setMenuItemEnabled(int, bool) override {}
    void redraw() override {}
    bool replaceView(int) override { return false; }
    int messageBox(const std::string&, const std::string&, unsigned style, bool) override {
        return (style & msgbox::kYesNo) ? msgbox::kIdNo : msgbox::kIdOk;
    }

private:
    std::string status_;
};

// Ctrl-C (SIGINT) and SIGTERM while settings go to a printer: the writes stop, and the printer is
// still brought back online before the program ends. A second request changes nothing: the
// online request must go out.
extern std::atomic<bool> g_interrupted;

class InterruptGuard {
public:
    InterruptGuard() : watch_(g_interrupted) { NpaSetInterruptFlag(&g_interrupted); }
    ~InterruptGuard() { NpaSetInterruptFlag(nullptr); }
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;
    bool interrupted() const { return g_interrupted.load(); }

private:
    platform::InterruptionWatch watch_;
};

// The name of the offline record's file, which the link puts beside every command file.
constexpr const char* kOfflineFileName = "offline.dat";
// Whether path names a file called offline.dat (which can be no command file).
bool IsOfflineFileName(const std::string& path);
// The absolute, normalised form of a UTF-8 path, as UTF-8; the path as given when it cannot be made.
std::string AbsolutePath(const std::string& path);
// ": why" when problem says why, else nothing.
std::string Because(const std::string& problem);
// "a, b, c".
std::string Joined(const std::vector<std::string>& names);
// The start-up read into the document. EXIT_OK or the status of the failure (said on err).
int ReadIntoDocument(const std::string& port, CPrinterDoc& doc, std::ostream& err);
// What a write to the printer (apply, send) ended in, on stdout (done) or stderr; the exit status.
int ReportPrinterWrite(int result, const NpaWriteReport& report, const std::string& port, const std::string& done,
                       bool interrupted, std::ostream& out, std::ostream& err);
// What a save into a command file ended in; the exit status.
int ReportSave(int result, const NpaWriteReport& report, const std::string& target, size_t sent, std::ostream& out,
               std::ostream& err);

// printer_choice.cpp: the printers command, and the port of a command without --port (the one
// supported printer; said on err when there is none or several). EXIT_OK or the exit status.
int CommandPrinters(std::ostream& out, std::ostream& err);
int ChoosePort(const Options& options, std::string& port, std::ostream& err);

// online_command.cpp: the printer's online request on its own (a printer left offline).
int CommandOnline(const std::string& port, std::ostream& out, std::ostream& err);

// The commands of snapshot_commands.cpp.
int CommandSnapshots(std::ostream& out, std::ostream& err);
int CommandExport(const Options& options, const std::string& port, std::ostream& out, std::ostream& err);
int CommandDiff(const Options& options, const std::string& port, std::ostream& out, std::ostream& err);
// restore and import.
int CommandApplyFile(const Options& options, const std::string& port, std::ostream& out, std::ostream& err);
// save FILE --from JSON: no printer is needed.
int CommandSaveFrom(const Options& options, std::ostream& out, std::ostream& err);

}  // namespace cli
