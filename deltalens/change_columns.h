// The five columns of the viewer's change list: one column per field of a
// _TransformView row, in the order the table holds them.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

class CEntryList;

namespace deltalens {

inline constexpr int kChangeColumnCount = 5;
inline constexpr std::array<const char*, kChangeColumnCount> kChangeColumnNames = {
    "Table", "Column", "Row", "Data", "Current"};

// One change: the texts of fields 0 to 4 of a _TransformView row, in the
// order of the names above (a null field is an empty text).
using ChangeRow = std::vector<std::string>;
// Receives each change as the command reads it, in the installer's order;
// the row is only valid during the call. The dialog makes list entries of
// them, the command line prints them.
using TakeChange = std::function<void(const ChangeRow& change)>;

// Names columns 0 to 4 of `changes` as above; its column count becomes 5.
// The dialog does this once at start-up, the CLI before its Apply.
void NameChangeColumns(CEntryList& changes);

}  // namespace deltalens
