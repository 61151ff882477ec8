// Holds back the signals that end a program from a terminal or a service
// manager (SIGINT, SIGTERM, SIGHUP, SIGQUIT) while a step that leaves
// temporary files runs, so that the step always gets to remove them. A signal
// that arrives meanwhile is not lost: it acts, as it would have, the moment
// the object goes. SIGKILL cannot be held back, and nothing here pretends to.
#pragma once

#include <signal.h>

namespace cli {

class DeferredInterrupts {
  public:
    DeferredInterrupts();
    ~DeferredInterrupts();
    DeferredInterrupts(const DeferredInterrupts&) = delete;
    DeferredInterrupts& operator=(const DeferredInterrupts&) = delete;

    // True when one of the held signals has arrived and waits: a step that
    // can still be undone (a rename not yet made) asks this and stops there.
    bool Pending() const;

  private:
    sigset_t previous_;
};

}  // namespace cli
