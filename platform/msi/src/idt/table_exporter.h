// Writes one table of a database as a text archive file (archive_header.h
// has the layout), with the streams of binary cells as files in a sub-folder
// named after the table (binary_file_names.h).
//
// Invariants:
//  1. The .idt file appears complete or not at all: it is written to a new
//     file beside the target and renamed over it (storage::AtomicFile). A
//     failure leaves no .idt file; stream files already written stay.
//  2. Nothing is written outside `folder` and `folder/<Table>`: every file
//     is made relative to the folder's descriptor (storage::Folder), the
//     table name must be a plain file name to get a sub-folder, the
//     sub-folder may not be a symbolic link, and stream file names are made
//     safe.
//  3. Cells are the bytes the string pool holds, in the database's code
//     page; line 3 starts with that code page when any of them (or a name)
//     is not ASCII and the database has a code page.
#pragma once

#include <string>

#include "common/status.h"
#include "db/database.h"
#include "storage/folder.h"

namespace msi::idt {

// `file` is the name of the .idt file to write in `folder`, which also gets
// the binary sub-folder. Works for user tables and for _Tables, _Columns,
// _Streams and _Storages.
Status ExportTable(db::Database& db, const std::string& table, const storage::Folder& folder,
                   const std::string& file);

// Writes `text` to `file` in `folder` through a temporary file and a rename.
Status WriteFileAtomically(const storage::Folder& folder, const std::string& file,
                           std::string_view text);

}  // namespace msi::idt
