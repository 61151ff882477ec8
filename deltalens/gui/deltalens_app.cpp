#include "deltalens_app.h"

#include "deltalens_dlg.h"
#include "deltalens_resources.h"
#include "box_outcomes.h"
#include "start_files.h"
#include "transform_marks.h"
#include "viewer_window.h"
#include "window/styles.h"

// The tool's name, not the lower-case executable's, captions its
// message boxes.
CDeltalensApp::CDeltalensApp() : CWinApp("Deltalens") {
    fw::UseResources(&deltalens::gui::Resources());
}

BOOL CDeltalensApp::InitInstance() {
    AfxEnableControlContainer();
    Enable3dControls();
    // "deltalens PACKAGE [TRANSFORM]" fills the fields as the browse buttons
    // would; with both, the changes are listed at once.
    const deltalens::gui::StartFiles files = deltalens::gui::StartFilesOf(Arguments());
    // "deltalens --view PACKAGE [TRANSFORM]" opens the viewer alone; a lone
    // transform has nothing to be viewed over, so the dialog opens with it.
    if (files.view && !files.package.empty()) {
        viewer::ViewRequest request;
        request.package = files.package;
        if (!files.transform.empty()) request.transforms = {files.transform};
        request.make_marks = viewer::MakeTransformMarks;
        viewer::BoxOutcomes sink;
        viewer::RunViewer(request, sink);
        return FALSE;
    }
    CDeltalensDlg dlg;
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
