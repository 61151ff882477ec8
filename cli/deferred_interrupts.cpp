#include "deferred_interrupts.h"

#include <initializer_list>

namespace cli {

DeferredInterrupts::DeferredInterrupts() {
    sigset_t held;
    sigemptyset(&held);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&held, signal);
    sigprocmask(SIG_BLOCK, &held, &previous_);
}

DeferredInterrupts::~DeferredInterrupts() {
    sigprocmask(SIG_SETMASK, &previous_, nullptr);
}

}  // namespace cli
