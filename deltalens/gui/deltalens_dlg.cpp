#include "deltalens_dlg.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "about_dlg.h"
#include "apply_command.h"
#include "chain_command.h"
#include "box_outcomes.h"
#include "change_columns.h"
#include "change_list_file.h"
#include "change_rows.h"
#include "start_files.h"
#include "text_escape.h"
#include "transform_marks.h"
#include "viewer_window.h"
#include "window/clipboard.h"
#include "window/data_exchange.h"
#include "window/file_dialog.h"
#include "window/menu.h"
#include "window/styles.h"
#include "window/wait_cursor.h"
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
        {IDC_VIEW, &CDeltalensDlg::OnView},
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
    GetDlgItem(IDC_VIEW)->EnableWindow(FALSE);
    deltalens::NameChangeColumns(m_elChanges);
    m_lcChanges.SetEntryList(&m_elChanges);
    m_lcChanges.SizeColumns(-1, nullptr);
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);
    RememberTemplatePlaces();

    if (!start_package_.empty()) {
        m_strMsiFile = start_package_;
        SetDlgItemText(IDC_MSIFILE, m_strMsiFile);
    }
    if (!start_transform_.empty()) {
        m_strMstFile = start_transform_;
        SetDlgItemText(IDC_MSTFILE, m_strMstFile);
    }
    EnableApplyWhenBothChosen();
    DragAcceptFiles();
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

void CDeltalensDlg::RememberTemplatePlaces() {
    CRect client;
    GetClientRect(&client);
    template_cx_ = client.Width();
    template_cy_ = client.Height();
    template_places_.clear();
    for (int id : {IDCANCEL, IDC_MSIFILE, IDC_MSTFILE, IDC_BROWSE_MSI, IDC_BROWSE_MST, IDC_APPLY,
                   IDC_CHANGES, IDC_VIEW}) {
        CRect rect;
        GetDlgItem(id)->GetWindowRect(&rect);
        ScreenToClient(&rect);
        template_places_.push_back({id, rect});
    }
}

void CDeltalensDlg::OnSize(UINT type, int cx, int cy) {
    CDialog::OnSize(type, cx, cy);
    if (template_places_.empty() || type == SIZE_MINIMIZED) return;
    // Never less than the template: the window's minimum size sees to that.
    const int grow_x = std::max(0, cx - template_cx_);
    const int grow_y = std::max(0, cy - template_cy_);
    for (const Placed& placed : template_places_) {
        CRect rect = placed.rect;
        switch (placed.id) {
            case IDC_CHANGES:
                rect.right += grow_x;
                rect.bottom += grow_y;
                break;
            case IDC_MSIFILE:
            case IDC_MSTFILE:
                rect.right += grow_x;
                break;
            default:  // the buttons
                rect.left += grow_x;
                rect.right += grow_x;
                break;
        }
        GetDlgItem(placed.id)->MoveWindow(rect);
    }
    // The columns share the list's new width as they shared the first.
    m_lcChanges.SizeColumns(-1, nullptr);
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

// "*.msi" in the folder of the file chosen now, if any.
std::string CDeltalensDlg::InitialName(const std::string& chosen, const char* pattern) {
    const std::filesystem::path folder = std::filesystem::path(chosen).parent_path();
    return chosen.empty() || folder.empty() ? pattern : (folder / pattern).string();
}

void CDeltalensDlg::OnBrowseMsi() {
    if (BrowseFor(InitialName(m_strMsiFile, "*.msi").c_str(), "MSI Packages|*.msi|", m_strMsiFile))
        SetDlgItemText(IDC_MSIFILE, m_strMsiFile);
    EnableApplyWhenBothChosen();
}

// Dropped files go where the "..." buttons would put them (a transform by
// its name, anything else as the package); with both chosen, they are
// applied as the files of a start-up are.
void CDeltalensDlg::OnDropFiles(HDROP drop) {
    if (applying_) {
        DragFinish(drop);
        return;
    }
    std::vector<std::string> paths;
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFFu, nullptr, 0);
    for (UINT file = 0; file < count; ++file) {
        std::string path(DragQueryFileA(drop, file, nullptr, 0), '\0');
        DragQueryFileA(drop, file, path.data(), static_cast<UINT>(path.size() + 1));
        paths.push_back(path);
    }
    DragFinish(drop);
    const deltalens::gui::StartFiles files = deltalens::gui::StartFilesOf(paths);
    if (!files.package.empty()) {
        m_strMsiFile = files.package;
        SetDlgItemText(IDC_MSIFILE, m_strMsiFile);
    }
    if (!files.transform.empty()) {
        m_strMstFile = files.transform;
        SetDlgItemText(IDC_MSTFILE, m_strMstFile);
    }
    EnableApplyWhenBothChosen();
    if (!m_strMsiFile.empty() && !m_strMstFile.empty()) PostCommand(IDC_APPLY);
}

void CDeltalensDlg::OnBrowseMst() {
    // The initial name is the filter's own pattern list, so that the dialog
    // lists transforms and patches alike from the start.
    if (BrowseFor(InitialName(m_strMstFile, "*.mst *.msp").c_str(),
                  "Transforms and patches|*.mst;*.msp|", m_strMstFile))
        SetDlgItemText(IDC_MSTFILE, m_strMstFile);
    EnableApplyWhenBothChosen();
}

