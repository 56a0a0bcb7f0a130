#include "platform/interruption.h"

#include <signal.h>

namespace platform {

namespace {

// The flag of the newest watch. A lock-free atomic pointer may be read in a signal handler.
std::atomic<std::atomic<bool>*> g_flag{nullptr};
static_assert(std::atomic<std::atomic<bool>*>::is_always_lock_free);

extern "C" void OnStopRequest(int) {
    std::atomic<bool>* flag = g_flag.load();
    if (flag != nullptr) flag->store(true);
}

}  // namespace

struct InterruptionWatch::Saved {
    std::atomic<bool>* previousFlag = nullptr;
    struct sigaction previousInt {};
    struct sigaction previousTerm {};
};

InterruptionWatch::InterruptionWatch(std::atomic<bool>& flag) : saved_(std::make_unique<Saved>()) {
    flag.store(false);
    saved_->previousFlag = g_flag.exchange(&flag);
    struct sigaction action {};
    action.sa_handler = OnStopRequest;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;  // the work's own calls go on; it polls the flag
    sigaction(SIGINT, &action, &saved_->previousInt);
    sigaction(SIGTERM, &action, &saved_->previousTerm);
}

InterruptionWatch::~InterruptionWatch() {
    sigaction(SIGINT, &saved_->previousInt, nullptr);
    sigaction(SIGTERM, &saved_->previousTerm, nullptr);
    g_flag.store(saved_->previousFlag);
}

}  // namespace platform
