#include "transform/transform_plan.h"

#include <algorithm>
#include <map>
#include <tuple>
#include <unordered_map>

#include "db/record.h"
#include "format/code_page.h"
#include "format/stream_name.h"
#include "format/table_stream.h"

namespace msi::transform {

using db::ColumnSchema;
using db::TableSchema;
using format::ColumnType;

namespace {

constexpr const char* kTablesStream = "_Tables";
constexpr const char* kColumnsStream = "_Columns";

// Cell sizes of a target table's columns as the transform stores them.
std::vector<uint8_t> TransformCellSizes(const TableSchema& schema, uint8_t ref_size) {
    std::vector<uint8_t> sizes;
    for (const auto& column : schema.columns) {
        const ColumnType type = column.type;
        if (type.IsBinary()) {
            sizes.push_back(ColumnType::kBinaryCellSize);
        } else if (type.IsString()) {
            sizes.push_back(ref_size);
        } else {
            sizes.push_back(type.IsLongInteger() ? ColumnType::kLongCellSize
                                                 : ColumnType::kShortCellSize);
        }
    }
    return sizes;
}

// Converts a transform string on first use; fails for an unknown id. Most
// strings read and write as their own bytes and need nothing kept.
Result<PlannedString> ConvertString(const TransformSource& source, TransformPlan& plan,
                                    uint32_t id) {
    const std::optional<std::string_view> stored =
        id < plan.string_slots.size() ? source.pool().Lookup(id) : std::nullopt;
    if (!stored) return Status::Corrupt("record refers to unknown string " + std::to_string(id));
    uint32_t& slot = plan.string_slots[id];
    if (slot != 0) return plan.StringOf(id);
    auto text = source.pool().LookupTextView(id);
    if (!text.ok()) return Status::Corrupt("transform string: " + text.status().message());
    PlannedString converted{*text, *text};
    if (!format::WritesAsItself(*text, plan.code_page)) {
        auto bytes = format::ProcessToDatabase(*text, plan.code_page);
        if (bytes.ok()) {
            converted.bytes = plan.converted.emplace_back(std::move(bytes).value());
        } else if (plan.view) {
            converted.bytes = {};
            converted.storable = false;
        } else {
            return Status::Unsupported("a string of the transform has no form in code page " +
                                       std::to_string(plan.code_page));
        }
    }
    if (converted.text == *stored && converted.bytes == *stored) {
        slot = TransformPlan::kAsStored;
        return converted;
    }
    plan.strings.push_back(converted);
    slot = static_cast<uint32_t>(plan.strings.size());
    return converted;
}

// The schema part: code page, _Tables, _Columns, and the tables whose rows
// the transform changes.
class SchemaPlanner {
  public:
    SchemaPlanner(db::Database& target, const TransformSource& source, int conditions)
        : db_(target), source_(source) {
        plan_.view = (conditions & kViewTransform) != 0;
        plan_.conditions = conditions;
        plan_.string_slots.resize(source.pool().IdLimit());
        plan_.transform_pool = &source.pool();
    }

    Result<TransformPlan> Run();

  private:
    bool Suppressed(int condition) const { return plan_.view || (plan_.conditions & condition); }
    Status PlanCodePage();
    Status PlanTables();
    Status PlanColumns();
    Result<PlannedString> String(uint32_t id) { return ConvertString(source_, plan_, id); }
    PlannedTable& TableEntry(const std::string& name);

