// The dialog's sink for the commands' outcomes: each one a message box of
// the program's caption, its kind choosing the icon (stop, exclamation,
// information), its cause behind the box's details button. Remembers
// whether anything was a stop.
#pragma once

#include "outcome.h"

namespace tablesmith::gui {

class BoxOutcomes : public diag::OutcomeSink {
  public:
    void Tell(const diag::Outcome& outcome) override;
    bool SawStop() const { return saw_stop_; }

  private:
    bool saw_stop_ = false;
};

}  // namespace tablesmith::gui
