// One open installer database: the string pool, the catalog of tables, the
// tables themselves (loaded on first use), and the root's other streams and
// storages. This is the internal interface the view layer, the text-archive
// import/export and the transform code are written against.
//
// Ownership: a Database is held by shared_ptr (its handle, its views, its
// summary-information objects). It owns the open CompoundFile through a
// shared_ptr that stream sources share, so bytes of a fetched stream remain
// readable after the database is gone. Tables are shared_ptr too: a view
// keeps the table it reads even when the table is dropped meanwhile.
//
// Lazy loading: Open reads the container's directory, the string pool,
// _Tables and _Columns. A table's stream is read when the table is first
// asked for (GetTable). Binary cells and _Streams data are never read until a
// caller reads the record field.
//
// Changes live in memory until Commit, which writes a new file (see
// database_writer.h). Closing without Commit drops them.
//
// Not thread-safe: callers serialise use of one database.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/status.h"
#include "common/uninitialized_allocator.h"
#include "db/stream_store.h"
#include "db/table.h"
#include "db/table_schema.h"
#include "format/string_pool.h"
#include "storage/compound_file.h"
#include "storage/directory_entry.h"
#include "storage/folder.h"

namespace msi::db {

enum class OpenMode { kReadOnly = 0, kTransact = 1, kDirect = 2, kCreate = 3, kCreateDirect = 4 };

struct OpenRequest {
    std::string path;
    OpenMode mode = OpenMode::kReadOnly;
    bool patch = false;  // the file must be a patch (.msp)
    // Set: `path` is opened read-only and Commit writes this file instead.
    std::optional<std::string> output_path;
    // Where `path` and `output_path` are resolved; every later read of the
    // file, commit and removal of an unused new file happens there too.
    storage::Folder folder = {};
};

// Why an open failed, for the interface's result codes.
enum class OpenFailure { kNone, kOpen, kCreate };

class Database {
  public:
    // Failures: kCreate when a create mode cannot make its file (missing
    // folder), kOpen for a missing, unreadable, non-compound or foreign file
    // (root CLSID not a package, transform or patch; not a patch with `patch`).
    //
    // A create mode and an output path make their file at once (an empty
    // database); when the database closes without a commit having written
    // it, that file is removed again, so nothing stale stays behind.
    static Result<std::shared_ptr<Database>> Open(const OpenRequest& request,
                                                  OpenFailure* failure = nullptr);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    bool read_only() const { return read_only_; }
    const std::string& path() const { return path_; }
    // The file a commit writes (the output path, else the database's path).
    const std::string& target_path() const { return output_path_ ? *output_path_ : path_; }
    const storage::Clsid& clsid() const { return root_info_clsid_; }

    // --- strings ---
    format::StringPool& pool() { return pool_; }
    const format::StringPool& pool() const { return pool_; }
    // Process text -> pool id, adding the string when new ("" is id 0).
    Result<uint32_t> Intern(std::string_view text);
    // Pool id -> process text ("" for 0).
    Result<std::string> Text(uint32_t id) const;
    // The same without a copy; valid until the pool changes (an Intern, a
    // commit, a change of code page).
    Result<std::string_view> TextView(uint32_t id) const;
    // An id for text the pool's code page has no form for, for temporary
    // cells only (the view of a transform in another code page shows such
    // text, and writes nothing). Text and TextView read it; it is never
    // stored, and no pool lookup finds it. The same text gets the same id.
    Result<uint32_t> HoldText(std::string_view text);
    // Held ids start here, above every id a pool can give.
    static constexpr uint32_t kFirstHeldId = format::StringPool::kMaxId + 1;

    // --- catalog ---
    // True for user tables (persistent or temporary) and the system tables
    // _Tables, _Columns, _Streams, _Storages.
    bool HasTable(const std::string& name) const;
    // User tables (persistent and temporary) in catalog order.
    std::vector<std::string> TableNames() const;
    // nullopt when the table does not exist.
    std::optional<bool> IsPersistent(const std::string& name) const;
    // The schema without loading the rows.
    const TableSchema* Schema(const std::string& name) const;
    // The table, loaded on first use. The system tables come back as
    // read-only snapshots built from the catalog and the stream store.
    Result<std::shared_ptr<Table>> GetTable(const std::string& name);
    // The same for one pass over a user table: a table not loaded yet is read
    // from its stream and not kept, so that a caller going through every
    // table of a large database holds one at a time rather than all.
    Result<std::shared_ptr<Table>> ReadTable(const std::string& name);

