#include "tablesmith_resources.h"

#include "core/message_box.h"
#include "resource.h"
#include "tablesmith_version.h"
#include "window/styles.h"

namespace tablesmith::gui {

namespace {

using fw::ControlKind;
using fw::kStaticId;

constexpr unsigned kMainFrame = DS_MODALFRAME | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr unsigned kAboutFrame = DS_MODALFRAME | WS_CAPTION | WS_SYSMENU;

fw::DialogTemplate MainDialog() {
    return {
        "Tablesmith",
        314,
        141,
        kMainFrame,
        {
            {kStaticId, ControlKind::kStatic, "MSI File:", 13, 17, 28, 8},
            {IDC_MSIFILE, ControlKind::kEdit, "", 48, 15, 236, 13,
             WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP},
            {IDC_BROWSE, ControlKind::kPushButton, "...", 286, 15, 14, 13, WS_TABSTOP},
            {kStaticId, ControlKind::kGroupBox, "", 7, 7, 300, 25},
            {kStaticId, ControlKind::kGroupBox, "Export Settings", 7, 36, 300, 49},
            {kStaticId, ControlKind::kStatic, "Table:", 13, 49, 25, 10},
            {IDC_TABLES, ControlKind::kComboBox, "", 48, 47, 198, 78,
             CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP},
            {IDOK, ControlKind::kDefPushButton, "Export", 252, 47, 50, 14, WS_TABSTOP},
            {IDC_EXPORT_ALL, ControlKind::kAutoCheckBox, "Export ALL MSI Tables", 48, 63, 171, 10,
             WS_TABSTOP},
            {IDC_TABLE_COUNT, ControlKind::kStatic, ".", 190, 64, 62, 8},
            {IDC_EXPORT_CAB, ControlKind::kAutoCheckBox, "Export CAB File(s) from Datastream", 48,
             73, 125, 10, WS_TABSTOP},
            {IDC_ONLY_CAB, ControlKind::kAutoCheckBox, "Only CAB File(s)", 182, 73, 70, 10,
             WS_TABSTOP},
            {kStaticId, ControlKind::kGroupBox, "Import and Creation", 7, 90, 300, 26},
            {IDC_GENERATE, ControlKind::kDefPushButton, "Generate", 252, 97, 50, 14, WS_TABSTOP},
            {kStaticId, ControlKind::kStatic,
             "Click to create a new MSI file with a external CAB file. Export all first!", 13, 102,
             232, 8},
            {IDCANCEL, ControlKind::kPushButton, "Exit", 252, 120, 50, 14, WS_TABSTOP},
            // Joins below Export in the free corner of the group; last in the
            // list so the other controls keep their places and tab order.
            {IDC_VIEW, ControlKind::kPushButton, "View...", 252, 66, 50, 14, WS_TABSTOP},
        },
    };
}

fw::DialogTemplate AboutBox() {
    return {
        "Info about Tablesmith",
        232,
        57,
        kAboutFrame,
        {
            {kStaticId, ControlKind::kIcon, "", 14, 15, 20, 20, 0, IDR_MAINFRAME},
            {kStaticId, ControlKind::kStatic, tablesmith::kAboutVersionText, 49, 12, 86, 8},
            {kStaticId, ControlKind::kStatic, "Made by the Tablesmith developers", 49, 20, 126, 11},
            {kStaticId, ControlKind::kStatic, "Free to use, with no warranty.", 49, 35, 126, 11},
            {IDOK, ControlKind::kDefPushButton, "OK", 193, 7, 32, 14, WS_TABSTOP},
        },
    };
}

fw::ResourceTable MakeResources() {
    fw::ResourceTable table;
    table.dialogs[IDD_TABLESMITH_DIALOG] = MainDialog();
    table.dialogs[IDD_ABOUTBOX] = AboutBox();
    table.strings[IDS_ABOUTBOX] = "Inf&ormation...";
    table.icons[IDR_MAINFRAME] = fw::IconImages(":/tablesmith/icons/tablesmith-");
    table.version = {kFileVersion, kFileVersion, kVersionComment};
    return table;
}

}  // namespace

const fw::ResourceTable& Resources() {
    static const fw::ResourceTable table = MakeResources();
    return table;
}

}  // namespace tablesmith::gui
