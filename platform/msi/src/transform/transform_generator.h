// Generates a transform: every difference between a changed database and
// its reference, written so that applying it to the reference gives the
// changed database (MsiDatabaseGenerateTransform).
//
// What it writes: a compound file with the transform CLSID holding
//   _StringPool/_StringData  its own pool, in the changed database's code
//                            page, with only the strings its records use
//   _Tables                  an add record per new table, a delete record
//                            per dropped table
//   _Columns                 add records: all columns of a new table (Number
//                            null), columns appended to an existing table
//                            (with their Number)
//   <Table>                  per changed table: deletes, then updates with
//                            the minimal mask, then adds with every column
//   Table.key...             the data of every binary cell an add or update sets
//   _Streams                 deletes, updates and adds of the root's streams that
//                            belong to no binary cell (embedded cabinets): a
//                            binary cell of the system table, carried like any
//                            other, as the stream "_Streams.<name>"
// A change to a column at index 16 or beyond cannot be flagged in the 16-bit
// update mask; such a row is written as a delete followed by an add.
#pragma once

#include <string>

#include "common/status.h"
#include "db/database.h"

namespace msi::transform {

struct GenerateOutcome {
    bool differs = false;
};

// Compares the two databases and, with a non-empty path and a difference,
// writes the transform there. Fails with kUnsupported when a difference has
// no transform form (a column removed or retyped), kIo when the file cannot
// be written.
Result<GenerateOutcome> GenerateTransform(db::Database& changed, db::Database& reference,
                                          const std::string& path);

}  // namespace msi::transform
