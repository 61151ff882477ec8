// The dialog's side of a long cabinet copy: a progress window while a large
// cabinet is written, on the dialog's thread (the command stays synchronous).
#pragma once

#include "copy_progress.h"
#include "window/progress_window.h"

namespace tablesmith::gui {

class DialogCopyProgress : public CopyProgress {
  public:
    // Copies above `threshold` bytes show the window; 50 MB by default.
    explicit DialogCopyProgress(std::uint64_t threshold = 50ull * 1024 * 1024)
        : threshold_(threshold) {}

    std::uint64_t Threshold() const override { return threshold_; }
    void Begin(const std::string& file_name, std::uint64_t total) override;
    void Advance(std::uint64_t done) override;
    void End() override;

  private:
    std::uint64_t threshold_;
    fw::ProgressWindow window_;
};

}  // namespace tablesmith::gui