// Never disables: once both files were chosen, Apply stays.
void CDeltalensDlg::EnableApplyWhenBothChosen() {
    if (m_strMsiFile.empty() || m_strMstFile.empty()) return;
    GetDlgItem(IDC_APPLY)->EnableWindow(TRUE);
    GetDlgItem(IDC_VIEW)->EnableWindow(TRUE);
}

// The list control refreshes from the emptied list at once, so that it
// holds no entry of the last run when those are destroyed. While the command
// runs the dialog takes no input, so the rows it hands over are gathered into
// one refresh at the end, before a message box (which lets the dialog paint),
// and whenever the window is due to paint: a long listing shows how far it
// got a few times a second rather than a window that does not answer. A fill
// costs the rows a few times, not their square.
void CDeltalensDlg::OnApply() {
    // The window paints during a run, and a drop or a posted command could
    // then ask for another run while this one still fills the list.
    if (applying_) return;
    applying_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{applying_};
    CWaitCursor wait;
    using Clock = std::chrono::steady_clock;
    static constexpr auto kPaintEvery = std::chrono::milliseconds(400);
    deltalens::gui::EmptyChangeList(m_elChanges, [this] { m_lcChanges.Refresh(); });
    Clock::time_point painted = Clock::now();
    bool refresh_pending = false;
    auto flush = [this, &refresh_pending] {
        if (refresh_pending) m_lcChanges.Refresh();
        refresh_pending = false;
    };
    const deltalens::TakeChange take_change = [this, &refresh_pending, &painted,
                                               &flush](const deltalens::ChangeRow& change) {
        deltalens::gui::AppendChange(m_elChanges, change);
        refresh_pending = true;
        if (Clock::now() - painted < kPaintEvery) return;
        flush();
        fw::PaintWaitingWindows();
        painted = Clock::now();
    };
    // The box's text is the command's own; the real cause, when the command
    // knows it, goes behind the box's details button.
    viewer::BoxOutcomes sink(flush);
    // A patch lists the pairs of it that fit, in the same five columns.
    const deltalens::ChainSettings chain{m_strMsiFile, {m_strMstFile}, {}};
    if (deltalens::ListsUnits(chain))
        deltalens::ListTransformChainInColumns(chain, take_change, sink);
    else
        deltalens::ApplyTransformView(m_strMsiFile, m_strMstFile, take_change, sink);
    flush();
    // The new listing shows from its first row, whatever was scrolled to
    // before.
    if (m_lcChanges.GetItemCount() > 0) m_lcChanges.EnsureVisible(0, FALSE);
}

void CDeltalensDlg::OnView() {
    if (m_strMsiFile.empty() || m_strMstFile.empty()) return;
    viewer::ViewRequest request;
    request.package = m_strMsiFile;
    request.transforms = {m_strMstFile};
    request.make_marks = viewer::MakeTransformMarks;
    if (CEntry* entry = m_lcChanges.GetSelectedEntry()) {
        // Fields 0 and 2 of a change: Table and Row.
        request.table = entry->GetFieldText(0);
        request.row_key = deltalens::gui::RowKeyCells(entry->GetFieldText(2));
    }
    CWaitCursor wait;
    viewer::BoxOutcomes sink;
    viewer::ShowViewer(request, sink);
}

BOOL CDeltalensDlg::OnNotify(WPARAM id, const NMHDR* header, LRESULT* result) {
    // A double-click on a change is View on it; the list gives a double-click
    // no meaning of its own.
    if (id == IDC_CHANGES && header->code == NM_DBLCLK) {
        const auto& click = *reinterpret_cast<const NMITEMACTIVATE*>(header);
        if (click.iItem >= 0) OnView();
        *result = 0;
        return TRUE;
    }
    if (id == IDC_CHANGES && header->code == NM_RCLICK) {
        ShowRowMenu(*reinterpret_cast<const NMITEMACTIVATE*>(header));
        *result = 1;
        return TRUE;
    }
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

void CDeltalensDlg::ShowRowMenu(const NMITEMACTIVATE& click) {
    // The row clicked is the row the menu is about.
    m_lcChanges.SetItemState(click.iItem, LVIS_SELECTED | LVIS_FOCUSED,
                             LVIS_SELECTED | LVIS_FOCUSED);
    CMenu menu;
    menu.AppendMenu(MF_STRING, ID_EDIT_COPY, "&Copy\tCtrl+C");
    menu.AppendMenu(MF_STRING, ID_COPY_ALL, "Copy &All");
    menu.AppendMenu(MF_SEPARATOR);
    menu.AppendMenu(MF_STRING, ID_SAVE_LIST, "&Save List As...");
    POINT where = click.ptAction;
    m_lcChanges.ClientToScreen(&where);
    switch (menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, where.x, where.y,
                                this)) {
        case ID_EDIT_COPY:
            CopySelectedChange();
            break;
        case ID_COPY_ALL:
            fw::SetClipboardText(deltalens::gui::ChangeListText(m_elChanges));
            break;
        case ID_SAVE_LIST:
            SaveListAs();
            break;
        default:
            break;
    }
}

void CDeltalensDlg::SaveListAs() {
    CFileDialog dialog(FALSE, "tsv", "changes.tsv",
                       OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST,
                       "Tab-separated values|*.tsv|Comma-separated values|*.csv|JSON|*.json|");
    if (dialog.DoModal() != IDOK) return;
    std::string error;
    if (!deltalens::gui::SaveChangeList(m_elChanges, dialog.GetPathName(), error))
        fw::MessageBoxWithDetail("The list could not be saved.", MB_ICONSTOP, error);
}