    db::Database& db_;
    const TransformSource& source_;
    TransformPlan plan_;
    std::map<std::string, size_t> index_;  // table name -> plan_.tables position
};

PlannedTable& SchemaPlanner::TableEntry(const std::string& name) {
    auto it = index_.find(name);
    if (it != index_.end()) return plan_.tables[it->second];
    index_.emplace(name, plan_.tables.size());
    plan_.tables.emplace_back();
    plan_.tables.back().name = name;
    if (const TableSchema* schema = db_.Schema(name)) plan_.tables.back().schema = *schema;
    return plan_.tables.back();
}

// Either side neutral: the target takes the transform's code page (or keeps
// its own). Two different real code pages clash unless the caller suppresses
// it; then the target keeps its code page and the transform's strings are
// converted into it. The view changes nothing, so it always converts.
Status SchemaPlanner::PlanCodePage() {
    const uint32_t mine = db_.pool().code_page();
    const uint32_t theirs = source_.pool().code_page();
    plan_.code_page = mine;
    if (theirs == mine || theirs == format::kNeutralCodePage || plan_.view) return Status::Ok();
    if (!format::IsValidDatabaseCodePage(theirs))
        return Status::Corrupt("transform code page " + std::to_string(theirs) + " is not valid");
    if (mine == format::kNeutralCodePage) {
        plan_.code_page = theirs;
        plan_.code_page_changes = true;
        return Status::Ok();
    }
    if (!(plan_.conditions & kChangeCodePage))
        return Status::Unsupported("transform code page " + std::to_string(theirs) +
                                   " differs from the database's " + std::to_string(mine));
    return Status::Ok();
}

Status SchemaPlanner::PlanTables() {
    auto it = source_.table_streams().find(kTablesStream);
    if (it == source_.table_streams().end()) return Status::Ok();
    const uint8_t sizes[] = {source_.string_ref_size()};
    RowOperationReader reader(it->second, sizes, 1);
    RowOperation op;
    for (;;) {
        auto more = reader.Next(op);
        if (!more.ok()) return Status::Corrupt("_Tables: " + more.status().message());
        if (!*more) return Status::Ok();
        if (op.kind == RowOperation::Kind::kUpdate)
            return Status::Corrupt("_Tables: an update record");
        auto name = String(op.cells[0]);
        if (!name.ok()) return name.status();
        const std::string table(name->text);
        if (table.empty() || db::IsSystemTable(table))
            return Status::Corrupt("_Tables: bad table name '" + table + "'");
        const bool exists = db_.Schema(table) != nullptr;
        PlannedTable& entry = TableEntry(table);
        if (op.kind == RowOperation::Kind::kAdd) {
            if (exists && !Suppressed(kAddExistingTable))
                return Status::Exists("the transform adds table " + table + ", which exists");
            if (!format::EncodeStreamName(table, true).ok())
                return Status::Corrupt("_Tables: table name cannot be stored: " + table);
            entry.create = !exists;
            entry.drop = false;
            if (!exists) entry.schema = TableSchema{table, {}, false};
        } else {
            if (!exists && !entry.create) {
                if (!Suppressed(kDeleteMissingTable))
                    return Status::NotFound("the transform drops table " + table +
                                            ", which is missing");
                entry.drop_missing = true;
                continue;
            }
            entry.drop = true;
        }
    }
}

// The columns _Columns adds to one table, in the order they are added: by
// number when every record carries one (equal numbers in record order),
// else in record order. A name given twice is added once, as its first
// record in that order (later ones find the column there), so only that
// record is kept: memory grows with the columns, not with the records.
class ColumnAdds {
  public:
    void Add(AddedColumn added) {
        numbered_ &= added.number != 0;
        const size_t record = records_++;
        auto [it, fresh] = at_.emplace(added.column.name, first_.size());
        if (fresh) {
            first_.push_back(added);
            lowest_.push_back({std::move(added), record});
        } else if (added.number < lowest_[it->second].column.number) {
            lowest_[it->second] = {std::move(added), record};
        }
    }
    std::vector<AddedColumn> Ordered() {
        if (!numbered_) return std::move(first_);
        std::sort(lowest_.begin(), lowest_.end(), [](const Numbered& a, const Numbered& b) {
            return std::tie(a.column.number, a.record) < std::tie(b.column.number, b.record);
        });
        std::vector<AddedColumn> ordered;
        for (Numbered& entry : lowest_) ordered.push_back(std::move(entry.column));
        return ordered;
    }

