#include "window/win_app.h"

#include "core/message_box.h"
#include "win32/debug.h"

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
