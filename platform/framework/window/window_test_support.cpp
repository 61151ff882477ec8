#include "window/window_test_support.h"

#include <QImage>
#include <filesystem>
#include <unistd.h>

#include "window/styles.h"

namespace window_test {

namespace {

// A picture for icon 128 in a folder of the test program's own.
class IconFile {
  public:
    IconFile()
        : folder_(std::filesystem::temp_directory_path() /
                  ("window-test-" + std::to_string(getpid()))) {
        std::filesystem::create_directories(folder_);
        QImage image(32, 32, QImage::Format_ARGB32);
        image.fill(Qt::darkCyan);
        image.save(QString::fromStdString(path()));
    }
    ~IconFile() {
        std::error_code error;
        std::filesystem::remove_all(folder_, error);
    }
    std::string path() const { return (folder_ / "icon.png").string(); }

  private:
    std::filesystem::path folder_;
};

fw::ResourceTable MakeTestResources(const std::string& icon_file) {
    using fw::ControlKind;
    fw::ResourceTable table;
    table.dialogs[kTestDialog] = {
        "Test Dialog",
        200,
        120,
        DS_MODALFRAME | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
        {
            {fw::kStaticId, ControlKind::kStatic, "Name:", 7, 9, 30, 8},
            {kEditId, ControlKind::kEdit, "", 40, 7, 100, 13,
             WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP},
            {fw::kStaticId, ControlKind::kGroupBox, "Frame", 2, 2, 196, 24},
            {kCheckId, ControlKind::kAutoCheckBox, "&Check", 7, 30, 60, 10, WS_TABSTOP},
            {kComboId, ControlKind::kComboBox, "", 70, 28, 70, 60,
             CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP},
            {kButtonId, ControlKind::kPushButton, "&Button", 145, 7, 50, 14, WS_TABSTOP},
            {kDefaultId, ControlKind::kDefPushButton, "&Default", 145, 27, 50, 14, WS_TABSTOP},
            {IDCANCEL, ControlKind::kPushButton, "Cancel", 145, 45, 50, 14, WS_TABSTOP},
            {kListId, ControlKind::kListView, "", 7, 45, 65, 70,
             LVS_REPORT | LVS_SINGLESEL | LVS_NOSORTHEADER | WS_BORDER | WS_TABSTOP},
            {kSortedListId, ControlKind::kListView, "", 75, 62, 120, 53,
             LVS_REPORT | LVS_SINGLESEL | WS_BORDER | WS_TABSTOP},
        },
    };
    table.dialogs[kPlainDialog] = {
        "Plain",
        100,
        40,
        DS_MODALFRAME | WS_CAPTION | WS_SYSMENU,
        {
            {fw::kStaticId, ControlKind::kIcon, "", 5, 5, 20, 20, 0, kIconId},
            {fw::kStaticId, ControlKind::kStatic, "A plain box", 30, 8, 60, 8},
            {IDOK, ControlKind::kDefPushButton, "OK", 55, 22, 40, 14, WS_TABSTOP},
        },
    };
    // A label a little too long for its box in most fonts, and one far too long
    // (with a maximise box).
    table.dialogs[kTightDialog] = {
        "Tight",
        100,
        30,
        DS_MODALFRAME | WS_CAPTION | WS_SYSMENU,
        {{fw::kStaticId, ControlKind::kStatic, "Wider than it is", 5, 5, 40, 8}},
    };
    table.dialogs[kCrampedDialog] = {
        "Cramped",
        100,
        30,
        DS_MODALFRAME | WS_CAPTION | WS_SYSMENU | WS_MAXIMIZEBOX,
        {{fw::kStaticId, ControlKind::kStatic, "A text that could never fit in so small a box", 5,
          5, 20, 8}},
    };
    table.strings[101] = "Inf&ormation...";
    table.icons[kIconId] = {icon_file};
    return table;
}

}  // namespace

const fw::ResourceTable& TestResources() {
    static const IconFile icon;
    static const fw::ResourceTable table = MakeTestResources(icon.path());
    return table;
}

BOOL TestDialog::OnCommand(WPARAM wparam, LPARAM lparam) {
    if (HIWORD(wparam) == BN_CLICKED) commands.push_back(LOWORD(wparam));
    command_codes.emplace_back(LOWORD(wparam), HIWORD(wparam));
    return CDialog::OnCommand(wparam, lparam);
}

void TestDialog::OnSysCommand(UINT id, LPARAM param) {
    system_commands.push_back(id);
    CDialog::OnSysCommand(id, param);
}

BOOL TestDialog::OnNotify(WPARAM /*id*/, const NMHDR* header, LRESULT* /*result*/) {
    notifications.push_back(header->code);
    return FALSE;
}

void TestDialog::DoDataExchange(CDataExchange* dx) {
    if (GetDlgItem(kComboId) == nullptr) return;  // the plain dialog exchanges nothing
    DDX_Control(dx, kComboId, m_cbChoice);
    DDX_Check(dx, kCheckId, m_bCheck);
    DDX_Text(dx, kEditId, m_strText);
}

}  // namespace window_test
