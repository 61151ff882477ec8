#include "transform/transform_generator.h"

#include <algorithm>
#include <array>
#include <deque>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string_view>

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
// Kept flat, a record as its mask and then the cells the mask names, and in
// blocks (a deque) that growing never copies: a hundred thousand changes
// must cost neither an allocation each nor a second copy of them all.
struct PendingStream {
    using Records = std::deque<uint32_t>;
    std::vector<ColumnType> types;
    size_t keys = 0;
    Records deletes, updates, adds;
    bool empty() const { return deletes.empty() && updates.empty() && adds.empty(); }
    // `cells` has one cell per column.
    void Append(Records& records, uint16_t mask, std::span<const uint32_t> cells) {
        PresentColumns(mask, types.size(), keys, present);
        records.push_back(mask);
        for (size_t c = 0; c < cells.size(); ++c)
            if (present[c]) records.push_back(cells[c]);
    }
    std::vector<bool> present;  // Append's, reused
};

// A pending stream's records encoded as the writer reads them (front to
// back), one at a time, so that the table streams of a large transform are
// never held whole.
class RecordSource final : public storage::StreamSource {
  public:
    RecordSource(const PendingStream& stream, std::vector<uint8_t> sizes)
        : stream_(stream), sizes_(std::move(sizes)) {
        while (Next()) size_ += record_.size();
        list_ = 0;
        at_ = 0;
        record_.clear();
    }
    uint64_t size() const override { return size_; }
    Status Read(uint64_t offset, std::span<uint8_t> out) override {
        if (offset != position_)
            return Status::Io("a table stream of the transform was read out of order");
        while (!out.empty()) {
            if (used_ == record_.size() && !Next())
                return Status::Io("a table stream of the transform ended early");
            const size_t take = std::min<size_t>(record_.size() - used_, out.size());
            std::copy_n(record_.begin() + used_, take, out.begin());
            out = out.subspan(take);
            used_ += take;
            position_ += take;
        }
        return Status::Ok();
    }

  private:
    // Encodes the next record into record_; false after the last one.
    bool Next() {
        const PendingStream::Records* lists[] = {&stream_.deletes, &stream_.updates, &stream_.adds};
        while (list_ < std::size(lists) && at_ >= lists[list_]->size()) {
            ++list_;
            at_ = 0;
        }
        record_.clear();
        used_ = 0;
        if (list_ == std::size(lists)) return false;
        const PendingStream::Records& records = *lists[list_];
        op_.mask = static_cast<uint16_t>(records[at_++]);
        PresentColumns(op_.mask, sizes_.size(), stream_.keys, present_);
        op_.cells.assign(sizes_.size(), 0);
        for (size_t c = 0; c < sizes_.size(); ++c)
            if (present_[c]) op_.cells[c] = records[at_++];
        AppendRowOperation(record_, op_, sizes_, stream_.keys);
        return true;
    }
    const PendingStream& stream_;
    const std::vector<uint8_t> sizes_;
    uint64_t size_ = 0;
    size_t list_ = 0;        // deletes, updates, adds
    size_t at_ = 0;          // the next record's place in its list
    uint64_t position_ = 0;  // of the end of what record_ has handed out
    RowOperation op_;
    std::vector<bool> present_;
    std::vector<uint8_t> record_;  // the record being handed out
    size_t used_ = 0;              // bytes of record_ handed out
};

// The text of a string id, "" for an id the database does not know. A view
// into the database's pool, which the generator never changes.
std::string_view TextOf(const db::Database& db, uint32_t id) {
    auto text = db.TextView(id);
    return text.ok() ? *text : std::string_view();
}

// The reference table's rows by key, to find the row each row of the
// changed table replaces. Keys match by the text of their strings, since the
// two pools number strings apart, and by the value of their integers. Holds
// one slot per row and no copy of a key.
class KeyIndex {
  public:
    static constexpr size_t kNone = SIZE_MAX;

