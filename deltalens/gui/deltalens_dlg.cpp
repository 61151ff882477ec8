#include "deltalens_dlg.h"

#include "about_dlg.h"
#include "apply_command.h"
#include "box_outcomes.h"
#include "change_columns.h"
#include "change_rows.h"
#include "text_escape.h"
#include "window/clipboard.h"
#include "window/data_exchange.h"
#include "window/file_dialog.h"
#include "window/win_app.h"

namespace {

// The file dialogs: hide the read-only box, keep the current folder, the
// folder must exist (the file need not), no network button.
constexpr DWORD kBrowseFlags =
    OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_NONETWORKBUTTON;

}  // namespace

const fw::CommandMap<CDeltalensDlg>& CDeltalensDlg::Commands() {
    static const fw::CommandMap<CDeltalensDlg> commands{
        {IDC_BROWSE_MSI, &CDeltalensDlg::OnBrowseMsi},
        {IDC_BROWSE_MST, &CDeltalensDlg::OnBrowseMst},
        {IDC_APPLY, &CDeltalensDlg::OnApply},
    };
    return commands;
}

CDeltalensDlg::CDeltalensDlg(CWnd* parent)
    : CDialog(IDD_DELTALENS_DIALOG, parent), m_hIcon(fw::LoadIconResource(IDR_MAINFRAME)) {}

void CDeltalensDlg::SetStartFiles(const std::string& package, const std::string& transform) {
    start_package_ = package;
    start_transform_ = transform;
}

BOOL CDeltalensDlg::OnCommand(WPARAM wparam, LPARAM lparam) {
    return Commands().Dispatch(this, wparam) || CDialog::OnCommand(wparam, lparam);
}

void CDeltalensDlg::DoDataExchange(CDataExchange* dx) {
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_CHANGES, m_lcChanges);
}

BOOL CDeltalensDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    fw::AppendAboutItem(*this, IDS_ABOUTBOX, IDM_ABOUTBOX);
    GetDlgItem(IDC_APPLY)->EnableWindow(FALSE);
    deltalens::NameChangeColumns(m_elChanges);
    m_lcChanges.SetEntryList(&m_elChanges);
    m_lcChanges.SizeColumns(-1, nullptr);
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    if (!start_package_.empty()) {
        m_strMsiFile = start_package_;
        SetDlgItemText(IDC_MSIFILE, m_strMsiFile);
    }
    if (!start_transform_.empty()) {
        m_strMstFile = start_transform_;
        SetDlgItemText(IDC_MSTFILE, m_strMstFile);
    }
    EnableApplyWhenBothChosen();
    // Once the dialog shows, so that a failure's box stands over it.
    if (!m_strMsiFile.empty() && !m_strMstFile.empty()) PostCommand(IDC_APPLY);
    // The focus goes to the first tab stop, Exit.
    return TRUE;
}

void CDeltalensDlg::OnSysCommand(UINT id, LPARAM param) {
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
void CDeltalensDlg::OnPaint() {
    CDialog::OnPaint();
}

// Nothing asks for a drag icon on this platform; kept for callers that do.
HICON CDeltalensDlg::OnQueryDragIcon() {
    return m_hIcon;
}

bool CDeltalensDlg::BrowseFor(const char* initial_name, const char* filter, std::string& path) {
    CFileDialog dialog(TRUE, nullptr, initial_name, kBrowseFlags, filter);
    if (dialog.DoModal() != IDOK) return false;
    path = dialog.GetPathName();
    return true;
}

void CDeltalensDlg::OnBrowseMsi() {
    if (BrowseFor("*.msi", "MSI Packages|*.msi|", m_strMsiFile))
        SetDlgItemText(IDC_MSIFILE, m_strMsiFile);
    EnableApplyWhenBothChosen();
}

void CDeltalensDlg::OnBrowseMst() {
    if (BrowseFor("*.mst", "Transforms|*.mst|", m_strMstFile))
        SetDlgItemText(IDC_MSTFILE, m_strMstFile);
    EnableApplyWhenBothChosen();
}

// Never disables: once both files were chosen, Apply stays.
void CDeltalensDlg::EnableApplyWhenBothChosen() {
    if (!m_strMsiFile.empty() && !m_strMstFile.empty()) GetDlgItem(IDC_APPLY)->EnableWindow(TRUE);
}

// The list control refreshes from the emptied list at once, so that it
// holds no entry of the last run when those are destroyed. While the command
// runs the dialog takes no input and paints nothing, so the rows it hands
// over are shown by one refresh at the end (or before a message box, which
// lets the dialog paint): a fill costs the rows once, not their square.
void CDeltalensDlg::OnApply() {
    deltalens::gui::EmptyChangeList(m_elChanges, [this] { m_lcChanges.Refresh(); });
    bool refresh_pending = false;
    auto flush = [this, &refresh_pending] {
        if (refresh_pending) m_lcChanges.Refresh();
        refresh_pending = false;
    };
    const deltalens::TakeChange take_change =
        [this, &refresh_pending](const deltalens::ChangeRow& change) {
            deltalens::gui::AppendChange(m_elChanges, change);
            refresh_pending = true;
        };
    // The box's text is the command's own; the real cause, when the command
    // knows it, goes behind the box's details button.
    deltalens::gui::BoxOutcomes sink(flush);
    deltalens::ApplyTransformView(m_strMsiFile, m_strMstFile, take_change, sink);
    flush();
}

BOOL CDeltalensDlg::OnNotify(WPARAM id, const NMHDR* header, LRESULT* result) {
    if (id == IDC_CHANGES && header->code == LVN_KEYDOWN) {
        const auto* key = reinterpret_cast<const NMLVKEYDOWN*>(header);
        if (key->wVKey == 'C' && GetKeyState(VK_CONTROL) < 0) {
            CopySelectedChange();
            *result = 0;
            return TRUE;
        }
    }
    return CDialog::OnNotify(id, header, result);
}

void CDeltalensDlg::CopySelectedChange() {
    CEntry* entry = m_lcChanges.GetSelectedEntry();
    if (entry == nullptr) return;
    std::string line;
    for (int column = 0; column < m_elChanges.GetColumnCount(); ++column) {
        if (column > 0) line += '\t';
        line += cli::EscapeCell(entry->GetFieldText(column));
    }
    fw::SetClipboardText(line);
}
