#include "tablesmith_dlg.h"

#include <filesystem>

#include "about_dlg.h"
#include "box_outcomes.h"
#include "viewer_window.h"
#include "dialog_copy_progress.h"
#include "export_command.h"
#include "extract_files_action.h"
#include "generate_command.h"
#include "messages.h"
#include "package_tables.h"
#include "window/data_exchange.h"
#include "window/file_dialog.h"
#include "window/wait_cursor.h"
#include "window/win_app.h"

namespace {

// The file dialog of "...": hide the read-only box, keep the current
// folder, the folder must exist (the file need not), no network button.
constexpr DWORD kBrowseFlags =
    OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_NONETWORKBUTTON;

}  // namespace

// The dialog's command handlers; the rest goes to the framework (Exit).
const fw::CommandMap<CTablesmithDlg>& CTablesmithDlg::Commands() {
    static const fw::CommandMap<CTablesmithDlg> commands{
        {IDC_BROWSE, &CTablesmithDlg::OnBrowse},
        {IDOK, &CTablesmithDlg::OnExport},
        {IDC_EXPORT_CAB, &CTablesmithDlg::OnExportCab},
        {IDC_EXPORT_ALL, &CTablesmithDlg::OnExportAll},
        {IDC_GENERATE, &CTablesmithDlg::OnGenerate},
        {IDC_VIEW, &CTablesmithDlg::OnView},
    };
    return commands;
}

CTablesmithDlg::CTablesmithDlg(CWnd* parent)
    : CDialog(IDD_TABLESMITH_DIALOG, parent),
      m_hIcon(AfxGetApp() != nullptr ? AfxGetApp()->LoadIcon(IDR_MAINFRAME)
                                     : fw::LoadIconResource(IDR_MAINFRAME)) {}

BOOL CTablesmithDlg::OnCommand(WPARAM wparam, LPARAM lparam) {
    return Commands().Dispatch(this, wparam) || CDialog::OnCommand(wparam, lparam);
}

void CTablesmithDlg::DoDataExchange(CDataExchange* dx) {
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_TABLES, m_cbTables);
    DDX_Check(dx, IDC_EXPORT_ALL, m_bExportAll);
    DDX_Text(dx, IDC_MSIFILE, m_strMsiFile);
    DDX_Check(dx, IDC_EXPORT_CAB, m_bExportCab);
    DDX_Check(dx, IDC_ONLY_CAB, m_bOnlyCab);
}

BOOL CTablesmithDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    fw::AppendAboutItem(*this, IDS_ABOUTBOX, IDM_ABOUTBOX);
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    GetDlgItem(IDC_ONLY_CAB)->EnableWindow(FALSE);
    GetDlgItem(IDOK)->EnableWindow(FALSE);
    GetDlgItem(IDC_GENERATE)->EnableWindow(FALSE);
    GetDlgItem(IDC_VIEW)->EnableWindow(FALSE);

    if (!start_package_.empty()) ChoosePackage(start_package_);
    DragAcceptFiles();
    return TRUE;
}