    KeyIndex(const db::Database& db, const db::Table& table) : db_(db), table_(table) {
        size_t slots = 16;
        while (slots < table.row_count() * 2) slots *= 2;
        slots_.assign(slots, 0);
        const auto& rows = table.rows();
        for (size_t i = 0; i < rows.size(); ++i) {
            if (rows[i]->temporary) continue;
            size_t at = Hash(db, table, *rows[i]) & (slots_.size() - 1);
            while (slots_[at] != 0) at = (at + 1) & (slots_.size() - 1);
            slots_[at] = uint32_t(i + 1);
        }
    }

    // The first row (in table order) whose key equals that of `row` of
    // `table` in `db`, or kNone.
    size_t Find(const db::Database& db, const db::Table& table, const db::Row& row) const {
        for (size_t at = Hash(db, table, row) & (slots_.size() - 1); slots_[at] != 0;
             at = (at + 1) & (slots_.size() - 1)) {
            const size_t i = slots_[at] - 1;
            if (SameKey(db, table, row, *table_.rows()[i])) return i;
        }
        return kNone;
    }

  private:
    static size_t Hash(const db::Database& db, const db::Table& table, const db::Row& row) {
        const TableSchema& schema = table.schema();
        size_t hash = 0;
        for (size_t c = 0; c < schema.KeyCount(); ++c) {
            const size_t part = schema.columns[c].type.IsInteger()
                                    ? std::hash<uint32_t>()(row.cells[c])
                                    : std::hash<std::string_view>()(TextOf(db, row.cells[c]));
            hash = (hash ^ part) * 0x9E3779B97F4A7C15ull;
        }
        return hash ^ (hash >> 29);
    }
    bool SameKey(const db::Database& db, const db::Table& table, const db::Row& row,
                 const db::Row& ours) const {
        const TableSchema& schema = table.schema();
        for (size_t c = 0; c < schema.KeyCount(); ++c) {
            const bool same = schema.columns[c].type.IsInteger()
                                  ? row.cells[c] == ours.cells[c]
                                  : TextOf(db, row.cells[c]) == TextOf(db_, ours.cells[c]);
            if (!same) return false;
        }
        return true;
    }

    const db::Database& db_;
    const db::Table& table_;
    std::vector<uint32_t> slots_;  // row index + 1; 0 is a free slot
};

// Whether two streams (either may be absent) hold the same bytes, compared
// in pieces: an embedded cabinet can be larger than two copies in memory.
Result<bool> SameBytes(const db::StreamSourcePtr& x, const db::StreamSourcePtr& y);

class Generator {
  public:
    Generator(db::Database& changed, db::Database& reference)
        : changed_(changed), reference_(reference) {}

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
    // Delete records for the rows of the reference whose keys no row of the
    // changed table took (`taken`, by the first row of each key), in the
    // table's order.
    Status AddDeletedRows(PendingStream& stream, const db::Table& reference, const KeyIndex& index,
                          const std::vector<bool>& taken);
    Status AddWholeTable(const std::string& name);
    // The _Streams records of the streams no binary cell owns, in both
    // databases: added, changed (by their bytes) or gone.
    Status CompareFreeStreams();
    // The root streams of `db` that no binary cell of a persistent table
    // names; the installer's own property sets ("\005...") left out.
    Result<std::set<std::string>> FreeStreams(db::Database& db);
    Result<bool> SameStream(const std::string& name);
    // A transform pool id for process text (0 for "").
    Result<uint32_t> Intern(std::string_view text);
    // The transform cell of a cell of `db`.
    Result<uint32_t> Encode(const db::Database& db, ColumnType type, uint32_t cell);
    Result<bool> SameBinary(const db::Table& changed, const db::Row& a, const db::Table& reference,
                            const db::Row& b, size_t column);
    // The cells of an add record of the row, into `cells`; with `only`, the
    // cells of the other columns stay 0 and their strings out of the pool
    // (for update records).
    Status FullRow(const db::Table& table, const db::Row& row, std::vector<uint32_t>& cells,
                   const std::vector<bool>* only = nullptr);
    // The _Columns record that adds a column named by pool id `column` to the
    // table `table` as its column `number` (0: a new table numbers its columns
    // in record order).
    Result<RowOperation> ColumnRecord(uint32_t table, int32_t number, uint32_t column,
                                      ColumnType type);
    Status WriteFile(const std::string& path);

