// A dialog with one control of each kind, for the framework's own tests.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "window/controls.h"
#include "window/data_exchange.h"
#include "window/dialog.h"
#include "window/list_ctrl.h"
#include "window/resources.h"

namespace window_test {

enum : int {
    kTestDialog = 200,
    kPlainDialog = 201,
    kTightDialog = 202,
    kCrampedDialog = 203,
    kEditId = 1000,
    kCheckId = 1001,
    kComboId = 1002,
    kButtonId = 1003,
    kListId = 1004,
    kSortedListId = 1005,
    kDefaultId = 3,
    kIconId = 128,
};

// The resources of the test dialogs; icon 128 is a picture written once for
// the test program (and removed when it ends).
const fw::ResourceTable& TestResources();

// Template 200: an edit, a check box, a sorted combo, two buttons (3 is the
// default), a list view without sort header and one with, a group box drawn
// over the edit and a label.
class TestDialog : public CDialog {
  public:
    explicit TestDialog(UINT template_id = kTestDialog) : CDialog(template_id) {}

    BOOL OnCommand(WPARAM wparam, LPARAM lparam) override;
    void OnSysCommand(UINT id, LPARAM param) override;
    BOOL OnNotify(WPARAM id, const NMHDR* header, LRESULT* result) override;

    std::string m_strText;
    int m_bCheck = 0;
    CComboBox m_cbChoice;
    // What reached the dialog, in order: the ids of the clicks, keys and
    // menu items (BN_CLICKED), and every command as {id, notification code}.
    std::vector<int> commands;
    std::vector<std::pair<int, int>> command_codes;
    std::vector<UINT> system_commands;
    std::vector<int> notifications;

  protected:
    void DoDataExchange(CDataExchange* dx) override;
};

// Installs the test resources for as long as it lives.
class TestResourcesScope {
  public:
    TestResourcesScope() { fw::UseResources(&TestResources()); }
    ~TestResourcesScope() { fw::UseResources(nullptr); }
};

}  // namespace window_test