  private:
    struct Numbered {
        AddedColumn column;
        size_t record = 0;  // its place among the table's records
    };
    std::vector<AddedColumn> first_;    // each name's first record, in record order
    std::vector<Numbered> lowest_;      // each name's lowest-numbered record
    std::map<std::string, size_t> at_;  // name -> position in both
    size_t records_ = 0;
    bool numbered_ = true;
};

Status SchemaPlanner::PlanColumns() {
    auto it = source_.table_streams().find(kColumnsStream);
    if (it == source_.table_streams().end()) return Status::Ok();
    const uint8_t ref = source_.string_ref_size();
    const uint8_t sizes[] = {ref, 2, ref, 2};
    RowOperationReader reader(it->second, sizes, 2);
    RowOperation op;
    // Columns of each table in record order; numbers sort them when given.
    std::map<std::string, ColumnAdds> by_table;
    std::vector<std::string> order;
    for (;;) {
        auto more = reader.Next(op);
        if (!more.ok()) return Status::Corrupt("_Columns: " + more.status().message());
        if (!*more) break;
        if (op.kind != RowOperation::Kind::kAdd || (op.mask >> 8) != 4)
            return Status::Corrupt("_Columns: only whole added rows can be applied");
        auto table = String(op.cells[0]);
        if (!table.ok()) return table.status();
        auto name = String(op.cells[2]);
        if (!name.ok()) return name.status();
        const int32_t number = format::LoadShortInteger(op.cells[1]);
        const int32_t word = format::LoadShortInteger(op.cells[3]);
        if (word == format::kNullInteger || name->text.empty())
            return Status::Corrupt("_Columns: a column without a name or type");
        // The in-memory temporary bit and the reserved bit are never stored.
        const ColumnType type(uint16_t(word & 0x3FFF));
        if (type.IsInteger() && type.Width() != 2 && type.Width() != 4 && type.Width() > 1)
            return Status::Corrupt("_Columns: bad integer width in type " + std::to_string(word));
        AddedColumn added{ColumnSchema{std::string(name->text), type},
                          number == format::kNullInteger ? 0 : number};
        const std::string table_name(table->text);
        if (!by_table.count(table_name)) order.push_back(table_name);
        by_table[table_name].Add(std::move(added));
    }
    for (const std::string& name : order) {
        std::vector<AddedColumn> columns = by_table[name].Ordered();
        auto found = index_.find(name);
        const bool known = db_.Schema(name) != nullptr;
        if (!known && (found == index_.end() || !plan_.tables[found->second].create))
            return Status::Corrupt("_Columns: columns for unknown table " + name);
        PlannedTable& table = TableEntry(name);
        if (table.drop) continue;  // the table goes; its new columns do not matter
        for (auto& added : columns) {
            // A column the table already has (a transform applied twice, or a
            // suppressed add of an existing table) is left as it is.
            if (table.schema.FindColumn(added.column.name)) continue;
            const bool has_plain =
                std::any_of(table.schema.columns.begin(), table.schema.columns.end(),
                            [](const ColumnSchema& c) { return !c.type.IsKey(); });
            if (added.column.type.IsKey() && (has_plain || !table.create))
                return Status::Corrupt("_Columns: key column " + added.column.name + " of " + name +
                                       " follows other columns");
            if (table.schema.columns.size() >= 255)
                return Status::Corrupt("_Columns: too many columns in " + name);
            added.number = static_cast<int32_t>(table.schema.columns.size() + 1);
            table.schema.columns.push_back(added.column);
            table.added_columns.push_back(added);
        }
    }
    return Status::Ok();
}

Result<TransformPlan> SchemaPlanner::Run() {
    if (Status s = PlanCodePage(); !s.ok()) return s;
    if (Status s = PlanTables(); !s.ok()) return s;
    if (Status s = PlanColumns(); !s.ok()) return s;
    // Also when the transform has no _Columns stream at all.
    for (const PlannedTable& table : plan_.tables)
        if (table.create && table.schema.columns.empty())
            return Status::Corrupt("the transform adds table " + table.name + " without columns");
    for (const auto& [name, stream] : source_.table_streams()) {
        if (name == kTablesStream || name == kColumnsStream) continue;
        // Of the system tables only _Streams takes records: the streams that
        // belong to no binary cell (embedded cabinets).
        if (db::IsSystemTable(name) && name != db::StreamsTableSchema().name)
            return Status::Corrupt("the transform changes " + name);
        auto found = index_.find(name);
        const bool known = db_.Schema(name) != nullptr ||
                           (found != index_.end() && plan_.tables[found->second].create);
        if (!known) return Status::Corrupt("the transform changes unknown table " + name);
        TableEntry(name).stream = &stream;
    }
    return std::move(plan_);
}

// The row records, one at a time.
class RowPlanner {
  public:
    RowPlanner(db::Database& target, const TransformSource& source, TransformPlan& plan)
        : db_(target), source_(source), plan_(plan) {}

    Status Run(RowSink& sink);

  private:
    bool Suppressed(int condition) const { return plan_.view || (plan_.conditions & condition); }
    Status PlanTableRows(const PlannedTable& table, RowSink& sink);
    // Plans one record into row_, in the steps below.
    Status PlanRow(const PlannedTable& table, const db::Table* existing, const RowOperation& op);
    // The record's cells as values, and its key as text and as the target's
    // cells; findable is false when a key string is not in the target's pool.
    Status ReadRecordCells(const PlannedTable& table, const RowOperation& op, bool& findable);
    // Whether the row exists at this point; sets row_.current.
    bool FindCurrentRow(const PlannedTable& table, const db::Table* existing, bool findable);
    // What the record does to the row, or why it may not.
    Status DecideEffect(const PlannedTable& table, bool exists);
    // The data of the record's set binary cells (key cells have none).
    Status ReadBinaryCells(size_t keys);
    Result<PlannedString> String(uint32_t id) { return ConvertString(source_, plan_, id); }

