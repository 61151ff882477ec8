#include "window/offscreen_session.h"

#include <QApplication>
#include <cstdlib>

namespace fw {

struct OffscreenSession::Qt {
    Qt(int& argc, char** argv) : application(argc, argv) {}
    QApplication application;
};

namespace {
// Before the application object exists, or the window system is chosen.
int& ChooseOffscreen(int& argc) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return argc;
}
}  // namespace

OffscreenSession::OffscreenSession(int& argc, char** argv)
    : qt_(std::make_unique<Qt>(ChooseOffscreen(argc), argv)) {}

OffscreenSession::~OffscreenSession() = default;

void OffscreenSession::ProcessEvents() {
    QApplication::processEvents();
}

}  // namespace fw
