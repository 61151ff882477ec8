#include "tablesmith_app.h"

#include <filesystem>

#include "box_outcomes.h"
#include "extract_files_action.h"
#include "tablesmith_dlg.h"
#include "viewer_window.h"
#include "tablesmith_resources.h"

// The tool's name, not the lower-case executable's, captions its
// message boxes.
CTablesmithApp::CTablesmithApp() : CWinApp("Tablesmith") {
    fw::UseResources(&tablesmith::gui::Resources());
}

BOOL CTablesmithApp::InitInstance() {
    Enable3dControls();
    // "tablesmith --view PACKAGE": the package viewer alone, no dialog.
    if (Arguments().size() == 2 && Arguments()[0] == "--view") {
        viewer::BoxOutcomes sink;
        view_status_ = viewer::RunViewer(
            {Arguments()[1], {}, "", {}, {}, tablesmith::gui::ExtractFilesAction()}, sink);
        return FALSE;
    }
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

int CTablesmithApp::ExitInstance() {
    const int status = CWinApp::ExitInstance();
    return view_status_ != 0 ? view_status_ : status;
}
