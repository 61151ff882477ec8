#include "transform/transform_generator.h"

#include <algorithm>
#include <map>
#include <set>
#include <unordered_map>

#include "db/record.h"
#include "format/code_page.h"
#include "format/stream_name.h"
#include "format/string_pool.h"
#include "format/table_stream.h"
#include "storage/compound_writer.h"
#include "transform/row_operation.h"

namespace msi::transform {

using db::TableSchema;
using format::ColumnType;

namespace {

// Records of one table stream, with string cells as ids of the transform
// pool; encoded once the pool is complete and its reference width known.
struct PendingStream {
    std::vector<ColumnType> types;
    size_t keys = 0;
    std::vector<RowOperation> deletes, updates, adds;
    bool empty() const { return deletes.empty() && updates.empty() && adds.empty(); }
};

// Texts of a database's string ids, converted once.
class TextCache {
  public:
    explicit TextCache(db::Database& db) : db_(db) {}
    const std::string& Get(uint32_t id) {
        if (id >= cache_.size()) cache_.resize(std::max<size_t>(id + 1, db_.pool().IdLimit()));
        auto& slot = cache_[id];
        if (!slot) {
            auto text = db_.Text(id);
            slot = text.ok() ? std::move(text).value() : std::string();
        }
        return *slot;
    }

  private:
    db::Database& db_;
    std::vector<std::optional<std::string>> cache_;
};

class Generator {
  public:
    Generator(db::Database& changed, db::Database& reference)
        : changed_(changed),
          reference_(reference),
          changed_text_(changed),
          reference_text_(reference) {}

    Result<GenerateOutcome> Run(const std::string& path);

  private:
    Status CompareTable(const std::string& name);
    // Refuses a change of a table's columns that a transform cannot carry
    // (columns can only be appended) and adds the _Columns records of the
    // appended ones.
    Status AddAppendedColumns(const std::string& name, const TableSchema& now,
                              const TableSchema& before);
    // The non-key columns whose value differs between `row` of the changed
    // table and `old` of the reference.
    Result<std::vector<size_t>> DifferingColumns(const db::Table& changed, const db::Row& row,
                                                 const db::Table& reference, const db::Row& old);
    // The update record of a row whose columns `differing` changed, or a
    // delete and an add where a changed column has no bit in the mask.
    Status AddChangedRow(PendingStream& stream, const db::Table& changed, const db::Row& row,
                         const std::vector<size_t>& differing);
    // Delete records for the rows of the reference whose keys are still in
    // `gone`, in the table's order.
    Status AddDeletedRows(PendingStream& stream, const db::Table& reference,
                          const std::unordered_map<std::string, const db::Row*>& gone);
    Status AddWholeTable(const std::string& name);
    // The _Streams records of the streams no binary cell owns, in both
    // databases: added, changed (by their bytes) or gone.
    Status CompareFreeStreams();
    // The root streams of `db` that no binary cell of a persistent table
    // names; the installer's own property sets ("\005...") left out.
    Result<std::set<std::string>> FreeStreams(db::Database& db);
    Result<bool> SameStream(const std::string& name);
    // A transform pool id for process text (0 for "").
    Result<uint32_t> Intern(const std::string& text);
    // The transform cell of a database cell.
    Result<uint32_t> Encode(db::Database& db, TextCache& texts, ColumnType type, uint32_t cell);
    Result<std::string> KeyOf(TextCache& texts, const db::Table& table, const db::Row& row);
    Result<bool> SameBinary(const db::Table& changed, const db::Row& a, const db::Table& reference,
                            const db::Row& b, size_t column);
    // An add record of the row; with `only`, the cells of the other columns
    // stay 0 and their strings out of the pool (for update records).
    Result<RowOperation> FullRow(const db::Table& table, const db::Row& row,
                                 const std::vector<bool>* only = nullptr);
    // The _Columns record that adds a column named by pool id `column` to the
    // table `table` as its column `number` (0: a new table numbers its columns
    // in record order).
    Result<RowOperation> ColumnRecord(uint32_t table, int32_t number, uint32_t column,
                                      ColumnType type);
    Status WriteFile(const std::string& path);

