// CTablesmithDlg: Tablesmith's main dialog. The user chooses a package with
// "...", sees its tables, and runs Export, Generate or Exit. The commands
// themselves are the same as the command line's (export_command.h,
// generate_command.h); the dialog adds only what the user sees and the
// rules that enable its controls:
//   - at start Export, Generate and "Only CAB File(s)" are disabled and the
//     count shows ".";
//   - choosing a package (even one that does not open) fills the table list
//     and the count and enables Export and Generate for good;
//   - "Only CAB File(s)" is enabled exactly while "Export CAB File(s)" is
//     ticked, and clearing the latter clears the former;
//   - the table list is disabled while "Export ALL MSI Tables" is ticked.
#pragma once

#include <string>
#include <vector>

#include "resource.h"
#include "window/controls.h"
#include "window/dialog.h"

class CTablesmithDlg : public CDialog {
  public:
    explicit CTablesmithDlg(CWnd* parent = nullptr);

    // A package to choose as "..." would, once the dialog is up.
    void SetStartPackage(const std::string& path) { start_package_ = path; }

    BOOL OnCommand(WPARAM wparam, LPARAM lparam) override;
    void OnSysCommand(UINT id, LPARAM param) override;
    // A dropped file is chosen as "..." would choose it.
    void OnDropFiles(HDROP drop) override;

    // Exchanged with the controls, in this order (DoDataExchange).
    CComboBox m_cbTables;
    int m_bExportAll = FALSE;
    std::string m_strMsiFile;
    int m_bExportCab = FALSE;
    int m_bOnlyCab = FALSE;

  protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnPaint() override;
    HICON OnQueryDragIcon();

    void OnBrowse();
    void OnExport();
    void OnExportCab();
    void OnExportAll();
    void OnGenerate();
    // Opens the package viewer on the chosen package at the combo box's table.
    void OnView();

    HICON m_hIcon;

  private:
    static const fw::CommandMap<CTablesmithDlg>& Commands();
    // Browse after the file dialog: the path, the table list, the count, the
    // buttons, and the members shown again.
    void ChoosePackage(const std::string& path);
    std::vector<std::string> ListedTables() const;

    std::string start_package_;
};
