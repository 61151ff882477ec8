// The change list as the row menu hands it out: as text for the clipboard
// (Copy All) and as a file (Save List As...), written by deltalens-cli's own
// writers, so that a saved list reads exactly as the command line prints it.
#pragma once

#include <string>

#include "row_writer.h"

class CEntryList;

namespace deltalens::gui {

// Tab-separated values: the column names, then one line per change.
std::string ChangeListText(const CEntryList& list);

// The format a file's name asks for: json for ".json", csv for ".csv", else tsv.
::cli::OutputFormat FormatOfFile(const std::string& path);

// Writes the changes to `path` in the format its name asks for. The text
// goes to a new file in the same folder, which replaces `path` only once it
// is complete: a failure leaves what was there. False, with the reason in
// `error`, when the file could not be written.
bool SaveChangeList(const CEntryList& list, const std::string& path, std::string& error);

}  // namespace deltalens::gui
