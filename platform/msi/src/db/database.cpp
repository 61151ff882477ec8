#include "db/database.h"

#include <algorithm>
#include <filesystem>
#include <unordered_set>
#include <sys/stat.h>
#include <unistd.h>

#include "db/database_writer.h"
#include "db/record.h"
#include "format/stream_name.h"
#include "format/table_stream.h"
#include "storage/stream_reader.h"

namespace msi::db {

using format::ColumnType;

namespace {

constexpr const char* kTablesName = "_Tables";
constexpr const char* kColumnsName = "_Columns";
constexpr const char* kStreamsName = "_Streams";
constexpr const char* kStoragesName = "_Storages";
constexpr const char* kStringPoolName = "_StringPool";
constexpr const char* kStringDataName = "_StringData";

bool IsFolder(const storage::Folder& in, const std::string& path) {
    struct stat st {};
    return ::fstatat(in.fd(), path.c_str(), &st, 0) == 0 && S_ISDIR(st.st_mode);
}

bool SameFile(const storage::Folder& in, const std::string& path, uint64_t device, uint64_t inode) {
    struct stat st {};
    return ::fstatat(in.fd(), path.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
           static_cast<uint64_t>(st.st_dev) == device && static_cast<uint64_t>(st.st_ino) == inode;
}

// The cells of a table's stream (none when it has no stream).
Result<format::TableCells> DecodeStoredTable(const storage::CompoundFile* file,
                                             const StreamStore& streams, const std::string& name,
                                             std::span<const uint8_t> cell_sizes) {
    const auto& tables = streams.table_streams();
    auto it = tables.find(name);
    // A table without rows has no stream at all.
    std::optional<storage::StreamReader> reader;
    if (file && it != tables.end()) {
        auto opened = file->OpenStream(it->second);
        if (!opened.ok()) return opened.status();
        reader.emplace(std::move(opened).value());
    }
    // The cells are decoded as the stream is read, a piece at a time, so the
    // stream's bytes are never held whole beside them. A failed read is
    // reported as the reader words it.
    Status read_failure;
    auto cells = format::DecodeTableStream(reader ? reader->size() : 0, cell_sizes,
                                           [&](uint64_t offset, std::span<uint8_t> out) {
                                               read_failure = reader->Read(offset, out);
                                               return read_failure;
                                           });
    if (!read_failure.ok()) return read_failure;
    if (!cells.ok()) return Status::Corrupt(name + ": " + cells.status().message());
    return cells;
}

}  // namespace

bool IsSystemTable(std::string_view name) {
    return name == kTablesName || name == kColumnsName || name == kStreamsName ||
           name == kStoragesName;
}

Result<std::shared_ptr<Database>> Database::Open(const OpenRequest& request, OpenFailure* failure) {
    OpenFailure scratch = OpenFailure::kNone;
    OpenFailure& why = failure ? *failure : scratch;
    why = OpenFailure::kNone;
    std::shared_ptr<Database> db(new Database());
    db->path_ = request.path;
    db->output_path_ = request.output_path;
    db->folder_ = request.folder;

    const bool create =
        request.mode == OpenMode::kCreate || request.mode == OpenMode::kCreateDirect;
    if (create && !request.output_path) {
        // Nothing is written until the first commit (a created database that
        // is never committed leaves no file), so check now that one can be.
        std::filesystem::path target(request.path);
        std::string folder = target.parent_path().string();
        if (folder.empty()) folder = ".";
        if (request.path.empty() || !IsFolder(request.folder, folder) ||
            IsFolder(request.folder, request.path)) {
            why = OpenFailure::kCreate;
            return Status::NotFound("cannot create database " + request.path);
        }
        db->root_info_clsid_ = request.patch ? storage::kPatchClsid : storage::kPackageClsid;
        if (Status s = db->MakeTargetFile(); !s.ok()) {
            why = OpenFailure::kCreate;
            return s;
        }
        db->modified_ = true;  // the first commit must write the file
        return db;
    }

    db->read_only_ = request.mode == OpenMode::kReadOnly && !request.output_path;
    auto file = storage::CompoundFile::Open(request.folder, request.path);
    if (!file.ok()) {
        why = OpenFailure::kOpen;
        return file.status();
    }
    const storage::Clsid& clsid = (*file)->root_clsid();
    const bool known = clsid == storage::kPackageClsid || clsid == storage::kTransformClsid ||
                       clsid == storage::kPatchClsid;
    if (!known || (request.patch && clsid != storage::kPatchClsid)) {
        why = OpenFailure::kOpen;
        return Status::Unsupported(request.path + " is not an installer database");
    }
    Status s = db->LoadFromFile(std::move(file).value());
    if (!s.ok()) {
        why = OpenFailure::kOpen;
        return s;
    }
    // Writing to an output path always produces a file, changed or not.
    if (request.output_path) {
        if (Status s = db->MakeTargetFile(); !s.ok()) {
            why = OpenFailure::kCreate;
            return s;
        }
        db->modified_ = true;
    }
    return db;
}

Status Database::MakeTargetFile() {
    // The file holds an empty database of the same kind until a commit
    // writes the real one: something that opens it meanwhile finds a
    // database, not a broken file.
    const std::string target = target_path();
    std::shared_ptr<Database> placeholder(new Database());
    placeholder->path_ = target;
    placeholder->folder_ = folder_;
    placeholder->root_info_clsid_ = root_info_clsid_;
    // Nothing is lost if the placeholder does not survive a power cut, so
    // it is not forced to disk.
    DatabaseWriter writer(*placeholder, storage::AtomicFile::Durability::kReplaceOnly);
    if (Status s = writer.Write(); !s.ok()) return s;
    struct stat st {};
    if (::fstatat(folder_.fd(), target.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return Status::Io("cannot find " + target);
    made_file_ = FileIdentity{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
    if (target_path() == path_) {
        // A create mode reads the file it made, as after any commit.
        file_ = placeholder->file_;
        streams_.Load(file_);
    }
    return Status::Ok();
}

Database::~Database() {
    // Made by Open and never committed: the caller never wanted it kept.
    if (made_file_ && SameFile(folder_, target_path(), made_file_->device, made_file_->inode))
        ::unlinkat(folder_.fd(), target_path().c_str(), 0);
}

Status Database::LoadFromFile(std::shared_ptr<storage::CompoundFile> file) {
    file_ = std::move(file);
    root_info_clsid_ = file_->root_clsid();
    streams_.Load(file_);
    auto pool_bytes = ReadTableStream(kStringPoolName);
    if (!pool_bytes.ok()) return pool_bytes.status();
    // _StringData is read straight into the pool's buffer.
    std::optional<storage::StreamReader> data;
    if (auto it = streams_.table_streams().find(kStringDataName);
        it != streams_.table_streams().end()) {
        auto opened = file_->OpenStream(it->second);
        if (!opened.ok()) return opened.status();
        data.emplace(std::move(opened).value());
    }
    auto pool = format::StringPool::Load(
        *pool_bytes, data ? data->size() : 0,
        [&data](std::span<uint8_t> out) { return data ? data->Read(0, out) : Status::Ok(); });
    if (!pool.ok()) return pool.status();
    pool_ = std::move(pool).value();
    // A transform's _Tables and _Columns streams hold changes, not a catalog,
    // and its records refer to its own pool: the engine never rewrites one.
    if (is_transform()) {
        read_only_ = true;
        return Status::Ok();
    }
    return LoadCatalog();
}

Result<FilledAtOnceVector<uint8_t>> Database::ReadTableStream(const std::string& name) const {
    const auto& tables = streams_.table_streams();
    auto it = tables.find(name);
    FilledAtOnceVector<uint8_t> bytes;
    // A table without rows has no stream at all.
    if (!file_ || it == tables.end()) return bytes;
    auto reader = file_->OpenStream(it->second);
    if (!reader.ok()) return reader.status();
    // OpenStream has checked the size against the file's, and the bytes are
    // read over the buffer at once: it is neither zeroed first nor grown.
    bytes.resize(static_cast<size_t>(reader->size()));
    if (Status s = reader->Read(0, bytes); !s.ok()) return s;
    return bytes;
}

Status Database::LoadCatalog() {
    const bool long_refs = pool_.loaded_long_refs();
    const uint8_t ref = static_cast<uint8_t>(long_refs ? ColumnType::kLongStringRefSize
                                                       : ColumnType::kStringRefSize);

    auto tables_bytes = ReadTableStream(kTablesName);
    if (!tables_bytes.ok()) return tables_bytes.status();
    const uint8_t tables_sizes[] = {ref};
    auto tables = format::DecodeTableStream(*tables_bytes, tables_sizes);
    if (!tables.ok()) return Status::Corrupt("_Tables: " + tables.status().message());

    auto columns_bytes = ReadTableStream(kColumnsName);
    if (!columns_bytes.ok()) return columns_bytes.status();
    const uint8_t column_sizes[] = {ref, 2, ref, 2};
    auto columns = format::DecodeTableStream(*columns_bytes, column_sizes);
    if (!columns.ok()) return Status::Corrupt("_Columns: " + columns.status().message());

    // The entries by the pool id _Tables names them with: _Columns names a
    // table with the same id, unless the pool holds the name twice.
    std::unordered_map<uint32_t, CatalogEntry*> entries_by_id;
    for (size_t r = 0; r < tables->row_count; ++r) {
        const uint32_t id = tables->At(r, 0);
        auto name = TextView(id);
        if (!name.ok()) return name.status();
        if (name->empty() || IsSystemTable(*name)) continue;
        auto [it, added] = catalog_.try_emplace(std::string(*name));
        if (!added) continue;
        it->second.schema.name = it->first;
        it->second.name_id = id;
        order_.push_back(it->first);
        entries_by_id.emplace(id, &it->second);
    }

    // Each column with its table's entry (null: a table _Tables does not
    // list) and Number. Rows of one table follow each other, so the table
    // of the row before is tried first.
    struct Column {
        CatalogEntry* entry;
        int32_t number;
        ColumnSchema schema;
    };
    std::vector<Column> found;
    found.reserve(columns->row_count);
    uint32_t last_table_id = 0;
    CatalogEntry* last_entry = nullptr;
    for (size_t r = 0; r < columns->row_count; ++r) {
        const uint32_t table_id = columns->At(r, 0);
        if (r == 0 || table_id != last_table_id) {
            auto table = TextView(table_id);
            if (!table.ok()) return table.status();
            auto by_id = entries_by_id.find(table_id);
            if (by_id != entries_by_id.end()) {
                last_entry = by_id->second;
            } else {
                auto by_name = catalog_.find(*table);
                last_entry = by_name == catalog_.end() ? nullptr : &by_name->second;
            }
            last_table_id = table_id;
        }
        const uint32_t name_id = columns->At(r, 2);
        auto name = TextView(name_id);
        if (!name.ok()) return name.status();
        column_name_ids_.push_back(name_id);
        if (!last_entry) continue;
        const int32_t number = format::LoadShortInteger(columns->At(r, 1));
        const auto word = static_cast<uint16_t>(format::LoadShortInteger(columns->At(r, 3)));
        // The temporary bit is never stored; a file carrying it is taken as persistent.
        found.push_back({last_entry, number,
                         ColumnSchema{std::string(*name),
                                      ColumnType(uint16_t(word & ~ColumnType::kTemporary))}});
    }
    // Each table's columns ordered by their Number; rows with one Number
    // keep their order in the stream. A table's rows nearly always come
    // together and in order: then each run is only checked.
    auto by_number = [](const Column& a, const Column& b) { return a.number < b.number; };
    std::unordered_set<const CatalogEntry*> seen;
    bool together = true;
    for (size_t begin = 0, end = 0; together && begin < found.size(); begin = end) {
        const CatalogEntry* entry = found[begin].entry;
        for (end = begin + 1; end < found.size() && found[end].entry == entry;) ++end;
        together = seen.insert(entry).second;
        const auto first = found.begin() + begin;
        const auto last = found.begin() + end;
        if (together && !std::is_sorted(first, last, by_number))
            std::stable_sort(first, last, by_number);
    }
    if (!together) {
        std::stable_sort(found.begin(), found.end(), [&](const Column& a, const Column& b) {
            if (a.entry != b.entry) return std::less<const CatalogEntry*>()(a.entry, b.entry);
            return by_number(a, b);
        });
    }
    for (Column& column : found) column.entry->schema.columns.push_back(std::move(column.schema));

    for (const auto& [name, id] : streams_.table_streams()) {
        if (name == kStringPoolName || name == kStringDataName || name == kTablesName ||
            name == kColumnsName || catalog_.count(name))
            continue;
        foreign_table_streams_.insert(name);
    }
    return Status::Ok();
}

Result<uint32_t> Database::Intern(std::string_view text) {
    if (text.empty()) return uint32_t{0};
    return pool_.AddText(text, 1);
}

Result<uint32_t> Database::CatalogNameId(const std::string& name, uint32_t known_id) {
    // A commit may have freed the id of a name no table uses any more, and
    // a later string taken it over; then the name is interned again.
    if (known_id != 0) {
        auto text = TextView(known_id);
        if (text.ok() && *text == name) return known_id;
    }
    // Column names are looked up by name only when a _Columns snapshot asks,
    // so their index is made then, not by every open.
    if (!column_name_ids_.empty()) {
        for (uint32_t id : column_name_ids_)
            if (auto text = TextView(id); text.ok()) name_ids_.emplace(std::string(*text), id);
        column_name_ids_.clear();
        column_name_ids_.shrink_to_fit();
    }
    auto it = name_ids_.find(name);
    if (it != name_ids_.end()) {
        auto text = TextView(it->second);
        if (text.ok() && *text == name) return it->second;
    }
    auto id = Intern(name);
    if (id.ok()) name_ids_[name] = *id;
    return id;
}

Result<std::string> Database::Text(uint32_t id) const {
    auto text = TextView(id);
    if (!text.ok()) return text.status();
    return std::string(*text);
}

Result<uint32_t> Database::HoldText(std::string_view text) {
    if (text.empty()) return uint32_t{0};
    if (auto it = held_ids_.find(text); it != held_ids_.end()) return it->second;
    if (held_texts_.size() >= size_t{UINT32_MAX} - kFirstHeldId)
        return Status::Unsupported("too many texts without a form in the code page");
    const uint32_t id = kFirstHeldId + static_cast<uint32_t>(held_texts_.size());
    held_ids_.emplace(held_texts_.emplace_back(text), id);
    return id;
}

Result<std::string_view> Database::TextView(uint32_t id) const {
    // Nearly every cell a query reads takes this way.
    if (std::string_view text; pool_.TextIsBytes(id, text)) return text;
    if (id == 0) return std::string_view();
    if (id >= kFirstHeldId) {
        if (id - kFirstHeldId >= held_texts_.size())
            return Status::Corrupt("unknown string id " + std::to_string(id));
        return std::string_view(held_texts_[id - kFirstHeldId]);
    }
    auto text = pool_.LookupTextView(id);
    if (!text.ok()) {
        // A string the code page cannot convert is handed out as its bytes
        // rather than failing every query that touches it.
        auto bytes = pool_.Lookup(id);
        if (!bytes) return Status::Corrupt("unknown string id " + std::to_string(id));
        return *bytes;
    }
    return *text;
}

Database::CatalogEntry* Database::FindEntry(const std::string& name) {
    auto it = catalog_.find(name);
    return it == catalog_.end() ? nullptr : &it->second;
}

const Database::CatalogEntry* Database::FindEntry(const std::string& name) const {
    auto it = catalog_.find(name);
    return it == catalog_.end() ? nullptr : &it->second;
}

bool Database::HasTable(const std::string& name) const {
    return IsSystemTable(name) || catalog_.count(name) != 0;
}

std::vector<std::string> Database::TableNames() const {
    return order_;
}

std::optional<bool> Database::IsPersistent(const std::string& name) const {
    if (IsSystemTable(name)) return true;
    const CatalogEntry* entry = FindEntry(name);
    if (!entry) return std::nullopt;
    return !entry->schema.temporary;
}

const TableSchema* Database::Schema(const std::string& name) const {
    if (name == kTablesName) return &TablesTableSchema();
    if (name == kColumnsName) return &ColumnsTableSchema();
    if (name == kStreamsName) return &StreamsTableSchema();
    if (name == kStoragesName) return &StoragesTableSchema();
    const CatalogEntry* entry = FindEntry(name);
    return entry ? &entry->schema : nullptr;
}

Result<std::shared_ptr<Table>> Database::GetTable(const std::string& name) {
    if (IsSystemTable(name)) return Snapshot(name);
    CatalogEntry* entry = FindEntry(name);
    if (!entry) return Status::NotFound("no table " + name);
    if (entry->table) return entry->table;
    return LoadTable(*entry);
}

Result<std::shared_ptr<Table>> Database::ReadTable(const std::string& name) {
    if (IsSystemTable(name)) return Snapshot(name);
    CatalogEntry* entry = FindEntry(name);
    if (!entry) return Status::NotFound("no table " + name);
    if (entry->table) return entry->table;
    auto table = BuildTable(*entry);
    if (!table.ok()) return table.status();
    return std::shared_ptr<Table>(std::move(table).value());
}

Result<std::unique_ptr<Table>> Database::BuildTable(const CatalogEntry& entry) const {
    const auto sizes = entry.schema.StoredCellSizes(pool_.loaded_long_refs());
    auto cells = DecodeStoredTable(file_.get(), streams_, entry.schema.name, sizes);
    if (!cells.ok()) return cells.status();
    return Table::FromStream(entry.schema, std::move(cells).value(), pool_);
}

Result<std::shared_ptr<Table>> Database::LoadTable(CatalogEntry& entry) {
    auto table = BuildTable(entry);
    if (!table.ok()) return table.status();
    entry.table = std::shared_ptr<Table>(std::move(table).value());
    return entry.table;
}

Status Database::LoadAllTables() {
    for (const auto& name : order_) {
        CatalogEntry& entry = catalog_.at(name);
        if (entry.table) continue;
        auto table = LoadTable(entry);
        if (!table.ok()) return table.status();
    }
    return Status::Ok();
}

Result<std::shared_ptr<Table>> Database::Snapshot(const std::string& name) {
    auto table = std::make_shared<Table>(*Schema(name));
    auto add = [&](std::vector<uint32_t> cells) -> Status {
        auto row = std::make_shared<Row>();
        row->cells = std::move(cells);
        Status s = table->Insert(std::move(row));
        // Two entries with one key cannot both be shown; the first wins.
        return s.kind() == Status::Kind::kExists ? Status::Ok() : s;
    };
    if (name == kTablesName || name == kColumnsName) {
        for (const auto& tname : order_) {
            const CatalogEntry& entry = catalog_.at(tname);
            const TableSchema& schema = entry.schema;
            auto tid = CatalogNameId(tname, entry.name_id);
            if (!tid.ok()) return tid.status();
            // A temporary table is listed while it is held, but its
            // columns are in no catalog.
            if (name == kTablesName) {
                if (Status s = add({*tid}); !s.ok()) return s;
                continue;
            }
            if (schema.temporary) continue;
            int32_t number = 0;
            for (const auto& column : schema.columns) {
                if (column.type.IsTemporary()) continue;
                auto cid = CatalogNameId(column.name);
                if (!cid.ok()) return cid.status();
                ++number;
                Status s = add({*tid, static_cast<uint32_t>(number), *cid,
                                static_cast<uint32_t>(int32_t{column.type.StoredWord()})});
                if (!s.ok()) return s;
            }
        }
    } else if (name == kStreamsName) {
        for (const auto& sname : streams_.Names()) {
            auto id = Intern(sname);
            if (!id.ok()) return id.status();
            if (Status s = add({*id, 1}); !s.ok()) return s;
        }
    } else {
        for (const auto& storage : streams_.storages()) {
            auto id = Intern(storage.name);
            if (!id.ok()) return id.status();
            if (Status s = add({*id, 0}); !s.ok()) return s;
        }
    }
    return table;
}

Status Database::CreateTable(TableSchema schema, bool held) {
    if (read_only_) return Status::InvalidArgument("database is read-only");
    if (schema.name.empty() || schema.columns.empty())
        return Status::InvalidArgument("a table needs a name and columns");
    if (HasTable(schema.name)) return Status::Exists("table " + schema.name + " exists");
    // Stream names hold at most 31 packed units; a longer table name could
    // never be written.
    if (!format::EncodeStreamName(schema.name, true).ok())
        return Status::InvalidArgument("table name cannot be stored: " + schema.name);
    schema.temporary = !schema.HasPersistentColumns();
    // A table of temporary columns only that nobody holds is released as
    // soon as it is made. The temporary columns of a saved table stay until
    // a hold on the table is freed.
    if (!held && schema.temporary) return Status::Ok();
    if (!schema.temporary) {
        // Intern names now so that _Tables and _Columns can refer to them.
        if (auto id = Intern(schema.name); !id.ok()) return id.status();
        for (const auto& c : schema.columns)
            if (auto id = Intern(c.name); !id.ok()) return id.status();
    }
    foreign_table_streams_.erase(schema.name);
    CatalogEntry entry;
    entry.schema = schema;
    entry.table = std::make_shared<Table>(std::move(schema));
    entry.holds = held ? 1 : 0;
    const std::string name = entry.schema.name;
    catalog_.emplace(name, std::move(entry));
    order_.push_back(name);
    if (!catalog_.at(name).schema.temporary) modified_ = true;
    return Status::Ok();
}

Status Database::DropTable(const std::string& name) {
    if (read_only_) return Status::InvalidArgument("database is read-only");
    CatalogEntry* entry = FindEntry(name);
    if (!entry) return Status::NotFound("no table " + name);
    // Binary cells' streams go with the table.
    auto table = GetTable(name);
    if (table.ok()) {
        for (const auto& row : (*table)->rows()) {
            for (size_t c = 0; c < (*table)->schema().columns.size(); ++c) {
                if (!(*table)->schema().columns[c].type.IsBinary() || row->cells[c] == 0) continue;
                if (auto sname = BinaryStreamName(**table, *row); sname.ok())
                    streams_.Remove(*sname);
            }
        }
        (*table)->Clear();
    }
    const bool persistent = !entry->schema.temporary;
    catalog_.erase(name);
    order_.erase(std::find(order_.begin(), order_.end(), name));
    if (persistent) modified_ = true;
    return Status::Ok();
}

Status Database::AddColumn(const std::string& table_name, ColumnSchema column, bool held) {
    if (read_only_) return Status::InvalidArgument("database is read-only");
    CatalogEntry* entry = FindEntry(table_name);
    if (!entry) return Status::NotFound("no table " + table_name);
    if (entry->schema.FindColumn(column.name))
        return Status::Exists("column " + column.name + " exists in " + table_name);
    const bool temporary = column.type.IsTemporary();
    if (temporary && !held && entry->holds == 0) return Status::Ok();  // released at once
    auto table = GetTable(table_name);
    if (!table.ok()) return table.status();
    if (!temporary) {
        if (auto id = Intern(column.name); !id.ok()) return id.status();
        modified_ = true;
    }
    if (held) ++entry->holds;
    entry->schema.columns.push_back(column);
    (*table)->AddColumn(std::move(column));
    return Status::Ok();
}

Status Database::Hold(const std::string& name) {
    CatalogEntry* entry = FindEntry(name);
    if (!entry) return Status::NotFound("no table " + name);
    ++entry->holds;
    return Status::Ok();
}

Status Database::Free(const std::string& name) {
    CatalogEntry* entry = FindEntry(name);
    if (!entry) return Status::NotFound("no table " + name);
    if (entry->holds == 0) return Status::Ok();
    if (--entry->holds > 0) return Status::Ok();
    return Release(name);
}

Status Database::Release(const std::string& name) {
    CatalogEntry& entry = catalog_.at(name);
    if (entry.schema.temporary) return DropTable(name);
    if (!std::any_of(entry.schema.columns.begin(), entry.schema.columns.end(),
                     [](const ColumnSchema& c) { return c.type.IsTemporary(); }))
        return Status::Ok();
    std::erase_if(entry.schema.columns, [](const ColumnSchema& c) { return c.type.IsTemporary(); });
    // Views that read the table keep the old one with its columns; new
    // queries see the table without them.
    if (entry.table) entry.table = entry.table->WithoutTemporaryColumns();
    return Status::Ok();
}

Result<std::string> Database::BinaryStreamName(const Table& table, const Row& row) const {
    std::vector<std::string> keys;
    const TableSchema& schema = table.schema();
    for (size_t c = 0; c < schema.KeyCount(); ++c) {
        if (schema.columns[c].type.IsInteger()) {
            keys.push_back(std::to_string(static_cast<int32_t>(row.cells[c])));
        } else {
            auto text = Text(row.cells[c]);
            if (!text.ok()) return text.status();
            keys.push_back(std::move(text).value());
        }
    }
    return format::JoinStreamName(schema.name, keys);
}

StreamSourcePtr Database::CellStream(const Table& table, const Row& row, size_t column) const {
    const TableSchema& schema = table.schema();
    if (column >= schema.columns.size() || row.cells[column] == 0) return nullptr;
    if (schema.name == kStreamsName) {
        auto name = Text(row.cells[0]);
        return name.ok() ? streams_.GetForRecord(*name) : nullptr;
    }
    if (schema.name == kStoragesName) return nullptr;
    auto name = BinaryStreamName(table, row);
    return name.ok() ? streams_.GetForRecord(*name) : nullptr;
}

Status Database::Commit() {
    if (read_only_) return Status::Ok();  // documented: no effect
    if (!modified_ && !streams_.modified()) {
        made_file_.reset();  // the file Open made is now what was asked for
        return Status::Ok();
    }
    DatabaseWriter writer(*this);
    Status s = writer.Write();
    if (s.ok()) made_file_.reset();
    return s;
}

}  // namespace msi::db
