// CDeltalensDlg: Deltalens's main dialog. The user chooses a package and a
// transform with the two "..." buttons and presses Apply to list the
// transform's changes (the same Apply command as deltalens-cli's,
// apply_command.h). The fields only show the chosen paths: what is typed
// into them is not used. Apply is enabled once both files were chosen and
// stays enabled. Ctrl+C in the list copies the selected change as a line of
// tab-separated cells, as deltalens-cli --format tsv prints it.
#pragma once

#include <string>

#include "entry_list.h"
#include "resource.h"
#include "sort_list_ctrl.h"
#include "window/dialog.h"

class CDeltalensDlg : public CDialog {
  public:
    explicit CDeltalensDlg(CWnd* parent = nullptr);

    // The files to take as chosen once the dialog is up; with both, Apply
    // runs as soon as the dialog shows.
    void SetStartFiles(const std::string& package, const std::string& transform);

    BOOL OnCommand(WPARAM wparam, LPARAM lparam) override;
    void OnSysCommand(UINT id, LPARAM param) override;
    BOOL OnNotify(WPARAM id, const NMHDR* header, LRESULT* result) override;

    CSortListCtrl m_lcChanges;
    CEntryList m_elChanges{10};
    std::string m_strMsiFile;
    std::string m_strMstFile;

  protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnPaint() override;
    HICON OnQueryDragIcon();

    void OnBrowseMsi();
    void OnBrowseMst();
    void OnApply();

    HICON m_hIcon;

  private:
    static const fw::CommandMap<CDeltalensDlg>& Commands();
    // The file dialog of one "..." button; true with `path` set when chosen.
    static bool BrowseFor(const char* initial_name, const char* filter, std::string& path);
    void EnableApplyWhenBothChosen();
    void CopySelectedChange();

    std::string start_package_;
    std::string start_transform_;
};
