// Reads the rows of a text archive into a table of a database, after
// ReadArchiveHeader has read the three header lines.
//
// Rules:
//  1. A table that does not exist is created from the headers; one that
//     exists is replaced by the archive's table (schema and rows). The
//     installer's documentation describes widening a column by exporting,
//     editing the type and importing again, which only works if the
//     archive's schema wins. Wine instead empties the old table and keeps
//     its schema.
//  2. Nothing changes unless the whole file reads cleanly: rows, numbers,
//     field counts, keys and stream files are all checked before the old
//     table is touched. (Strings may have been added to the pool; a commit
//     drops those no cell uses.)
//  3. Rows keep the archive's order (db::Table::Append), so export, import
//     and export again give the same file.
//  4. Text is converted from the code page on line 3 to the database's; a
//     neutral database takes the file's code page instead.
//  5. A binary cell names a file in the folder named after the archive file
//     without its extension (`Binary.idt` -> `Binary/`, which is the table's
//     name for every archive exported here): a cell that is not a plain file
//     name, a symbolic link, or anything but a regular file is refused, so
//     an archive cannot make import read outside that folder.
//  6. _Streams rows add or replace streams of the database; _Tables,
//     _Columns and _Storages cannot be imported (the catalog follows from
//     the tables themselves).
#pragma once

#include <string>

#include "common/status.h"
#include "storage/folder.h"
#include "db/database.h"
#include "idt/archive_header.h"
#include "idt/text_source.h"

namespace msi::idt {

// Where the files of binary cells are (rule 5): the folder `name` in
// `parent`, called `shown` in messages.
struct StreamFolder {
    storage::Folder parent;
    std::string name;
    std::string shown;
};

Status ImportTable(db::Database& db, const ArchiveHeader& header, TextSource& source,
                   const StreamFolder& stream_folder);

}  // namespace msi::idt
