// Export and import of text archive (.idt) files: what MsiDatabaseExportA and
// MsiDatabaseImportA do once the handle is resolved. The layout of a file is
// in archive_header.h; the parts live in table_exporter.h, table_importer.h
// and summary_archive.h.
//
// Pseudo tables beside the ordinary ones:
//   _ForceCodepage       "\r\n\r\n<code page>\t_ForceCodepage\r\n"; import sets
//                        the pool's code page without converting strings.
//   _SummaryInformation  the summary information stream, one row per property.
#pragma once

#include <string>

#include "common/status.h"
#include "db/database.h"
#include "storage/folder.h"

namespace msi::idt {

// Why an export or import failed, for the interface's result codes.
enum class ArchiveFailure {
    kNone,
    kBadPath,       // the folder does not exist, or the file name is not a plain name
    kUnknownTable,  // export of a table the database does not have
    kFailed,        // anything else: unreadable or malformed file, write error
};

// Writes `table` to `folder/file`.
Status ExportArchive(db::Database& db, const std::string& table, const std::string& folder,
                     const std::string& file, ArchiveFailure* failure = nullptr);
// Reads `folder/file` into the database.
Status ImportArchive(db::Database& db, const std::string& folder, const std::string& file,
                     ArchiveFailure* failure = nullptr);

// The same within a folder that is already open: `folder` is where every
// file (and the sub-folder of binary cells) is read or written, whatever
// its path names meanwhile; `shown` is what messages call it.
Status ExportArchive(db::Database& db, const std::string& table, const storage::Folder& folder,
                     const std::string& file, ArchiveFailure* failure = nullptr);
Status ImportArchive(db::Database& db, const storage::Folder& folder, const std::string& shown,
                     const std::string& file, ArchiveFailure* failure = nullptr);

}  // namespace msi::idt
