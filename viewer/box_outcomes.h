// The dialogs' sink for the commands' outcomes: each one a message box of
// the program's caption, its kind choosing the icon (stop, exclamation,
// information), its cause behind the box's details button. Both dialog
// programs show their commands' news through it, so a kind looks the same in
// either.
#pragma once

#include <functional>
#include <utility>

#include "outcome.h"

namespace viewer {

class BoxOutcomes : public diag::OutcomeSink {
  public:
    // `before_box` runs before each box: a box lets the dialog paint, so a
    // dialog that fills a list while a command runs brings it up to date first.
    explicit BoxOutcomes(std::function<void()> before_box = {})
        : before_box_(std::move(before_box)) {}

    void Tell(const diag::Outcome& outcome) override;
    // Whether any outcome was a stop.
    bool SawStop() const { return saw_stop_; }

  private:
    std::function<void()> before_box_;
    bool saw_stop_ = false;
};

}  // namespace viewer
