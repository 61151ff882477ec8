#include "window/win_app.h"

#include <QApplication>

#include "core/message_box.h"
#include "win32/debug.h"
#include "window/qt_text.h"
#include "window/window_message_box.h"

namespace {

CWinApp* the_app = nullptr;

}  // namespace

CWinApp::CWinApp(const char* app_name) {
    the_app = this;
    if (app_name != nullptr) fw::SetAppName(app_name);
}

CWinApp::~CWinApp() {
    if (the_app == this) the_app = nullptr;
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

int CWinApp::ExitInstance() {
    return 0;
}

BOOL CWinApp::OnCommand(int /*id*/) {
    return FALSE;
}

void CWinApp::OnHelp() {
    OutputDebugStringA((AfxGetAppName() + ": no help file on this platform\n").c_str());
}

HICON CWinApp::LoadIcon(UINT id) const {
    return fw::LoadIconResource(static_cast<int>(id));
}

CWinApp* AfxGetApp() {
    return the_app;
}

CWnd* AfxGetMainWnd() {
    return the_app == nullptr ? nullptr : the_app->m_pMainWnd;
}

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