    db::Database& changed_;
    db::Database& reference_;
    format::StringPool pool_;
    std::vector<RowOperation> tables_ops_;   // _Tables
    std::vector<RowOperation> columns_ops_;  // _Columns
    std::map<std::string, PendingStream> streams_;
    std::map<std::string, db::StreamSourcePtr> binaries_;
    bool code_page_differs_ = false;
    std::vector<uint32_t> cells_;  // the record being made, reused
};

Result<uint32_t> Generator::Intern(std::string_view text) {
    if (text.empty()) return uint32_t{0};
    if (format::WritesAsItself(text, pool_.code_page())) return pool_.Add(text, 1);
    auto bytes = format::ProcessToDatabase(text, pool_.code_page());
    if (!bytes.ok()) return bytes.status();
    return pool_.Add(*bytes, 1);
}

Result<uint32_t> Generator::Encode(const db::Database& db, ColumnType type, uint32_t cell) {
    if (type.IsBinary()) return cell != 0 ? 1u : 0u;
    if (type.IsString()) return Intern(TextOf(db, cell));
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

Result<bool> Generator::SameBinary(const db::Table& changed, const db::Row& a,
                                   const db::Table& reference, const db::Row& b, size_t column) {
    if ((a.cells[column] != 0) != (b.cells[column] != 0)) return false;
    if (a.cells[column] == 0) return true;
    return SameBytes(changed_.CellStream(changed, a, column),
                     reference_.CellStream(reference, b, column));
}

Status Generator::FullRow(const db::Table& table, const db::Row& row, std::vector<uint32_t>& cells,
                          const std::vector<bool>* only) {
    const TableSchema& schema = table.schema();
    cells.clear();
    for (size_t c = 0; c < schema.columns.size(); ++c) {
        if (only && !(*only)[c]) {
            cells.push_back(0);
            continue;
        }
        auto cell = Encode(changed_, schema.columns[c].type, row.cells[c]);
        if (!cell.ok()) return cell.status();
        cells.push_back(*cell);
        if (schema.columns[c].type.IsBinary() && row.cells[c] != 0) {
            auto name = changed_.BinaryStreamName(table, row);
            auto data = changed_.CellStream(table, row, c);
            if (name.ok() && data) binaries_[*name] = data;
            if (!data) cells.back() = 0;
        }
    }
    return Status::Ok();
}

// The mask of an add record: every column, counted in the high byte.
uint16_t AddMask(const TableSchema& schema) {
    return static_cast<uint16_t>((schema.columns.size() << 8) | 1);
}

Status Generator::AddWholeTable(const std::string& name) {
    auto table = changed_.ReadTable(name);
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
        if (Status s = FullRow(**table, *row, cells_); !s.ok()) return s;
        stream.Append(stream.adds, AddMask(schema), cells_);
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
            same = TextOf(changed_, row.cells[c]) == TextOf(reference_, old.cells[c]);
        } else {
            same = row.cells[c] == old.cells[c];
        }
        if (!same) differing.push_back(c);
    }
    return differing;
}

Status Generator::AddChangedRow(PendingStream& stream, const db::Table& changed, const db::Row& row,
                                const std::vector<size_t>& differing) {
    const TableSchema& schema = changed.schema();
    if (differing.back() >= kMaskColumns) {
        // No mask bit for this column: replace the row.
        if (Status s = FullRow(changed, row, cells_); !s.ok()) return s;
        stream.Append(stream.deletes, 0, cells_);
        stream.Append(stream.adds, AddMask(schema), cells_);
        return Status::Ok();
    }
    std::vector<bool> wanted(schema.columns.size(), false);
    for (size_t c = 0; c < schema.KeyCount(); ++c) wanted[c] = true;
    for (size_t c : differing) wanted[c] = true;
    if (Status s = FullRow(changed, row, cells_, &wanted); !s.ok()) return s;
    uint16_t mask = 0;
    for (size_t c : differing) mask |= uint16_t(1u << c);
    stream.Append(stream.updates, mask, cells_);
    return Status::Ok();
}

