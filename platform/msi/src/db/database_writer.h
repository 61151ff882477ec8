// Writes a database to its target file: the commit path.
//
// Invariants (what must hold before the old file is replaced):
//  1. Every table of the catalog is loaded, so every string reference in the
//     database is known before the pool is recounted.
//  2. The written pool counts exactly the persistent references: _Tables
//     names, _Columns table and column names, and the string cells of
//     persistent columns of persistent rows of persistent tables. Strings
//     only temporary data uses are written as free ids.
//  3. Every table stream uses the written pool's ids and its reference width
//     (3 bytes when an id above 0xFFFF is in use); tables without rows get
//     no stream; temporary tables, columns and rows are not written.
//  4. Streams and storages unchanged since the file was opened (including
//     ones the engine does not interpret, signatures and embedded storages)
//     are copied byte for byte from the open file.
//  5. The new file is written beside the target, synced, and renamed over it
//     (storage/atomic_file.h); on any failure the target is untouched and no
//     temporary file is left.
//  6. Only after the rename does the database read from the new file; its
//     in-memory tables and pool are then exactly what the file holds, plus
//     temporary data.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/status.h"
#include "format/string_pool.h"
#include "storage/atomic_file.h"

namespace msi::storage {
class CompoundWriter;
}

namespace msi::db {

class Database;
class Table;

class DatabaseWriter {
  public:
    // kReplaceOnly skips the syncs of invariant 5, for a file that stands in
    // until a real commit (the empty database a create mode makes).
    explicit DatabaseWriter(Database& db, storage::AtomicFile::Durability durability =
                                              storage::AtomicFile::Durability::kSynced)
        : db_(db), durability_(durability) {}
    Status Write();

  private:
    // The persistent tables in catalog order, with the pool ids of their
    // names and of their persistent columns' names.
    struct Written {
        std::vector<std::shared_ptr<Table>> tables;
        std::vector<uint32_t> table_ids;
        std::vector<std::vector<uint32_t>> column_ids;
    };

    Result<Written> PersistentTables();
    Result<format::StringPool> WrittenPool(const Written& written) const;
    Status AddCatalog(storage::CompoundWriter& writer, const Written& written,
                      bool long_refs) const;
    Status AddTables(storage::CompoundWriter& writer, const Written& written, bool long_refs) const;
    Status AddRootStreams(storage::CompoundWriter& writer) const;
    Status CopyUntouched(storage::CompoundWriter& writer) const;
    Status ReadFromNewFile(const std::string& target);

    Database& db_;
    storage::AtomicFile::Durability durability_;
};

}  // namespace msi::db
