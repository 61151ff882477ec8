// CFileDialog: the file-open dialog.
//
// The filter is the platform's: pairs of "description|patterns|", patterns
// separated by ';' ("MSI Packages|*.msi|"). An initial name with a wildcard
// ("*.msi") narrows the listing instead of being preselected; with a folder
// ("/home/me/*.msi") the dialog opens in that folder. Without
// OFN_FILEMUSTEXIST a name that does not exist is accepted; with
// OFN_PATHMUSTEXIST its folder must exist, or the user is told and asked
// again. The chosen path is absolute. The other flags concern the
// platform's own dialog and are accepted and ignored.
#pragma once

#include <string>
#include <vector>

#include "window/window_types.h"

class CWnd;

#define OFN_READONLY 0x00000001u
#define OFN_OVERWRITEPROMPT 0x00000002u
#define OFN_HIDEREADONLY 0x00000004u
#define OFN_NOCHANGEDIR 0x00000008u
#define OFN_PATHMUSTEXIST 0x00000800u
#define OFN_FILEMUSTEXIST 0x00001000u
#define OFN_NONETWORKBUTTON 0x00020000u

class CFileDialog {
  public:
    CFileDialog(BOOL open_file_dialog, const char* default_ext = nullptr,
                const char* file_name = nullptr,
                DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, const char* filter = nullptr,
                CWnd* parent = nullptr);
    virtual ~CFileDialog() = default;

    // IDOK with a path chosen, IDCANCEL when the user cancelled.
    virtual INT_PTR DoModal();
    // The chosen path; "" before DoModal returned IDOK.
    std::string GetPathName() const { return path_; }

  private:
    BOOL open_;
    std::string default_ext_;
    std::string file_name_;
    DWORD flags_;
    std::string filter_;
    CWnd* parent_;
    std::string path_;
};

namespace fw {

// "MSI Packages|*.msi|" as Qt's name filters: {"MSI Packages (*.msi)"}.
std::vector<std::string> QtNameFilters(const std::string& filter);

}  // namespace fw
