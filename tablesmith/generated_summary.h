// The summary information of a generated package: the revision number
// (package code, 9) and template (platform and languages, 7) of the source
// package, the minimum installer version 110 (14) and a credit line (6).
#pragma once

#include <optional>
#include <string>

#include "msi.h"

namespace tablesmith {

struct SourceSummary {
    // Empty when the source lacks the property, or holds a value of 256
    // characters or more: a cut package code would name another package,
    // so such a value is left out rather than shortened.
    std::optional<std::string> revision_number;
    std::optional<std::string> template_text;
};

// Reads properties 9 and 7 of the package at `msi_file`; false when its
// summary information cannot be opened.
bool ReadSourceSummary(const std::string& msi_file, SourceSummary& summary);

// Writes the four properties, in the order 9, 7, 14, 6, into the open
// database and persists them; false when the summary information cannot be
// opened for writing or a write fails. The database is not committed here.
bool WriteGeneratedSummary(MSIHANDLE database, const SourceSummary& summary);

}  // namespace tablesmith
