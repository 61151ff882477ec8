// The program's start. It sits above the application object and the real
// message boxes, which know nothing of each other: a box asks for the main
// window (win_app.h), and only the start installs the boxes.
#include <QApplication>

#include "core/message_box.h"
#include "window/qt_text.h"
#include "window/win_app.h"
#include "window/window_message_box.h"

int AfxWinMain(int argc, char** argv) {
    CWinApp* app = AfxGetApp();
    if (app == nullptr) return 1;
    QApplication qt(argc, argv);
    QApplication::setApplicationName(fw::ToQString(AfxGetAppName()));
    QApplication::setApplicationVersion(fw::ToQString(fw::LoadVersionResource().product_version));
    fw::SetApplicationObjectPresent(true);
    fw::SetMessageBoxHandler(fw::ShowWindowMessageBox);

    // Qt has taken its own options (-platform ...) out of argv; the rest
    // stay bytes, so that a file name that is not UTF-8 still opens.
    app->SetArguments(std::vector<std::string>(argv + 1, argv + argc));

    if (app->InitInstance()) QApplication::exec();
    const int status = app->ExitInstance();
    fw::SetMessageBoxHandler({});
    fw::SetApplicationObjectPresent(false);
    return status;
}
