// The user's request to stop the program (Ctrl-C, a termination request), turned into a flag
// that long work polls, so that the work can end cleanly instead of being cut off (the printer
// is still brought back online). linux/interruption.cpp uses sigaction for SIGINT and SIGTERM;
// windows/interruption.cpp uses SetConsoleCtrlHandler for CTRL_C_EVENT, CTRL_BREAK_EVENT and
// CTRL_CLOSE_EVENT.
#pragma once

#include <atomic>
#include <memory>

namespace platform {

class InterruptionWatch {
public:
    // From now on until this object ends, a request to stop sets flag (cleared here) instead of
    // ending the program; a second request changes nothing more. Watches nest: the newest one's
    // flag is set, and ending it brings back the one before it, or the handling that was there
    // before the first (POSIX: the previous sigaction; Windows: the previous console handlers).
    // Made and ended on one thread, newest first. flag must outlive the watch.
    //
    // Windows ends the process once the handler of CTRL_CLOSE_EVENT (the console window is
    // closed) returns and gives it about five seconds at most; the handler therefore waits until
    // the outermost watch ends, at most kCloseGraceMs, so that the work can finish its cleanup.
    // Neither the constructor nor the destructor blocks.
    explicit InterruptionWatch(std::atomic<bool>& flag);
    ~InterruptionWatch();
    InterruptionWatch(const InterruptionWatch&) = delete;
    InterruptionWatch& operator=(const InterruptionWatch&) = delete;

    static constexpr int kCloseGraceMs = 4500;

private:
    struct Saved;
    std::unique_ptr<Saved> saved_;
};

}  // namespace platform