    db::Database& db_;
    const TransformSource& source_;
    TransformPlan& plan_;
    // Reused from record to record.
    PlannedRow row_;
    std::vector<std::string> key_texts_;
    std::vector<uint32_t> key_cells_;
    std::string touched_key_;
    // Rows of the current table this transform inserted (true) or deleted
    // (false), by key; the apply's records meet the rows earlier ones left.
    std::unordered_map<std::string, bool> touched_;
};

Status RowPlanner::Run(RowSink& sink) {
    for (const PlannedTable& table : plan_.tables) {
        if (Status s = sink.BeginTable(table); !s.ok()) return s;
        // Rows of a table that goes are moot.
        if (table.drop || !table.stream) continue;
        if (Status s = PlanTableRows(table, sink); !s.ok()) return s;
    }
    return Status::Ok();
}

Status RowPlanner::PlanTableRows(const PlannedTable& table, RowSink& sink) {
    std::shared_ptr<db::Table> existing;
    if (!table.create && db_.Schema(table.name)) {
        // Loading reads the stream now, so that a damaged table fails here.
        auto loaded = db_.GetTable(table.name);
        if (!loaded.ok()) return loaded.status();
        existing = *loaded;
    }
    touched_.clear();
    const auto sizes = TransformCellSizes(table.schema, source_.string_ref_size());
    RowOperation op;
    // A damaged stream fails before any of its records is planned.
    RowOperationReader check(*table.stream, sizes, table.schema.KeyCount());
    for (;;) {
        auto more = check.Next(op);
        if (!more.ok()) return Status::Corrupt(table.name + ": " + more.status().message());
        if (!*more) break;
    }
    RowOperationReader reader(*table.stream, sizes, table.schema.KeyCount());
    for (;;) {
        auto more = reader.Next(op);
        if (!more.ok()) return Status::Corrupt(table.name + ": " + more.status().message());
        if (!*more) return Status::Ok();
        if (Status s = PlanRow(table, existing.get(), op); !s.ok()) return s;
        if (Status s = sink.Take(table, row_); !s.ok()) return s;
    }
}

Status RowPlanner::PlanRow(const PlannedTable& table, const db::Table* existing,
                           const RowOperation& op) {
    bool findable = true;
    if (Status s = ReadRecordCells(table, op, findable); !s.ok()) return s;
    if (Status s = ReadBinaryCells(table.schema.KeyCount()); !s.ok()) return s;
    return DecideEffect(table, FindCurrentRow(table, existing, findable));
}

Status RowPlanner::ReadRecordCells(const PlannedTable& table, const RowOperation& op,
                                   bool& findable) {
    const TableSchema& schema = table.schema;
    const size_t keys = schema.KeyCount();
    PlannedRow& row = row_;
    row.kind = op.kind;
    row.present = op.present;
    row.values.assign(schema.columns.size(), CellValue{});
    row.row_text.clear();
    row.current = nullptr;
    // Keys first: the row's identity in text (for the view and stream names)
    // and in the target's cells (to find the row).
    key_texts_.clear();
    key_cells_.assign(schema.columns.size(), 0);
    for (size_t c = 0; c < schema.columns.size(); ++c) {
        if (!row.present[c]) continue;
        const ColumnType type = schema.columns[c].type;
        const uint32_t raw = op.cells[c];
        CellValue& value = row.values[c];
        if (type.IsBinary()) {
            value.kind = raw != 0 ? CellValue::Kind::kBinary : CellValue::Kind::kNull;
        } else if (type.IsString()) {
            if (raw != 0) {
                auto s = String(raw);
                if (!s.ok()) return s.status();
                value.kind = CellValue::Kind::kString;
                value.string = raw;
            }
        } else {
            const int32_t n =
                type.IsLongInteger() ? format::LoadLongInteger(raw) : format::LoadShortInteger(raw);
            if (n != format::kNullInteger) {
                value.kind = CellValue::Kind::kInteger;
                value.number = n;
            }
        }
        if (c >= keys) continue;
        std::string& text = key_texts_.emplace_back();
        if (value.kind == CellValue::Kind::kString) {
            const PlannedString s = plan_.StringOf(value.string);
            text = s.text;
            const uint32_t id = db_.pool().Find(s.bytes);
            if (id == 0) findable = false;  // a string the target lacks: no such row yet
            key_cells_[c] = id;
        } else if (value.kind == CellValue::Kind::kInteger) {
            text = std::to_string(value.number);
            key_cells_[c] = static_cast<uint32_t>(value.number);
        } else {
            key_cells_[c] = type.IsInteger() ? static_cast<uint32_t>(db::Record::kNullInteger) : 0;
        }
        if (c > 0) row.row_text += '\t';
        if (text.empty())
            row.row_text += ' ';
        else
            row.row_text += text;
    }
    row.stream_name = format::JoinStreamName(table.name, key_texts_);
    // A _Streams record names a stream of the package itself: one a file can
    // hold, and never the installer's own property sets ("\005...").
    if (table.name == db::StreamsTableSchema().name && !key_texts_.empty()) {
        const std::string& name = key_texts_[0];
        if (name.empty() || static_cast<unsigned char>(name[0]) < 0x20 ||
            !format::EncodeStreamName(name, false).ok())
            return Status::Corrupt("the transform changes the stream " + name +
                                   ", which a package cannot hold");
    }
    return Status::Ok();
}

bool RowPlanner::FindCurrentRow(const PlannedTable& table, const db::Table* existing,
                                bool findable) {
    PlannedRow& row = row_;
    // Whether the row exists at this point: in the target, unless an earlier
    // record of this transform inserted or deleted it. The view changes
    // nothing, so there every record meets the target as it stands, and
    // Current shows the value the database holds (a delete followed by an
    // add of the same key lists the delete and then the add as an update).
    const bool in_target = existing && findable && !table.drop;
    db::RowPtr current = in_target ? existing->Find(key_cells_) : nullptr;
    auto state = touched_.end();
    if (!plan_.view) {
        touched_key_.assign(row.row_text).append(1, '\n').append(row.stream_name);
        state = touched_.find(touched_key_);
    }
    const bool exists = state != touched_.end() ? state->second : current != nullptr;
    if (state == touched_.end() || state->second) row.current = std::move(current);
    return exists;
}

Status RowPlanner::DecideEffect(const PlannedTable& table, bool exists) {
    PlannedRow& row = row_;
    using Effect = PlannedRow::Effect;
    switch (row.kind) {
        case RowOperation::Kind::kAdd:
            if (exists && !Suppressed(kAddExistingRow))
                return Status::Exists(table.name + ": the transform adds row " + row.row_text +
                                      ", which exists");
            row.effect = exists ? Effect::kUpdate : Effect::kInsert;
            break;
        case RowOperation::Kind::kDelete:
            if (!exists && !Suppressed(kDeleteMissingRow))
                return Status::NotFound(table.name + ": the transform deletes row " + row.row_text +
                                        ", which is missing");
            row.effect = exists || plan_.view ? Effect::kDelete : Effect::kSkip;
            break;
        case RowOperation::Kind::kUpdate:
            if (!exists && !Suppressed(kUpdateMissingRow))
                return Status::NotFound(table.name + ": the transform updates row " + row.row_text +
                                        ", which is missing");
            row.effect = exists || plan_.view ? Effect::kUpdate : Effect::kSkip;
            break;
    }
    // The view never asks: every record there meets the target as it stands.
    if (!plan_.view) {
        if (row.effect == Effect::kInsert) touched_[touched_key_] = true;
        if (row.effect == Effect::kDelete) touched_[touched_key_] = false;
    }
    return Status::Ok();
}

Status RowPlanner::ReadBinaryCells(size_t keys) {
    PlannedRow& row = row_;
    for (size_t c = keys; c < row.values.size(); ++c) {
        if (row.values[c].kind != CellValue::Kind::kBinary) continue;
        // A set binary cell whose stream the transform lacks is taken as null.
        auto bytes = source_.HasStream(row.stream_name)
                         ? source_.ReadStream(row.stream_name)
                         : Result<std::vector<uint8_t>>(Status::NotFound(""));
        if (!bytes.ok()) {
            if (bytes.status().kind() != Status::Kind::kNotFound) return bytes.status();
            row.values[c].kind = CellValue::Kind::kNull;
            continue;
        }
        std::vector<std::byte> data(bytes->size());
        std::transform(bytes->begin(), bytes->end(), data.begin(),
                       [](uint8_t b) { return std::byte(b); });
        row.values[c].data = std::make_shared<db::MemoryStreamSource>(std::move(data));
    }
    return Status::Ok();
}

}  // namespace

Result<TransformPlan> PlanTransform(db::Database& target, const TransformSource& source,
                                    int conditions) {
    SchemaPlanner planner(target, source, conditions);
    return planner.Run();
}

Status PlanRows(db::Database& target, const TransformSource& source, TransformPlan& plan,
                RowSink& sink) {
    RowPlanner planner(target, source, plan);
    return planner.Run(sink);
}

}  // namespace msi::transform
