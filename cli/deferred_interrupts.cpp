#include "deferred_interrupts.h"

namespace cli {

namespace {

constexpr int kHeld[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

}  // namespace

DeferredInterrupts::DeferredInterrupts() {
    sigset_t held;
    sigemptyset(&held);
    for (int signal : kHeld) sigaddset(&held, signal);
    sigprocmask(SIG_BLOCK, &held, &previous_);
}

bool DeferredInterrupts::Pending() const {
    sigset_t waiting;
    sigemptyset(&waiting);
    if (sigpending(&waiting) != 0) return false;
    for (int signal : kHeld)
        if (sigismember(&waiting, signal) == 1) return true;
    return false;
}

DeferredInterrupts::~DeferredInterrupts() {
    sigprocmask(SIG_SETMASK, &previous_, nullptr);
}

}  // namespace cli