void CTablesmithDlg::OnSysCommand(UINT id, LPARAM param) {
    if ((id & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about;
        about.DoModal();
    } else {
        CDialog::OnSysCommand(id, param);
    }
}

// The window manager draws the icon of a minimised window on this platform,
// and a minimised window gets no paint messages; what is left is the
// default painting.
void CTablesmithDlg::OnPaint() {
    CDialog::OnPaint();
}

// Nothing asks for a drag icon on this platform; kept for callers that do.
HICON CTablesmithDlg::OnQueryDragIcon() {
    return m_hIcon;
}

void CTablesmithDlg::OnBrowse() {
    // The listing opens in the folder of the package chosen now, if any.
    const std::filesystem::path folder = std::filesystem::path(m_strMsiFile).parent_path();
    const std::string initial_name =
        m_strMsiFile.empty() || folder.empty() ? "*.msi" : (folder / "*.msi").string();
    CFileDialog dialog(TRUE, nullptr, initial_name.c_str(), kBrowseFlags, "MSI Packages|*.msi|");
    if (dialog.DoModal() != IDOK) return;
    ChoosePackage(dialog.GetPathName());
}

void CTablesmithDlg::OnDropFiles(HDROP drop) {
    const UINT length = DragQueryFileA(drop, 0, nullptr, 0);
    std::string path(length, '\0');
    if (length > 0) DragQueryFileA(drop, 0, path.data(), length + 1);
    DragFinish(drop);
    if (!path.empty()) ChoosePackage(path);
}

void CTablesmithDlg::ChoosePackage(const std::string& path) {
    m_strMsiFile = path;
    m_cbTables.ResetContent();
    // A package that does not open leaves the list empty; the database
    // layer has traced why, and the user sees no message.
    for (const std::string& table : tablesmith::ListPackageTables(m_strMsiFile))
        m_cbTables.AddString(table);
    m_cbTables.SetCurSel(0);
    SetDlgItemText(
        IDC_TABLE_COUNT,
        tablesmith::FillMessage(tablesmith::kTableCount, {std::to_string(m_cbTables.GetCount())}));
    GetDlgItem(IDOK)->EnableWindow(TRUE);
    GetDlgItem(IDC_GENERATE)->EnableWindow(TRUE);
    GetDlgItem(IDC_VIEW)->EnableWindow(TRUE);
    UpdateData(FALSE);
}

std::vector<std::string> CTablesmithDlg::ListedTables() const {
    std::vector<std::string> tables;
    for (int i = 0; i < m_cbTables.GetCount(); ++i) tables.push_back(m_cbTables.GetLBText(i));
    return tables;
}

void CTablesmithDlg::OnExportCab() {
    UpdateData(TRUE);
    if (m_bExportCab) {
        GetDlgItem(IDC_ONLY_CAB)->EnableWindow(TRUE);
    } else {
        m_bOnlyCab = FALSE;
        UpdateData(FALSE);
        GetDlgItem(IDC_ONLY_CAB)->EnableWindow(FALSE);
    }
}

void CTablesmithDlg::OnExportAll() {
    UpdateData(TRUE);
    m_cbTables.EnableWindow(!m_bExportAll);
}

void CTablesmithDlg::OnExport() {
    UpdateData(TRUE);
    CWaitCursor wait;
    tablesmith::ExportSettings settings;
    settings.msi_file = m_strMsiFile;
    settings.tables = ListedTables();
    const int selected = m_cbTables.GetCurSel();
    settings.selected_table = selected == CB_ERR ? std::string() : m_cbTables.GetLBText(selected);
    settings.export_all = m_bExportAll != FALSE;
    settings.export_cab = m_bExportCab != FALSE;
    settings.only_cab = m_bOnlyCab != FALSE;
    viewer::BoxOutcomes sink;
    tablesmith::gui::DialogCopyProgress progress;
    tablesmith::RunExport(settings, sink, &progress);
}

// Generate uses the members as they were last exchanged, not the controls.
void CTablesmithDlg::OnGenerate() {
    CWaitCursor wait;
    tablesmith::GenerateSettings settings;
    settings.msi_file = m_strMsiFile;
    settings.tables = ListedTables();
    viewer::BoxOutcomes sink;
    tablesmith::RunGenerate(settings, sink);
}

void CTablesmithDlg::OnView() {
    UpdateData(TRUE);
    const int selected = m_cbTables.GetCurSel();
    viewer::ViewRequest request;
    request.package = m_strMsiFile;
    request.table = selected == CB_ERR ? std::string() : m_cbTables.GetLBText(selected);
    request.extract_files = tablesmith::gui::ExtractFilesAction();
    viewer::BoxOutcomes sink;
    viewer::ShowViewer(request, sink);
}
