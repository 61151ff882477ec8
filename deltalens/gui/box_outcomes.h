// The dialog's sink for the commands' outcomes: each one a message box of
// the program's caption, its kind choosing the icon (stop, exclamation,
// information), its cause behind the box's details button.
#pragma once

#include <functional>
#include <utility>

#include "outcome.h"

namespace deltalens::gui {

class BoxOutcomes : public diag::OutcomeSink {
  public:
    // `before_box` runs before each box: a box lets the dialog paint, so the
    // dialog brings what it shows up to date first.
    explicit BoxOutcomes(std::function<void()> before_box = {})
        : before_box_(std::move(before_box)) {}
    void Tell(const diag::Outcome& outcome) override;

  private:
    std::function<void()> before_box_;
};

}  // namespace deltalens::gui