Status Generator::AddDeletedRows(PendingStream& stream, const db::Table& reference,
                                 const KeyIndex& index, const std::vector<bool>& taken) {
    const TableSchema& schema = reference.schema();
    const auto& rows = reference.rows();
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i]->temporary || taken[i]) continue;
        // A row whose key an earlier row has goes with that row's key.
        if (const size_t first = index.Find(reference_, reference, *rows[i]);
            first != KeyIndex::kNone && taken[first])
            continue;
        cells_.assign(stream.types.size(), 0);
        for (size_t c = 0; c < schema.KeyCount(); ++c) {
            auto cell = Encode(reference_, schema.columns[c].type, rows[i]->cells[c]);
            if (!cell.ok()) return cell.status();
            cells_[c] = *cell;
        }
        stream.Append(stream.deletes, 0, cells_);
    }
    return Status::Ok();
}

Status Generator::CompareTable(const std::string& name) {
    auto changed = changed_.ReadTable(name);
    if (!changed.ok()) return changed.status();
    auto reference = reference_.ReadTable(name);
    if (!reference.ok()) return reference.status();
    const TableSchema& now = (*changed)->schema();
    if (Status s = AddAppendedColumns(name, now, (*reference)->schema()); !s.ok()) return s;
    PendingStream stream;
    for (const auto& column : now.columns) stream.types.push_back(column.type);
    stream.keys = now.KeyCount();

    const KeyIndex index(reference_, **reference);
    std::vector<bool> taken((*reference)->row_count(), false);
    // A row of the changed table is added, changed or the same; the
    // reference's rows no row took afterwards were deleted. Of several rows
    // with one key, the first takes the reference's row and the others are
    // added.
    for (const auto& row : (*changed)->rows()) {
        if (row->temporary) continue;
        const size_t found = index.Find(changed_, **changed, *row);
        if (found == KeyIndex::kNone || taken[found]) {
            if (Status s = FullRow(**changed, *row, cells_); !s.ok()) return s;
            stream.Append(stream.adds, AddMask(now), cells_);
            continue;
        }
        taken[found] = true;
        const db::Row& old = *(*reference)->rows()[found];
        auto differing = DifferingColumns(**changed, *row, **reference, old);
        if (!differing.ok()) return differing.status();
        if (differing->empty()) continue;
        if (Status s = AddChangedRow(stream, **changed, *row, *differing); !s.ok()) return s;
    }
    if (Status s = AddDeletedRows(stream, **reference, index, taken); !s.ok()) return s;
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
        auto table = db.ReadTable(name);
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
    return SameBytes(changed_.streams().Get(name), reference_.streams().Get(name));
}

Result<bool> SameBytes(const db::StreamSourcePtr& x, const db::StreamSourcePtr& y) {
    if (!x || !y) return !x && !y;
    if (x->Size() != y->Size()) return false;
    const size_t piece = static_cast<size_t>(std::min<uint64_t>(x->Size(), 1 << 16));
    std::vector<std::byte> a(piece), b(piece);
    for (uint64_t offset = 0; offset < x->Size();) {
        auto got_a = x->ReadAt(offset, a);
        if (!got_a.ok()) return got_a.status();
        auto got_b = y->ReadAt(offset, std::span(b).first(*got_a));
        if (!got_b.ok()) return got_b.status();
        if (*got_a == 0 || *got_b != *got_a) return Status::Io("a stream reads short");
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
        stream.Append(stream.deletes, 0, std::array{*key, 0u});
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
            stream.Append(stream.updates, 0x0002, std::array{*key, 1u});
        else
            stream.Append(stream.adds, AddMask(schema), std::array{*key, 1u});
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
        if (const size_t width = changed_.Schema(name)->columns.size();
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
        auto units = format::EncodeStreamName(name, true);
        if (!units.ok()) return units.status();
        if (Status s = writer.AddStream(storage::CompoundWriter::kRoot, std::move(units).value(),
                                        std::make_unique<RecordSource>(stream, std::move(sizes)));
            !s.ok())
            return s;
    }
    // Binary data is read while the file is written: a changed cabinet can
    // be larger than memory.
    for (const auto& [name, source] : binaries_) {
        auto units = format::EncodeStreamName(name, false);
        if (!units.ok()) return units.status();
        if (Status s = writer.AddStream(storage::CompoundWriter::kRoot, std::move(units).value(),
                                        std::make_unique<db::WriterSource>(source));
            !s.ok())
            return s;
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
