// The five columns of the viewer's change list: one column per field of a
// _TransformView row, in the order the table holds them.
#pragma once

#include <array>

class CEntryList;

namespace deltalens {

inline constexpr int kChangeColumnCount = 5;
inline constexpr std::array<const char*, kChangeColumnCount> kChangeColumnNames = {
    "Table", "Column", "Row", "Data", "Current"};

// Names columns 0 to 4 of `changes` as above; its column count becomes 5.
// The dialog does this once at start-up, the CLI before its Apply.
void NameChangeColumns(CEntryList& changes);

}  // namespace deltalens
