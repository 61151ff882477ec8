#include "deltalens_app.h"

#include "deltalens_dlg.h"
#include "deltalens_resources.h"
#include "start_files.h"
#include "window/styles.h"

// The tool's name, not the lower-case executable's, captions its
// message boxes.
CDeltalensApp::CDeltalensApp() : CWinApp("Deltalens") {
    fw::UseResources(&deltalens::gui::Resources());
}

BOOL CDeltalensApp::InitInstance() {
    AfxEnableControlContainer();
    Enable3dControls();
    CDeltalensDlg dlg;
    // "deltalens PACKAGE [TRANSFORM]" fills the fields as the browse buttons
    // would; with both, the changes are listed at once.
    const deltalens::gui::StartFiles files = deltalens::gui::StartFilesOf(Arguments());
    dlg.SetStartFiles(files.package, files.transform);
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    // The dialog has closed: end the program rather than wait for messages.
    return FALSE;
}

BOOL CDeltalensApp::OnCommand(int id) {
    if (id != ID_HELP) return CWinApp::OnCommand(id);
    OnHelp();
    return TRUE;
}