    db::Database& changed_;
    db::Database& reference_;
    TextCache changed_text_;
    TextCache reference_text_;
    format::StringPool pool_;
    std::vector<RowOperation> tables_ops_;   // _Tables
    std::vector<RowOperation> columns_ops_;  // _Columns
    std::map<std::string, PendingStream> streams_;
    std::map<std::string, db::StreamSourcePtr> binaries_;
    bool code_page_differs_ = false;
};

Result<uint32_t> Generator::Intern(const std::string& text) {
    if (text.empty()) return uint32_t{0};
    auto bytes = format::ProcessToDatabase(text, pool_.code_page());
    if (!bytes.ok()) return bytes.status();
    return pool_.Add(*bytes, 1);
}

Result<uint32_t> Generator::Encode(db::Database& db, TextCache& texts, ColumnType type,
                                   uint32_t cell) {
    (void)db;
    if (type.IsBinary()) return cell != 0 ? 1u : 0u;
    if (type.IsString()) return Intern(texts.Get(cell));
    const int32_t value = static_cast<int32_t>(cell);
    if (type.IsLongInteger()) return format::StoreLongInteger(value);
    return format::StoreShortInteger(value);
}

Result<RowOperation> Generator::ColumnRecord(uint32_t table, int32_t number, uint32_t column,
                                             ColumnType type) {
    // A number past a short integer's range cannot be stored; the type word
    // is a 16-bit pattern, stored as the short integer of the same bits.
    uint32_t stored_number = 0;
    if (number != 0) {
        auto stored = format::StoreShortInteger(number);
        if (!stored.ok()) return stored.status();
        stored_number = *stored;
    }
    auto stored_type = format::StoreShortInteger(int16_t(type.StoredWord()));
    if (!stored_type.ok()) return stored_type.status();
    return RowOperation{
        RowOperation::Kind::kAdd, 0x0401, {table, stored_number, column, *stored_type}, {}};
}

Result<std::string> Generator::KeyOf(TextCache& texts, const db::Table& table, const db::Row& row) {
    std::string key;
    const TableSchema& schema = table.schema();
    for (size_t c = 0; c < schema.KeyCount(); ++c) {
        if (schema.columns[c].type.IsInteger())
            key += "i" + std::to_string(static_cast<int32_t>(row.cells[c]));
        else
            key += "s" + texts.Get(row.cells[c]);
        key += '\0';
    }
    return key;
}

Result<bool> Generator::SameBinary(const db::Table& changed, const db::Row& a,
                                   const db::Table& reference, const db::Row& b, size_t column) {
    if ((a.cells[column] != 0) != (b.cells[column] != 0)) return false;
    if (a.cells[column] == 0) return true;
    auto x = changed_.CellStream(changed, a, column);
    auto y = reference_.CellStream(reference, b, column);
    if (!x || !y) return !x && !y;
    if (x->Size() != y->Size()) return false;
    auto xb = db::ReadAll(*x);
    auto yb = db::ReadAll(*y);
    if (!xb.ok()) return xb.status();
    if (!yb.ok()) return yb.status();
    return *xb == *yb;
}

Result<RowOperation> Generator::FullRow(const db::Table& table, const db::Row& row,
                                        const std::vector<bool>* only) {
    const TableSchema& schema = table.schema();
    RowOperation op;
    op.kind = RowOperation::Kind::kAdd;
    op.mask = static_cast<uint16_t>((schema.columns.size() << 8) | 1);
    for (size_t c = 0; c < schema.columns.size(); ++c) {
        if (only && !(*only)[c]) {
            op.cells.push_back(0);
            continue;
        }
        auto cell = Encode(changed_, changed_text_, schema.columns[c].type, row.cells[c]);
        if (!cell.ok()) return cell.status();
        op.cells.push_back(*cell);
        if (schema.columns[c].type.IsBinary() && row.cells[c] != 0) {
            auto name = changed_.BinaryStreamName(table, row);
            auto data = changed_.CellStream(table, row, c);
            if (name.ok() && data) binaries_[*name] = data;
            if (!data) op.cells.back() = 0;
        }
    }
    return op;
}

Status Generator::AddWholeTable(const std::string& name) {
    auto table = changed_.GetTable(name);
    if (!table.ok()) return table.status();
    const TableSchema& schema = (*table)->schema();
    auto tid = Intern(name);
    if (!tid.ok()) return tid.status();
    tables_ops_.push_back({RowOperation::Kind::kAdd, 0x0101, {*tid}, {}});
    for (const auto& column : schema.columns) {
        auto cid = Intern(column.name);
        if (!cid.ok()) return cid.status();
        auto record = ColumnRecord(*tid, 0, *cid, column.type);
        if (!record.ok()) return record.status();
        columns_ops_.push_back(std::move(record).value());
    }
    PendingStream& stream = streams_[name];
    for (const auto& column : schema.columns) stream.types.push_back(column.type);
    stream.keys = schema.KeyCount();
    for (const auto& row : (*table)->rows()) {
        if (row->temporary) continue;
        auto op = FullRow(**table, *row);
        if (!op.ok()) return op.status();
        stream.adds.push_back(std::move(op).value());
    }
    return Status::Ok();
}

Status Generator::AddAppendedColumns(const std::string& name, const TableSchema& now,
                                     const TableSchema& before) {
    if (now.columns.size() < before.columns.size())
        return Status::Unsupported("table " + name +
                                   " lost columns; a transform cannot drop columns");
    for (size_t c = 0; c < before.columns.size(); ++c)
        if (now.columns[c].name != before.columns[c].name ||
            now.columns[c].type.StoredWord() != before.columns[c].type.StoredWord())
            return Status::Unsupported("column " + before.columns[c].name + " of " + name +
                                       " was changed; a transform cannot retype columns");
    if (now.KeyCount() != before.KeyCount())
        return Status::Unsupported("table " + name + " changed its keys");
    if (now.columns.size() == before.columns.size()) return Status::Ok();
    auto tid = Intern(name);
    if (!tid.ok()) return tid.status();
    for (size_t c = before.columns.size(); c < now.columns.size(); ++c) {
        auto cid = Intern(now.columns[c].name);
        if (!cid.ok()) return cid.status();
        auto record = ColumnRecord(*tid, int32_t(c + 1), *cid, now.columns[c].type);
        if (!record.ok()) return record.status();
        columns_ops_.push_back(std::move(record).value());
    }
    return Status::Ok();
}

Result<std::vector<size_t>> Generator::DifferingColumns(const db::Table& changed,
                                                        const db::Row& row,
                                                        const db::Table& reference,
                                                        const db::Row& old) {
    const TableSchema& now = changed.schema();
    const size_t known = reference.schema().columns.size();
    std::vector<size_t> differing;
    for (size_t c = now.KeyCount(); c < now.columns.size(); ++c) {
        const ColumnType type = now.columns[c].type;
        bool same;
        if (c >= known) {
            // An appended column: any value other than null is a change.
            same = type.IsInteger() ? static_cast<int32_t>(row.cells[c]) == db::Record::kNullInteger
                                    : row.cells[c] == 0;
        } else if (type.IsBinary()) {
            auto s = SameBinary(changed, row, reference, old, c);
            if (!s.ok()) return s.status();
            same = *s;
        } else if (type.IsString()) {
            same = changed_text_.Get(row.cells[c]) == reference_text_.Get(old.cells[c]);
        } else {
            same = row.cells[c] == old.cells[c];
        }
        if (!same) differing.push_back(c);
    }
    return differing;
}

Status Generator::AddChangedRow(PendingStream& stream, const db::Table& changed, const db::Row& row,
                                const std::vector<size_t>& differing) {
    if (differing.back() >= kMaskColumns) {
        // No mask bit for this column: replace the row.
        auto op = FullRow(changed, row);
        if (!op.ok()) return op.status();
        RowOperation del{RowOperation::Kind::kDelete, 0, op->cells, {}};
        stream.deletes.push_back(std::move(del));
        stream.adds.push_back(std::move(op).value());
        return Status::Ok();
    }
    const TableSchema& schema = changed.schema();
    std::vector<bool> wanted(schema.columns.size(), false);
    for (size_t c = 0; c < schema.KeyCount(); ++c) wanted[c] = true;
    for (size_t c : differing) wanted[c] = true;
    auto full = FullRow(changed, row, &wanted);
    if (!full.ok()) return full.status();
    RowOperation update{RowOperation::Kind::kUpdate, 0, full->cells, {}};
    for (size_t c : differing) update.mask |= uint16_t(1u << c);
    stream.updates.push_back(std::move(update));
    return Status::Ok();
}

Status Generator::AddDeletedRows(PendingStream& stream, const db::Table& reference,
                                 const std::unordered_map<std::string, const db::Row*>& gone) {
    const TableSchema& schema = reference.schema();
    for (const auto& row : reference.rows()) {
        if (row->temporary) continue;
        auto key = KeyOf(reference_text_, reference, *row);
        if (!key.ok()) return key.status();
        if (!gone.count(*key)) continue;
        RowOperation del{
            RowOperation::Kind::kDelete, 0, std::vector<uint32_t>(stream.types.size(), 0), {}};
        for (size_t c = 0; c < schema.KeyCount(); ++c) {
            auto cell = Encode(reference_, reference_text_, schema.columns[c].type, row->cells[c]);
            if (!cell.ok()) return cell.status();
            del.cells[c] = *cell;
        }
        stream.deletes.push_back(std::move(del));
    }
    return Status::Ok();
}

Status Generator::CompareTable(const std::string& name) {
    auto changed = changed_.GetTable(name);
    if (!changed.ok()) return changed.status();
    auto reference = reference_.GetTable(name);
    if (!reference.ok()) return reference.status();
    const TableSchema& now = (*changed)->schema();
    if (Status s = AddAppendedColumns(name, now, (*reference)->schema()); !s.ok()) return s;
    PendingStream stream;
    for (const auto& column : now.columns) stream.types.push_back(column.type);
    stream.keys = now.KeyCount();

    std::unordered_map<std::string, const db::Row*> old_rows;
    for (const auto& row : (*reference)->rows()) {
        if (row->temporary) continue;
        auto key = KeyOf(reference_text_, **reference, *row);
        if (!key.ok()) return key.status();
        old_rows.emplace(std::move(key).value(), row.get());
    }
    // A row of the changed table is added, changed or the same; what is left
    // of the reference's rows afterwards was deleted.
    for (const auto& row : (*changed)->rows()) {
        if (row->temporary) continue;
        auto key = KeyOf(changed_text_, **changed, *row);
        if (!key.ok()) return key.status();
        auto found = old_rows.find(*key);
        if (found == old_rows.end()) {
            auto op = FullRow(**changed, *row);
            if (!op.ok()) return op.status();
            stream.adds.push_back(std::move(op).value());
            continue;
        }
        const db::Row& old = *found->second;
        old_rows.erase(found);
        auto differing = DifferingColumns(**changed, *row, **reference, old);
        if (!differing.ok()) return differing.status();
        if (differing->empty()) continue;
        if (Status s = AddChangedRow(stream, **changed, *row, *differing); !s.ok()) return s;
    }
    if (Status s = AddDeletedRows(stream, **reference, old_rows); !s.ok()) return s;
    if (!stream.empty()) streams_[name] = std::move(stream);
    return Status::Ok();
}

Result<std::set<std::string>> Generator::FreeStreams(db::Database& db) {
    std::set<std::string> owned;
    for (const std::string& name : db.TableNames()) {
        if (db.IsPersistent(name) != std::optional<bool>(true)) continue;
        const TableSchema* schema = db.Schema(name);
        if (!schema || std::none_of(schema->columns.begin(), schema->columns.end(),
                                    [](const auto& c) { return c.type.IsBinary(); }))
            continue;
        auto table = db.GetTable(name);
        if (!table.ok()) return table.status();
        for (const auto& row : (*table)->rows()) {
            auto stream = db.BinaryStreamName(**table, *row);
            if (!stream.ok()) return stream.status();
            owned.insert(std::move(stream).value());
        }
    }
    std::set<std::string> free;
    for (const auto& [name, stream] : db.streams().streams())
        if (!name.empty() && name[0] != '\005' && !owned.count(name)) free.insert(name);
    return free;
}

Result<bool> Generator::SameStream(const std::string& name) {
    auto x = changed_.streams().Get(name);
    auto y = reference_.streams().Get(name);
    if (!x || !y) return !x && !y;
    if (x->Size() != y->Size()) return false;
    // In pieces: an embedded cabinet can be larger than two copies in memory.
    std::vector<std::byte> a(1 << 16), b(1 << 16);
    for (uint64_t offset = 0; offset < x->Size();) {
        auto got_a = x->ReadAt(offset, a);
        if (!got_a.ok()) return got_a.status();
        auto got_b = y->ReadAt(offset, std::span(b).first(*got_a));
        if (!got_b.ok()) return got_b.status();
        if (*got_a == 0 || *got_b != *got_a) return Status::Io("stream " + name + " reads short");
        if (!std::equal(a.begin(), a.begin() + *got_a, b.begin())) return false;
        offset += *got_a;
    }
    return true;
}

Status Generator::CompareFreeStreams() {
    auto now = FreeStreams(changed_);
    if (!now.ok()) return now.status();
    auto before = FreeStreams(reference_);
    if (!before.ok()) return before.status();
    const TableSchema& schema = db::StreamsTableSchema();
    PendingStream stream;
    for (const auto& column : schema.columns) stream.types.push_back(column.type);
    stream.keys = schema.KeyCount();
    // A name that is free on one side only and a cell's on the other moves
    // with its table's rows: only names that are nowhere on the other side
    // are added or deleted here.
    for (const std::string& name : *before) {
        if (changed_.streams().Has(name)) continue;
        auto key = Intern(name);
        if (!key.ok()) return key.status();
        stream.deletes.push_back({RowOperation::Kind::kDelete, 0, {*key, 0}, {}});
    }
    for (const std::string& name : *now) {
        const bool known = before->count(name) != 0;
        if (!known && reference_.streams().Has(name)) continue;
        if (known) {
            auto same = SameStream(name);
            if (!same.ok()) return same.status();
            if (*same) continue;
        }
        auto key = Intern(name);
        if (!key.ok()) return key.status();
        const std::string carried = format::JoinStreamName(schema.name, std::vector{name});
        binaries_[carried] = changed_.streams().Get(name);
        if (known)
            stream.updates.push_back({RowOperation::Kind::kUpdate, 0x0002, {*key, 1}, {}});
        else
            stream.adds.push_back({RowOperation::Kind::kAdd, 0x0201, {*key, 1}, {}});
    }
    if (!stream.empty()) streams_[schema.name] = std::move(stream);
    return Status::Ok();
}

Result<GenerateOutcome> Generator::Run(const std::string& path) {
    if (Status s = pool_.SetCodePage(changed_.pool().code_page()); !s.ok()) return s;
    code_page_differs_ = changed_.pool().code_page() != reference_.pool().code_page();
    auto persistent = [](db::Database& db, const std::string& name) {
        return db.IsPersistent(name) == std::optional<bool>(true);
    };
    for (const std::string& name : reference_.TableNames()) {
        if (!persistent(reference_, name) || persistent(changed_, name)) continue;
        auto tid = Intern(name);
        if (!tid.ok()) return tid.status();
        tables_ops_.push_back({RowOperation::Kind::kDelete, 0, {*tid}, {}});
    }
    for (const std::string& name : changed_.TableNames()) {
        if (!persistent(changed_, name)) continue;
        const size_t column_records = columns_ops_.size();
        Status s = persistent(reference_, name) ? CompareTable(name) : AddWholeTable(name);
        if (!s.ok()) return s;
        // Asked once the table is compared, so that a wide table the
        // transform leaves alone does not stop it.
        if (streams_.count(name) == 0 && columns_ops_.size() == column_records) continue;
        auto table = changed_.GetTable(name);
        if (!table.ok()) return table.status();
        if (const size_t width = (*table)->schema().columns.size();
            width > format::kMaxTableColumns)
            return Status::Unsupported("table " + name + " has " + std::to_string(width) +
                                       " columns; a transform can carry tables of at most " +
                                       std::to_string(format::kMaxTableColumns));
    }
    if (Status s = CompareFreeStreams(); !s.ok()) return s;
    GenerateOutcome outcome;
    outcome.differs =
        code_page_differs_ || !tables_ops_.empty() || !columns_ops_.empty() || !streams_.empty();
    if (outcome.differs && !path.empty())
        if (Status s = WriteFile(path); !s.ok()) return s;
    return outcome;
}

Status Generator::WriteFile(const std::string& path) {
    const uint8_t ref = pool_.NeedsLongRefs() ? 3 : 2;
    storage::CompoundWriter writer;
    writer.SetRootInfo({.clsid = storage::kTransformClsid});
    auto add = [&](const std::string& name, bool table, std::vector<uint8_t> bytes) -> Status {
        auto units = format::EncodeStreamName(name, table);
        if (!units.ok()) return units.status();
        return writer.AddStream(storage::CompoundWriter::kRoot, std::move(units).value(),
                                std::move(bytes));
    };
    auto encode = [&](const std::vector<RowOperation>& ops, std::span<const uint8_t> sizes,
                      size_t keys) {
        std::vector<uint8_t> out;
        for (const auto& op : ops) AppendRowOperation(out, op, sizes, keys);
        return out;
    };
    if (!tables_ops_.empty()) {
        const uint8_t sizes[] = {ref};
        if (Status s = add("_Tables", true, encode(tables_ops_, sizes, 1)); !s.ok()) return s;
    }
    if (!columns_ops_.empty()) {
        const uint8_t sizes[] = {ref, 2, ref, 2};
        if (Status s = add("_Columns", true, encode(columns_ops_, sizes, 2)); !s.ok()) return s;
    }
    for (const auto& [name, stream] : streams_) {
        if (stream.empty()) continue;
        std::vector<uint8_t> sizes;
        for (ColumnType type : stream.types)
            sizes.push_back(static_cast<uint8_t>(type.CellSize(ref == 3)));
        std::vector<uint8_t> bytes = encode(stream.deletes, sizes, stream.keys);
        for (const auto* ops : {&stream.updates, &stream.adds}) {
            auto more = encode(*ops, sizes, stream.keys);
            bytes.insert(bytes.end(), more.begin(), more.end());
        }
        if (Status s = add(name, true, std::move(bytes)); !s.ok()) return s;
    }
    for (const auto& [name, source] : binaries_) {
        auto bytes = db::ReadAll(*source);
        if (!bytes.ok()) return bytes.status();
        std::vector<uint8_t> raw(bytes->size());
        std::transform(bytes->begin(), bytes->end(), raw.begin(),
                       [](std::byte b) { return uint8_t(b); });
        if (Status s = add(name, false, std::move(raw)); !s.ok()) return s;
    }
    auto pool = pool_.Serialize();
    if (Status s = add("_StringPool", true, std::move(pool.pool)); !s.ok()) return s;
    if (Status s = add("_StringData", true, std::move(pool.data)); !s.ok()) return s;
    return writer.WriteFile(path);
}

}  // namespace

Result<GenerateOutcome> GenerateTransform(db::Database& changed, db::Database& reference,
                                          const std::string& path) {
    Generator generator(changed, reference);
    return generator.Run(path);
}

}  // namespace msi::transform
