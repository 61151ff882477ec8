#include "transform/transform_plan.h"

#include <algorithm>
#include <map>
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

class Planner {
  public:
    Planner(db::Database& target, const TransformSource& source, int conditions)
        : db_(target), source_(source), conditions_(conditions) {
        plan_.view = (conditions & kViewTransform) != 0;
        plan_.strings.resize(source.pool().IdLimit());
    }

    Result<TransformPlan> Run();

  private:
    bool Suppressed(int condition) const { return plan_.view || (conditions_ & condition); }
    Status PlanCodePage();
    Status PlanTables();
    Status PlanColumns();
    Status PlanRows(PlannedTable& table, const std::vector<uint8_t>& stream);
    Status PlanRow(PlannedTable& table, const db::Table* existing, RowOperation op);
    // Converts a transform string once; fails for an unknown id.
    Result<const PlannedString*> String(uint32_t id);
    PlannedTable& TableEntry(const std::string& name);

    db::Database& db_;
    const TransformSource& source_;
    int conditions_;
    TransformPlan plan_;
    std::map<std::string, size_t> index_;  // table name -> plan_.tables position
    // Rows this transform inserted (true) or deleted (false), by table and key.
    std::map<std::string, std::unordered_map<std::string, bool>> touched_;
};

Result<const PlannedString*> Planner::String(uint32_t id) {
    if (id >= plan_.strings.size() || !source_.pool().Lookup(id))
        return Status::Corrupt("record refers to unknown string " + std::to_string(id));
    PlannedString& s = plan_.strings[id];
    if (!s.converted) {
        auto text = source_.pool().LookupText(id);
        if (!text.ok()) return Status::Corrupt("transform string: " + text.status().message());
        auto bytes = format::ProcessToDatabase(*text, plan_.code_page);
        if (!bytes.ok())
            return Status::Unsupported("a string of the transform has no form in code page " +
                                       std::to_string(plan_.code_page));
        s.text = std::move(text).value();
        s.bytes = std::move(bytes).value();
        s.converted = true;
    }
    return &s;
}

