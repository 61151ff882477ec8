// ProgressWindow: shows how far a long piece of work is while the work runs
// on the window's own thread. Each step repaints the window; the user's
// input waits until the work is done, as for any synchronous command.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class QProgressDialog;

namespace fw {

class ProgressWindow {
  public:
    ProgressWindow();
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    // Shows the window at once, at 0 of `total`.
    void Begin(const std::string& label, std::uint64_t total);
    void Advance(std::uint64_t done);
    // Hides the window.
    void End();

    bool IsShowing() const;
    // The share done, in thousandths; for tests.
    int Permille() const;

  private:
    std::unique_ptr<QProgressDialog> dialog_;
    std::uint64_t total_ = 0;
};

}  // namespace fw
