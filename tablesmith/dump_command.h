// Dump: every table of a package (or those named) at once, machine-readable.
// Tables come in the table list's order, rows sorted by their key (then by
// their other cells), so that dumps of equal tables are equal.
//
//   json  one document on `out`: {"tables": [{"name", "columns": [{"name",
//         "type", "key", "nullable"}], "rows": [{column: value}]}]}; an
//         integer cell is a number, a null cell null, a binary cell
//         {"size": N}, with its bytes as "base64" beside the size when
//         `streams` is set
//   csv   one file TABLE.csv a table in the folder (RFC 4180, the column
//         names first); a binary cell is its size, or its bytes as base64
//         when `streams` is set
//   idt   one file TABLE.idt a table in the folder, the engine's own export
//         (binary cells go to files in a folder named after the table)
//   sql   on `out`: CREATE TABLE and INSERT statements, one a line, that
//         the engine runs into an equal database. The installer's SQL has no
//         way to write a quote, a control character or bytes in a literal,
//         so such a value (and every binary cell, always with its bytes) is
//         a `?` marker, and its value follows the statement on a line of its
//         own: `-- ?N "text as a JSON string"` or `-- ?N base64 BYTES`.
//
// The folder of csv and idt is the export folder (or `folder`), made and
// checked as export does; files are written through it and renamed into
// place when whole. A table that cannot be read is a warning with the
// cause; the others are dumped, and RunDump returns false.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "outcome.h"

namespace tablesmith {

enum class DumpFormat { kJson, kCsv, kSql, kIdt };

struct DumpSettings {
    std::string msi_file;
    DumpFormat format = DumpFormat::kJson;
    std::vector<std::string> tables;  // empty: every table of the package
    std::string folder;               // csv and idt; "" for the export folder
    bool streams = false;             // binary cells' bytes in json and csv
};

// The format of that name ("json", "csv", "sql", "idt"), false for none.
bool ParseDumpFormat(const std::string& name, DumpFormat& format);

bool RunDump(const DumpSettings& settings, std::ostream& out, diag::OutcomeSink& sink);

}  // namespace tablesmith