PlannedTable& Planner::TableEntry(const std::string& name) {
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
Status Planner::PlanCodePage() {
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
    if (!(conditions_ & kChangeCodePage))
        return Status::Unsupported("transform code page " + std::to_string(theirs) +
                                   " differs from the database's " + std::to_string(mine));
    return Status::Ok();
}

Status Planner::PlanTables() {
    auto it = source_.table_streams().find(kTablesStream);
    if (it == source_.table_streams().end()) return Status::Ok();
    const uint8_t sizes[] = {source_.string_ref_size()};
    auto ops = ParseRowOperations(it->second, sizes, 1);
    if (!ops.ok()) return Status::Corrupt("_Tables: " + ops.status().message());
    for (const RowOperation& op : *ops) {
        if (op.kind == RowOperation::Kind::kUpdate)
            return Status::Corrupt("_Tables: an update record");
        auto name = String(op.cells[0]);
        if (!name.ok()) return name.status();
        const std::string& table = (*name)->text;
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
    return Status::Ok();
}

Status Planner::PlanColumns() {
    auto it = source_.table_streams().find(kColumnsStream);
    if (it == source_.table_streams().end()) return Status::Ok();
    const uint8_t ref = source_.string_ref_size();
    const uint8_t sizes[] = {ref, 2, ref, 2};
    auto ops = ParseRowOperations(it->second, sizes, 2);
    if (!ops.ok()) return Status::Corrupt("_Columns: " + ops.status().message());
    // Columns of each table in record order; numbers sort them when given.
    std::map<std::string, std::vector<AddedColumn>> by_table;
    std::vector<std::string> order;
    for (const RowOperation& op : *ops) {
        if (op.kind != RowOperation::Kind::kAdd || (op.mask >> 8) != 4)
            return Status::Corrupt("_Columns: only whole added rows can be applied");
        auto table = String(op.cells[0]);
        if (!table.ok()) return table.status();
        auto name = String(op.cells[2]);
        if (!name.ok()) return name.status();
        const int32_t number = format::LoadShortInteger(op.cells[1]);
        const int32_t word = format::LoadShortInteger(op.cells[3]);
        if (word == format::kNullInteger || (*name)->text.empty())
            return Status::Corrupt("_Columns: a column without a name or type");
        // The in-memory temporary bit and the reserved bit are never stored.
        const ColumnType type(uint16_t(word & 0x3FFF));
        if (type.IsInteger() && type.Width() != 2 && type.Width() != 4 && type.Width() > 1)
            return Status::Corrupt("_Columns: bad integer width in type " + std::to_string(word));
        AddedColumn added{ColumnSchema{(*name)->text, type},
                          number == format::kNullInteger ? 0 : number};
        if (!by_table.count((*table)->text)) order.push_back((*table)->text);
        by_table[(*table)->text].push_back(std::move(added));
    }
    for (const std::string& name : order) {
        auto& columns = by_table[name];
        auto found = index_.find(name);
        const bool known = db_.Schema(name) != nullptr;
        if (!known && (found == index_.end() || !plan_.tables[found->second].create))
            return Status::Corrupt("_Columns: columns for unknown table " + name);
        PlannedTable& table = TableEntry(name);
        if (table.drop) continue;  // the table goes; its new columns do not matter
        const bool numbered = std::all_of(columns.begin(), columns.end(),
                                          [](const AddedColumn& c) { return c.number != 0; });
        if (numbered)
            std::stable_sort(columns.begin(), columns.end(),
                             [](const auto& a, const auto& b) { return a.number < b.number; });
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

Status Planner::PlanRows(PlannedTable& table, const std::vector<uint8_t>& stream) {
    std::shared_ptr<db::Table> existing;
    if (!table.create && db_.Schema(table.name)) {
        // Loading reads the stream now, so that a damaged table fails here.
        auto loaded = db_.GetTable(table.name);
        if (!loaded.ok()) return loaded.status();
        existing = *loaded;
    }
    const auto sizes = TransformCellSizes(table.schema, source_.string_ref_size());
    auto ops = ParseRowOperations(stream, sizes, table.schema.KeyCount());
    if (!ops.ok()) return Status::Corrupt(table.name + ": " + ops.status().message());
    table.rows.reserve(ops->size());
    for (RowOperation& op : *ops) {
        Status s = PlanRow(table, existing.get(), std::move(op));
        if (!s.ok()) return s;
    }
    return Status::Ok();
}

Status Planner::PlanRow(PlannedTable& table, const db::Table* existing, RowOperation op) {
    const TableSchema& schema = table.schema;
    const size_t keys = schema.KeyCount();
    PlannedRow row;
    row.kind = op.kind;
    row.present = std::move(op.present);
    row.values.resize(schema.columns.size());
    // Keys first: the row's identity in text (for the view and stream names)
    // and in the target's cells (to find the row).
    std::vector<std::string> key_texts;
    std::vector<uint32_t> key_cells(schema.columns.size(), 0);
    bool findable = true;
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
        std::string text;
        if (value.kind == CellValue::Kind::kString) {
            const PlannedString& s = plan_.strings[value.string];
            text = s.text;
            const uint32_t id = db_.pool().Find(s.bytes);
            if (id == 0) findable = false;  // a string the target lacks: no such row yet
            key_cells[c] = id;
        } else if (value.kind == CellValue::Kind::kInteger) {
            text = std::to_string(value.number);
            key_cells[c] = static_cast<uint32_t>(value.number);
        } else {
            key_cells[c] = type.IsInteger() ? static_cast<uint32_t>(db::Record::kNullInteger) : 0;
        }
        key_texts.push_back(text);
        if (c > 0) row.row_text += '\t';
        row.row_text += text.empty() ? std::string(" ") : text;
    }
    row.stream_name = format::JoinStreamName(table.name, key_texts);
    for (size_t c = keys; c < schema.columns.size(); ++c) {
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

    // Whether the row exists at this point: in the target, unless an earlier
    // record of this transform inserted or deleted it. The view changes
    // nothing, so there every record meets the target as it stands, and
    // Current shows the value the database holds (a delete followed by an
    // add of the same key lists the delete and then the add as an update).
    const bool in_target = existing && findable && !table.drop;
    db::RowPtr current = in_target ? existing->Find(key_cells) : nullptr;
    auto& touched = touched_[table.name];
    auto state = plan_.view ? touched.end() : touched.find(row.row_text + '\n' + row.stream_name);
    const bool exists = state != touched.end() ? state->second : current != nullptr;
    if (state == touched.end() || state->second) row.current = current;

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
    if (row.effect == Effect::kInsert) touched[row.row_text + '\n' + row.stream_name] = true;
    if (row.effect == Effect::kDelete) touched[row.row_text + '\n' + row.stream_name] = false;
    table.rows.push_back(std::move(row));
    return Status::Ok();
}

Result<TransformPlan> Planner::Run() {
    if (Status s = PlanCodePage(); !s.ok()) return s;
    if (Status s = PlanTables(); !s.ok()) return s;
    if (Status s = PlanColumns(); !s.ok()) return s;
    // Also when the transform has no _Columns stream at all.
    for (const PlannedTable& table : plan_.tables)
        if (table.create && table.schema.columns.empty())
            return Status::Corrupt("the transform adds table " + table.name + " without columns");
    for (const auto& [name, stream] : source_.table_streams()) {
        if (name == kTablesStream || name == kColumnsStream) continue;
        if (db::IsSystemTable(name)) return Status::Corrupt("the transform changes " + name);
        auto found = index_.find(name);
        const bool known = db_.Schema(name) != nullptr ||
                           (found != index_.end() && plan_.tables[found->second].create);
        if (!known) return Status::Corrupt("the transform changes unknown table " + name);
        PlannedTable& table = TableEntry(name);
        if (table.drop) continue;  // rows of a table that goes are moot
        if (Status s = PlanRows(table, stream); !s.ok()) return s;
    }
    return std::move(plan_);
}

}  // namespace

Result<TransformPlan> PlanTransform(db::Database& target, const TransformSource& source,
                                    int conditions) {
    Planner planner(target, source, conditions);
    return planner.Run();
}

}  // namespace msi::transform
