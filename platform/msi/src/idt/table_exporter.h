// Writes one table of a database as a text archive file (archive_header.h
// has the layout), with the streams of binary cells as files in a sub-folder
// named after the table (binary_file_names.h).
//
// Invariants:
//  1. The .idt file appears complete or not at all: it is written to a new
//     file beside the target and renamed over it (storage::AtomicFile). A
//     failure leaves no .idt file; stream files already written stay.
//  2. Nothing is written outside `folder` and `folder/<Table>`: the table
//     name must be a plain file name to get a sub-folder, the sub-folder may
//     not be a symbolic link, and stream file names are made safe.
//  3. Cells are the bytes the string pool holds, in the database's code
//     page; line 3 starts with that code page when any of them (or a name)
//     is not ASCII and the database has a code page.
#pragma once

#include <string>

#include "common/status.h"
#include "db/database.h"

namespace msi::idt {

// `path` is the .idt file to write; `folder` the folder that gets the
// binary sub-folder. Works for user tables and for _Tables, _Columns,
// _Streams and _Storages.
Status ExportTable(db::Database& db, const std::string& table, const std::string& folder,
                   const std::string& path);

// Writes `text` to `path` through a temporary file and a rename.
Status WriteFileAtomically(const std::string& path, std::string_view text);

}  // namespace msi::idt
