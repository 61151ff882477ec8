// The dialog's change rows. The Apply command hands over plain rows; here
// they become the entries of the dialog's CEntryList (one CStringArrayEntry
// per change), which the list control shows with each entry as its item's
// data. So the list control must have let go of an entry before the entry
// is destroyed: EmptyChangeList is the one place that empties the list, and
// it keeps that order.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "change_columns.h"

class CEntryList;

namespace deltalens::gui {

// Takes every entry out of `changes`, runs `let_go` (the list control
// refreshes from the emptied list and so drops its items), and only then
// destroys the entries the list owned; an entry listed twice is destroyed
// once.
void EmptyChangeList(CEntryList& changes, const std::function<void()>& let_go);

// Appends `change` as a new entry of `changes`, which owns it; an entry the
// list refuses is destroyed at once.
void AppendChange(CEntryList& changes, const ChangeRow& change);

// The key cells of a change's Row text, as the viewer names a row: the
// installer joins them with tabs and writes a null key as one blank.
std::vector<std::string> RowKeyCells(const std::string& row);

}  // namespace deltalens::gui
