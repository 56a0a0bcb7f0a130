// The start-up of the window programs, without a toolkit: the configuration's check, the
// candidate printers, the user's choice among several, the read of every setting on a worker
// thread behind the wait dialog, and which message ends the program for each failure. A front
// end shows what this decides, through IStartupUi; what comes back is what the document starts
// with, or nothing when the program must end (after its message, or none on a cancelled choice).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "document/discovery.h"
#include "document/printer_doc.h"
#include "transactions/transactions.h"

namespace sim {
class SimPlatform;
}

namespace flows {

// The start-up read on a thread of its own. The wait dialog starts it once it exists, so that
// the read overlaps the dialog's showing; the thread stores the result and then calls ended
// once, on itself: the front end hands that over to its own thread (one posted message) and
// closes the dialog there. Status and values may be read once ended has been called; the
// destructor waits for the thread.
class StartupRead {
public:
    // The read of every setting: their tokens, and besides them the bytes the printer gave (which
    // a later write-back is checked against).
    using Reader = std::function<int(const std::string& port, ValueMap& values, NpaRawValues& raw)>;

    StartupRead(std::string port, Reader reader);
    ~StartupRead();
    StartupRead(const StartupRead&) = delete;
    StartupRead& operator=(const StartupRead&) = delete;

    // Starts the read; a second call does nothing. Without a thread to be had the read runs here
    // and ended is called before Start returns.
    void Start(std::function<void()> ended);
    // Waits for the started read to end (returns at once when none runs).
    void Wait();
    const std::string& Port() const { return m_port; }
    int Status() const { return m_status; }
    const ValueMap& Values() const { return m_values; }
    const NpaRawValues& RawValues() const { return m_raw; }

private:
    std::string m_port;
    Reader m_reader;
    int m_status = NPA_ERR_OPEN;
    ValueMap m_values;
    NpaRawValues m_raw;
    std::thread m_worker;
    bool m_started = false;
};

// What the start-up asks of a front end.
class IStartupUi {
public:
    virtual ~IStartupUi() = default;
    // A message box without an owner window (msgbox:: styles); detail, when not empty, goes under
    // the text in smaller print. Returns its msgbox:: answer.
    virtual int messageBox(const std::string& text, const std::string& caption, unsigned style,
                           const std::string& detail) = 0;
    // The select-printer dialog over printers (label -> port, two or more): the label chosen
    // (empty when the dialog ended without a selection), or nothing when the user cancelled.
    virtual std::optional<std::string> choosePrinter(const PrinterTable& printers) = 0;
    // The modal wait dialog "프린터 쿼리": starts read (read.Start) and returns once the read
    // has ended and the dialog has closed.
    virtual void waitForRead(StartupRead& read) = 0;
};

// The string ids of the hint under the message that no printer was found.
constexpr int kNoPrinterHintLinux = 61401;
constexpr int kNoPrinterHintWindows = 61407;

// The steps a test may replace; each defaults to the real one.
struct StartupSteps {
    std::function<std::string()> configProblem;   // what is wrong with devPanel.ini; empty: nothing
    std::function<DiscoveryResult()> discover;    // the candidate printers
    StartupRead::Reader reader;                   // the read of every setting
    std::string requestedPort;                    // --port: no discovery, no choice
    // What to check when no printer was found, in the words of the system the program runs on:
    // the Linux one (USB or parallel, CUPS, lpstat -v) unless a front end names another.
    int noPrinterHintId = kNoPrinterHintLinux;
    StartupSteps();
};

// The start-up up to the document: true with what OnNewDocument takes in startup, false when the
// program ends (startup then holds what was found: the chosen printer, the read's status). A
// read that fails shuts the link down before the program ends, as a normal end does.
bool RunStartup(IStartupUi& ui, const StartupSteps& steps, StartupResult& startup);

// The virtual printer of --virtual, its settings kept in stateFile (empty: memory only),
// installed as the platform of the process. When it cannot start (a state file that cannot be
// used, say) the user is told why and nullptr comes back: the program then ends, and the state
// file is left as it was rather than replaced by the defaults.
// tell shows a message box without an owner (text, caption, msgbox:: style).
using TellUser = std::function<void(const std::string& text, const std::string& caption, unsigned style)>;
std::unique_ptr<sim::SimPlatform> StartVirtualPrinter(const std::string& stateFile, const TellUser& tell);

}  // namespace flows
