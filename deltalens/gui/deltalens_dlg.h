// CDeltalensDlg: Deltalens's main dialog. The user chooses a package and a
// transform with the two "..." buttons and presses Apply to list the
// transform's changes (the same Apply command as deltalens-cli's,
// apply_command.h). The fields only show the chosen paths: what is typed
// into them is not used. Apply is enabled once both files were chosen and
// stays enabled. Ctrl+C in the list copies the selected change as a line of
// tab-separated cells, as deltalens-cli --format tsv prints it. A right click
// on a change opens its menu: Copy (as Ctrl+C), Copy All (every change with
// the column names) and Save List As... (tsv or json, by the file's type).
#pragma once

#include <string>
#include <vector>

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
    // A larger window gives the room to the list and the two fields; the
    // buttons keep to the right edge.
    void OnSize(UINT type, int cx, int cy) override;
    void OnDropFiles(HDROP drop) override;

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
    // Opens the package viewer with the transform's changes marked, at the
    // table and row of the selected change.
    void OnView();

    HICON m_hIcon;

  private:
    static const fw::CommandMap<CDeltalensDlg>& Commands();
    // The file dialog of one "..." button; true with `path` set when chosen.
    static bool BrowseFor(const char* initial_name, const char* filter, std::string& path);
    static std::string InitialName(const std::string& chosen, const char* pattern);
    void EnableApplyWhenBothChosen();
    void RememberTemplatePlaces();
    void CopySelectedChange();
    void ShowRowMenu(const NMITEMACTIVATE& click);
    void SaveListAs();

    std::string start_package_;
    std::string start_transform_;
    // The client size and the controls' places at the template's size, where
    // OnSize measures from; empty until the dialog is initialised.
    struct Placed {
        int id;
        CRect rect;
    };
    std::vector<Placed> template_places_;
    // True while Apply runs.
    bool applying_ = false;
    int template_cx_ = 0;
    int template_cy_ = 0;
};
