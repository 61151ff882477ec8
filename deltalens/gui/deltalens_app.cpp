#include "deltalens_app.h"

#include <filesystem>

#include "deltalens_dlg.h"
#include "deltalens_resources.h"
#include "window/styles.h"

namespace {

std::string Absolute(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}

}  // namespace

CDeltalensApp::CDeltalensApp() {
    fw::UseResources(&deltalens::gui::Resources());
}

BOOL CDeltalensApp::InitInstance() {
    AfxEnableControlContainer();
    Enable3dControls();
    CDeltalensDlg dlg;
    // "deltalens PACKAGE [TRANSFORM]" fills the fields as the browse buttons
    // would; with both, the changes are listed at once.
    const std::vector<std::string>& arguments = Arguments();
    if (!arguments.empty())
        dlg.SetStartFiles(Absolute(arguments[0]),
                          arguments.size() > 1 ? Absolute(arguments[1]) : "");
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
