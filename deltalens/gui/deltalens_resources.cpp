#include "deltalens_resources.h"

#include "core/message_box.h"
#include "resource.h"
#include "deltalens_version.h"
#include "window/styles.h"

namespace deltalens::gui {

namespace {

using fw::ControlKind;
using fw::kStaticId;

fw::DialogTemplate MainDialog() {
    constexpr unsigned kField = WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP;
    return {
        "Deltalens",
        303,
        143,
        // Larger than the template, the list shows more of a long listing.
        DS_MODALFRAME | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME,
        {
            {IDCANCEL, ControlKind::kPushButton, "Exit", 246, 23, 50, 14, WS_TABSTOP},
            {IDC_MSIFILE, ControlKind::kEdit, "", 7, 16, 215, 14, kField},
            {IDC_MSTFILE, ControlKind::kEdit, "", 7, 42, 215, 14, kField},
            {kStaticId, ControlKind::kStatic, "MSI File:", 7, 7, 87, 9},
            {kStaticId, ControlKind::kStatic, "Transform File:", 7, 33, 87, 9},
            {IDC_BROWSE_MSI, ControlKind::kPushButton, "...", 222, 16, 15, 14, WS_TABSTOP},
            {IDC_BROWSE_MST, ControlKind::kPushButton, "...", 222, 42, 15, 14, WS_TABSTOP},
            {IDC_APPLY, ControlKind::kDefPushButton, "Apply", 246, 7, 50, 14, WS_TABSTOP},
            // Joins the buttons' column in the room left below Exit.
            {IDC_VIEW, ControlKind::kPushButton, "View...", 246, 42, 50, 14, WS_TABSTOP},
            {IDC_CHANGES, ControlKind::kListView, "", 7, 62, 289, 74,
             LVS_REPORT | LVS_SINGLESEL | LVS_NOSORTHEADER | WS_BORDER | WS_TABSTOP},
        },
    };
}

fw::DialogTemplate AboutBox() {
    return {
        "Info about Deltalens",
        217,
        55,
        DS_MODALFRAME | WS_CAPTION | WS_SYSMENU,
        {
            {kStaticId, ControlKind::kIcon, "", 15, 16, 20, 20, 0, IDR_MAINFRAME},
            {kStaticId, ControlKind::kStatic, deltalens::kAboutVersionText, 46, 11, 119, 8},
            {IDOK, ControlKind::kDefPushButton, "OK", 178, 4, 32, 14, WS_TABSTOP},
        },
    };
}

fw::ResourceTable MakeResources() {
    fw::ResourceTable table;
    table.dialogs[IDD_DELTALENS_DIALOG] = MainDialog();
    table.dialogs[IDD_ABOUTBOX] = AboutBox();
    table.strings[IDS_ABOUTBOX] = "Inf&ormation...";
    table.icons[IDR_MAINFRAME] = fw::IconImages(":/deltalens/icons/deltalens-");
    return table;
}

}  // namespace

const fw::ResourceTable& Resources() {
    static const fw::ResourceTable table = MakeResources();
    return table;
}

}  // namespace deltalens::gui
