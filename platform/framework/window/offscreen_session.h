// Widgets without a screen, for programs that drive dialogs themselves (the
// dialog tests, the dialog benchmark): the window system on Qt's offscreen
// platform unless the environment names another.
#pragma once

#include <memory>

namespace fw {

class OffscreenSession {
  public:
    // argc and argv must outlive the session (the window system keeps them).
    OffscreenSession(int& argc, char** argv);
    ~OffscreenSession();
    OffscreenSession(const OffscreenSession&) = delete;
    OffscreenSession& operator=(const OffscreenSession&) = delete;

    // Lets queued window events run (a posted command, a pending paint).
    static void ProcessEvents();

  private:
    struct Qt;
    std::unique_ptr<Qt> qt_;
};

}  // namespace fw
