// A program's resources: its dialog templates, string table and icons, each
// found by number as in a resource file. The program hands its table to the
// framework once (its application object does, before anything is shown).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "window/dialog_template.h"

namespace fw {

// The version resource: what the program says of itself.
struct VersionResource {
    std::string file_version;     // "1.0.2.0"
    std::string product_version;  // "1.0.2.0"
    std::string comments;
};

struct ResourceTable {
    std::map<int, DialogTemplate> dialogs;
    std::map<int, std::string> strings;
    // The images of one icon at several sizes: Qt resource paths (":/...").
    std::map<int, std::vector<std::string>> icons;
    VersionResource version;
};

// The images of an icon drawn at the sizes a desktop asks for: the paths
// `prefix` + size + ".png" for 16, 24, 32, 48, 64, 128 and 256 pixels.
std::vector<std::string> IconImages(const std::string& prefix);

// The table that lookups use from now on; it must outlive its use.
void UseResources(const ResourceTable* table);

// nullptr for an unknown template.
const DialogTemplate* FindDialogTemplate(int id);
// "" for an unknown string.
std::string LoadResourceString(int id);
// The version resource; empty fields without a table.
VersionResource LoadVersionResource();

// An icon loaded from the table: a handle that stays valid for the run.
struct IconHandle;

}  // namespace fw

using HICON = const fw::IconHandle*;

namespace fw {

// nullptr for an unknown icon.
HICON LoadIconResource(int id);

}  // namespace fw
