#include "qtapp/stop_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QSocketNotifier>
#include <cerrno>
#include <iterator>

#include "qtapp/main_frame.h"
#include "document/printer_doc.h"
#include "transactions/transactions.h"

namespace {

constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The pipe's write end for the handler; -1 while no object watches.
volatile sig_atomic_t g_writeEnd = -1;

extern "C" void OnStopSignal(int number) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    if (g_writeEnd >= 0) {
        // A full pipe already holds a stop: losing this byte loses nothing.
        [[maybe_unused]] const ssize_t written = write(g_writeEnd, &byte, 1);
    }
    errno = saved;
}

}  // namespace

struct StopSignals::Saved {
    struct sigaction previous[std::size(kStopSignals)] {};
};

StopSignals::StopSignals() : m_saved(std::make_unique<Saved>()) {
    if (pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        // Without a pipe the signals keep their default action: the program still ends.
        m_pipe[0] = m_pipe[1] = -1;
        return;
    }
    m_notifier = new QSocketNotifier(m_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { OnSignal(); });
    NpaSetInterruptFlag(&m_interrupt);
    g_writeEnd = m_pipe[1];
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kStopSignals); ++i) {
        // A signal ignored from the start stays ignored (nohup devpanel: SIGHUP).
        sigaction(kStopSignals[i], nullptr, &m_saved->previous[i]);
        if (m_saved->previous[i].sa_handler != SIG_IGN) sigaction(kStopSignals[i], &action, nullptr);
    }
}

StopSignals::~StopSignals() {
    if (m_pipe[0] >= 0) {
        for (size_t i = 0; i < std::size(kStopSignals); ++i) sigaction(kStopSignals[i], &m_saved->previous[i], nullptr);
        g_writeEnd = -1;
        NpaSetInterruptFlag(nullptr);
        delete m_notifier;
        close(m_pipe[0]);
        close(m_pipe[1]);
    }
}

void StopSignals::OnSignal() {
    unsigned char byte = 0;
    while (read(m_pipe[0], &byte, 1) == 1) {
        if (m_signal == 0) m_signal = byte;
    }
    if (m_signal == 0 || m_interrupt.exchange(true)) return;  // a second signal changes nothing more
    qApp->installEventFilter(this);
    QCoreApplication::exit(0);  // every event loop that runs now
}

bool StopSignals::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow()) {
        // Once its loop runs: a queued call is the first thing a new loop does.
        QMetaObject::invokeMethod(this, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

void StopSignals::exec(CMainFrame* frame, CPrinterDoc* doc) {
    if (m_signal == 0) QApplication::exec();
    if (m_signal == 0 || !frame || !frame->isVisible()) return;
    // The close box's way out, with nothing left to ask about: the link is shut down there.
    if (doc) doc->SetModifiedFlag(false);
    frame->close();
}
