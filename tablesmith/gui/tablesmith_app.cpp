#include "tablesmith_app.h"

#include <filesystem>

#include "tablesmith_dlg.h"
#include "tablesmith_resources.h"

// The tool's name, not the lower-case executable's, captions its
// message boxes.
CTablesmithApp::CTablesmithApp() : CWinApp("Tablesmith") {
    fw::UseResources(&tablesmith::gui::Resources());
}

BOOL CTablesmithApp::InitInstance() {
    Enable3dControls();
    CTablesmithDlg dlg;
    // "tablesmith PACKAGE" starts with that package chosen, so that a file
    // manager can open a package with the program.
    if (!Arguments().empty()) {
        std::error_code error;
        const std::filesystem::path package = std::filesystem::absolute(Arguments().front(), error);
        dlg.SetStartPackage(error ? Arguments().front() : package.string());
    }
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    // The dialog has closed: end the program rather than wait for messages.
    return FALSE;
}
