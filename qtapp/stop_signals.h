// SIGTERM, SIGINT and SIGHUP (a logout, Ctrl-C in the terminal, kill) end the GUI as closing its
// window does, only without the question about unapplied changes, which nobody is there to
// answer: the event loops end, the main window closes (the printer link is shut down) and every
// object is destroyed in order, so that the virtual printer's private folder and every other
// temporary go with them. Left to their default action, the signals would end the process on
// the spot and leave those behind. A write to the printer under way stops sending settings and
// still brings the printer back online before the program ends.
//
// The handler only writes the signal's number into a pipe (async-signal-safe); the event loop
// reads it there.
#pragma once

#include <QObject>
#include <atomic>
#include <memory>

class CMainFrame;
class CPrinterDoc;
class QSocketNotifier;

class StopSignals : public QObject {
public:
    // Watches the signals from now until the object ends; the handling before it is then back.
    // Made after the application object, before anything leaves files behind.
    StopSignals();
    ~StopSignals() override;
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The signal that came, or 0.
    int received() const { return m_signal; }

    // Runs the event loop until the main window closes or a stop signal comes (at once when one
    // came before); after a signal, closes the main window without the question. frame and doc
    // may be nullptr.
    void exec(CMainFrame* frame, CPrinterDoc* doc);

protected:
    // After a stop signal every window that shows ends its event loop at once (a message box
    // after an interrupted apply, say).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnSignal();
    int m_pipe[2] = {-1, -1};
    QSocketNotifier* m_notifier = nullptr;
    int m_signal = 0;
    std::atomic<bool> m_interrupt{false};
    struct Saved;  // the handling before this object
    std::unique_ptr<Saved> m_saved;
};