    // Makes a table (kExists when one of that name exists, the system tables
    // included). A held table starts with one hold (CREATE TABLE ... HOLD);
    // without one, a table of temporary columns only is not kept at all.
    Status CreateTable(TableSchema schema, bool held = true);
    Status DropTable(const std::string& name);
    // Appends a column (kExists when the table has one of that name);
    // `held` (ADD ... HOLD) adds a hold to the table. A temporary column
    // added without one to a table nobody holds is released at once.
    Status AddColumn(const std::string& table, ColumnSchema column, bool held = false);

    // Holds (ALTER TABLE ... HOLD) count per table. When the last hold is
    // freed, the table's temporary columns are dropped, and a table of
    // temporary columns only goes altogether. Freeing a table nobody holds
    // does nothing.
    Status Hold(const std::string& table);
    Status Free(const std::string& table);

    // --- streams ---
    // The raw bytes of a table stream (empty when absent). A transform's
    // table streams hold row-operation records rather than rows, so the
    // transform code reads them through this.
    Result<FilledAtOnceVector<uint8_t>> ReadTableStream(const std::string& name) const;
    bool is_transform() const { return root_info_clsid_ == storage::kTransformClsid; }
    StreamStore& streams() { return streams_; }
    const StreamStore& streams() const { return streams_; }
    // The name of the stream behind a binary cell: "Table.key1.key2".
    Result<std::string> BinaryStreamName(const Table& table, const Row& row) const;
    // The stream of a binary cell, or null when the cell is null. For
    // _Streams rows this is the named stream itself.
    StreamSourcePtr CellStream(const Table& table, const Row& row, size_t column) const;

    // --- changes ---
    // Called by every layer that changes tables or streams.
    void MarkModified() { modified_ = true; }
    bool modified() const { return modified_; }
    // Writes every persistent change (database_writer.h). No effect on a
    // read-only database.
    Status Commit();

  private:
    Database() = default;
    struct CatalogEntry {
        TableSchema schema;
        std::shared_ptr<Table> table;  // null until loaded
        int holds = 0;
        uint32_t name_id = 0;  // the pool id of the name in the file's _Tables
    };

    Status LoadFromFile(std::shared_ptr<storage::CompoundFile> file);
    Status LoadCatalog();
    Result<std::shared_ptr<Table>> LoadTable(CatalogEntry& entry);
    // The table as its stream holds it, kept nowhere.
    Result<std::unique_ptr<Table>> BuildTable(const CatalogEntry& entry) const;
    Result<std::shared_ptr<Table>> Snapshot(const std::string& name);
    // The pool id of a table or column name for the _Tables and _Columns
    // snapshots: the id the file's catalog uses (`known_id`, when the caller
    // has it), so that listing the tables needs no search of the pool, else
    // the name interned.
    Result<uint32_t> CatalogNameId(const std::string& name, uint32_t known_id = 0);
    CatalogEntry* FindEntry(const std::string& name);
    const CatalogEntry* FindEntry(const std::string& name) const;
    // Loads every user table (the writer needs all string references).
    Status LoadAllTables();
    // What happens when the last hold of a table goes: its temporary
    // columns are dropped, and so is a table with nothing else.
    Status Release(const std::string& name);

    friend class DatabaseWriter;

    // Makes the file of a create mode or output path (see Open) and
    // remembers it in made_file_.
    Status MakeTargetFile();

    std::string path_;
    std::optional<std::string> output_path_;
    storage::Folder folder_;
    // The file Open made at the target, until a commit writes it: device
    // and inode, so that close removes that file and no other.
    struct FileIdentity {
        uint64_t device = 0;
        uint64_t inode = 0;
    };
    std::optional<FileIdentity> made_file_;
    bool read_only_ = false;
    bool modified_ = false;
    storage::Clsid root_info_clsid_{};
    std::shared_ptr<storage::CompoundFile> file_;  // null for a database not yet written

    format::StringPool pool_;
    std::vector<std::string> order_;                            // catalog order
    std::map<std::string, CatalogEntry, std::less<>> catalog_;  // by table name
    // Table streams of the file that belong to no table of the catalog when
    // it was loaded; copied verbatim unless a table of that name is made.
    std::set<std::string> foreign_table_streams_;
    // Column names -> the pool ids the file's _Columns uses (and names
    // interned since), made from column_name_ids_ when first asked.
    std::unordered_map<std::string, uint32_t> name_ids_;
    std::vector<uint32_t> column_name_ids_;
    // HoldText's texts, by id - kFirstHeldId, and their ids.
    std::deque<std::string> held_texts_;
    std::unordered_map<std::string_view, uint32_t> held_ids_;
    StreamStore streams_;
};

// True for the names of the four system tables.
bool IsSystemTable(std::string_view name);

}  // namespace msi::db
