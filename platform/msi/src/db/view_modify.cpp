// The changing half of a view: INSERT, UPDATE, DELETE and the schema
// statements, and MsiViewModify's modes.
#include <algorithm>

#include "db/view.h"
#include "msiquery.h"

namespace msi::db {

using format::ColumnType;

namespace {

constexpr uint32_t kNullIntegerCell = static_cast<uint32_t>(Record::kNullInteger);

bool IsStreamsTable(const Table& table) {
    return table.schema().name == "_Streams";
}

std::vector<uint32_t> NullCells(const TableSchema& schema) {
    std::vector<uint32_t> cells;
    for (const auto& c : schema.columns) cells.push_back(c.type.IsInteger() ? kNullIntegerCell : 0);
    return cells;
}

bool IsNullCell(ColumnType type, uint32_t cell) {
    return type.IsInteger() ? cell == kNullIntegerCell : cell == 0;
}

// A WHERE condition's view of one row of a single-table statement.
class SingleRow final : public sql::RowAccessor {
  public:
    SingleRow(const Database& db, const Table& table, const Row& row)
        : db_(db), table_(table), row_(row) {}
    bool IsNull(int c) const override {
        return IsNullCell(table_.schema().columns[c].type, row_.cells[c]);
    }
    int32_t GetInteger(int c) const override { return static_cast<int32_t>(row_.cells[c]); }
    std::string_view GetString(int c) const override {
        auto text = db_.Text(row_.cells[c]);
        text_ = text.ok() ? std::move(text).value() : std::string();
        return text_;
    }

  private:
    const Database& db_;
    const Table& table_;
    const Row& row_;
    mutable std::string text_;
};

}  // namespace

Status View::CheckWritable() const {
    if (db_->read_only()) return Status::Unsupported("database is read-only");
    return Status::Ok();
}

std::shared_ptr<Table> View::SingleTable() const {
    return tables_.size() == 1 ? tables_[0] : nullptr;
}

Status View::CellFromValue(const Table& table, size_t column, const sql::FieldValue& value,
                           uint32_t& cell) {
    const ColumnType type = table.schema().columns[column].type;
    cell = type.IsInteger() ? kNullIntegerCell : 0;
    if (std::holds_alternative<std::monostate>(value)) return Status::Ok();
    if (type.IsInteger()) {
        int32_t v = 0;
        if (auto* i = std::get_if<int32_t>(&value)) {
            v = *i;
        } else if (!ParseRecordInteger(std::get<std::string>(value), v)) {
            return Status::InvalidArgument("not a number for column " +
                                           table.schema().columns[column].name);
        }
        // Short columns hold -32767..32767 (their stored 0 is null).
        if (!type.IsLongInteger() && (v < -32767 || v > 32767) && v != Record::kNullInteger)
            return Status::InvalidArgument("value out of range for " +
                                           table.schema().columns[column].name);
        cell = static_cast<uint32_t>(v);
        return Status::Ok();
    }
    if (type.IsBinary()) return Status::InvalidArgument("a binary column takes a stream");
    std::string text = std::holds_alternative<int32_t>(value)
                           ? std::to_string(std::get<int32_t>(value))
                           : std::get<std::string>(value);
    // A string longer than its column's width is stored all the same: the
    // installer only reports it when asked to validate.
    auto id = db_->Intern(text);
    if (!id.ok()) return id.status();
    cell = *id;
    return Status::Ok();
}

Status View::CellFromRecord(const Table& table, size_t column, const Record& record, uint32_t field,
                            uint32_t& cell) {
    const ColumnType type = table.schema().columns[column].type;
    if (type.IsBinary()) {
        cell = record.KindOf(field) == Record::Kind::kStream ? 1 : 0;
        if (record.KindOf(field) == Record::Kind::kString ||
            record.KindOf(field) == Record::Kind::kInteger)
            return Status::InvalidArgument("a binary column takes a stream");
        return Status::Ok();
    }
    sql::FieldValue value;
    if (record.KindOf(field) == Record::Kind::kInteger) value = record.GetInteger(field);
    if (record.KindOf(field) == Record::Kind::kString) value = record.GetString(field);
    if (record.KindOf(field) == Record::Kind::kStream)
        return Status::InvalidArgument("a stream for a column that is not binary");
    return CellFromValue(table, column, value, cell);
}

Status View::StoreRowStreams(const Table& table, const Row& row,
                             const std::vector<StreamSourcePtr>& streams) {
    for (size_t c = 0; c < streams.size(); ++c) {
        if (!streams[c]) continue;
        if (IsStreamsTable(table)) {
            auto name = db_->Text(row.cells[0]);
            if (!name.ok()) return name.status();
            db_->streams().Put(*name, streams[c]);
            continue;
        }
        auto name = db_->BinaryStreamName(table, row);
        if (!name.ok()) return name.status();
        db_->streams().Put(*name, streams[c]);
    }
    return Status::Ok();
}

Status View::EraseRow(Table& table, const RowPtr& row) {
    const auto& columns = table.schema().columns;
    for (size_t c = 0; c < columns.size(); ++c) {
        if (!columns[c].type.IsBinary() || row->cells[c] == 0) continue;
        auto name =
            IsStreamsTable(table) ? db_->Text(row->cells[0]) : db_->BinaryStreamName(table, *row);
        if (name.ok()) db_->streams().Remove(*name);
    }
    table.Erase(row);
    if (!row->temporary) db_->MarkModified();
    return Status::Ok();
}

Status View::RowFromRecord(const Record& record, RowPtr& row, std::vector<StreamSourcePtr>& streams,
                           bool keys_only) {
    auto table = SingleTable();
    if (!table) return Status::InvalidArgument("not a single-table view");
    const TableSchema& schema = table->schema();
    row = std::make_shared<Row>();
    row->cells = NullCells(schema);
    streams.assign(schema.columns.size(), nullptr);
    for (size_t i = 0; i < selected_.size(); ++i) {
        const size_t c = selected_[i].column;
        const uint32_t field = static_cast<uint32_t>(i + 1);
        if (Status s = CellFromRecord(*table, c, record, field, row->cells[c]); !s.ok()) return s;
        if (schema.columns[c].type.IsBinary()) streams[c] = record.GetStream(field);
    }
    for (size_t c = 0; c < schema.columns.size(); ++c) {
        const ColumnType type = schema.columns[c].type;
        if (keys_only && !type.IsKey()) continue;
        if ((type.IsKey() || !type.IsNullable()) && IsNullCell(type, row->cells[c])) {
            last_error_ = MSIDBERROR_REQUIRED;
            last_error_column_ = schema.columns[c].name;
            return Status::InvalidArgument("column " + schema.columns[c].name + " needs a value");
        }
    }
    return Status::Ok();
}

Status View::ExecuteInsert(const Record* params, const std::vector<sql::FieldValue>& values) {
    if (Status s = CheckWritable(); !s.ok()) return s;
    const auto& insert = std::get<sql::InsertStatement>(statement_.body);
    auto table = SingleTable();
    // A record built from the literals and parameter fields, then inserted
    // like MsiViewModify(INSERT) would.
    Record record(static_cast<uint32_t>(selected_.size()));
    for (size_t i = 0; i < insert.values.size() && i < selected_.size(); ++i) {
        const sql::Value& v = insert.values[i];
        const uint32_t field = static_cast<uint32_t>(i + 1);
        switch (v.kind) {
            case sql::Value::Kind::kNull:
                break;
            case sql::Value::Kind::kInteger:
                record.SetInteger(field, v.integer);
                break;
            case sql::Value::Kind::kString:
                record.SetString(field, v.text);
                break;
            case sql::Value::Kind::kParameter: {
                const uint32_t from = static_cast<uint32_t>(v.parameter + 1);
                if (params && params->KindOf(from) == Record::Kind::kStream) {
                    record.SetStream(field, params->GetStream(from));
                } else if (static_cast<size_t>(v.parameter) < values.size()) {
                    const auto& value = values[static_cast<size_t>(v.parameter)];
                    if (auto* n = std::get_if<int32_t>(&value)) record.SetInteger(field, *n);
                    if (auto* t = std::get_if<std::string>(&value)) record.SetString(field, *t);
                }
                break;
            }
        }
    }
    RowPtr row;
    std::vector<StreamSourcePtr> streams;
    if (Status s = RowFromRecord(record, row, streams); !s.ok()) return s;
    row->temporary = insert.temporary || table->schema().temporary;
    if (IsStreamsTable(*table)) {
        auto name = db_->Text(row->cells[0]);
        if (!name.ok()) return name.status();
        if (db_->streams().Has(*name)) return Status::Exists("stream " + *name + " exists");
        db_->streams().Put(
            *name, streams[1] ? streams[1]
                              : std::make_shared<MemoryStreamSource>(std::vector<std::byte>()));
        return Status::Ok();
    }
    if (Status s = table->Insert(row); !s.ok()) return s;
    if (!row->temporary) db_->MarkModified();
    return StoreRowStreams(*table, *row, streams);
}

Status View::ExecuteUpdate(const std::vector<sql::FieldValue>& params) {
    if (Status s = CheckWritable(); !s.ok()) return s;
    const auto& update = std::get<sql::UpdateStatement>(statement_.body);
    auto table = SingleTable();
    if (IsSystemTable(table->schema().name))
        return Status::Unsupported("system tables are changed through their own calls");
    std::vector<uint32_t> cells(update.assignments.size());
    for (size_t i = 0; i < update.assignments.size(); ++i) {
        const size_t c = selected_[i].column;
        if (table->schema().columns[c].type.IsKey())
            return Status::InvalidArgument("key columns cannot be updated");
        const sql::Value& v = update.assignments[i].value;
        sql::FieldValue value;
        if (v.kind == sql::Value::Kind::kInteger) value = v.integer;
        if (v.kind == sql::Value::Kind::kString) value = v.text;
        if (v.kind == sql::Value::Kind::kParameter &&
            static_cast<size_t>(v.parameter) < params.size())
            value = params[static_cast<size_t>(v.parameter)];
        if (Status s = CellFromValue(*table, c, value, cells[i]); !s.ok()) return s;
        const ColumnType type = table->schema().columns[c].type;
        if (!type.IsNullable() && IsNullCell(type, cells[i]))
            return Status::InvalidArgument("column needs a value");
    }
    const std::vector<RowPtr> rows = table->rows();
    for (const auto& row : rows) {
        if (where_) {
            SingleRow accessor(*db_, *table, *row);
            if (!where_->Evaluate(accessor, params)) continue;
        }
        for (size_t i = 0; i < cells.size(); ++i) row->cells[selected_[i].column] = cells[i];
        table->set_modified();
        if (!row->temporary) db_->MarkModified();
    }
    return Status::Ok();
}

Status View::ExecuteDelete(const std::vector<sql::FieldValue>& params) {
    if (Status s = CheckWritable(); !s.ok()) return s;
    auto table = SingleTable();
    const std::vector<RowPtr> rows = table->rows();
    for (const auto& row : rows) {
        if (where_) {
            SingleRow accessor(*db_, *table, *row);
            if (!where_->Evaluate(accessor, params)) continue;
        }
        if (IsStreamsTable(*table)) {
            auto name = db_->Text(row->cells[0]);
            if (name.ok()) db_->streams().Remove(*name);
            continue;
        }
        if (IsSystemTable(table->schema().name))
            return Status::Unsupported("system tables are changed through their own calls");
        if (Status s = EraseRow(*table, row); !s.ok()) return s;
    }
    return Status::Ok();
}

Status View::ExecuteSchema() {
    if (auto* create = std::get_if<sql::CreateTableStatement>(&statement_.body)) {
        TableSchema schema;
        schema.name = create->table;
        auto add = [&](const sql::ColumnDef& def, bool key) {
            uint16_t word = def.type_word;
            if (key) word |= ColumnType::kKey;
            if (def.temporary)
                word = uint16_t((word & ~ColumnType::kPersistent) | ColumnType::kTemporary);
            schema.columns.push_back({def.name, ColumnType(word)});
        };
        // The installer stores key columns first, in key order.
        for (const auto& key : create->primary_keys)
            for (const auto& def : create->columns)
                if (def.name == key) add(def, true);
        for (const auto& def : create->columns)
            if (std::find(create->primary_keys.begin(), create->primary_keys.end(), def.name) ==
                create->primary_keys.end())
                add(def, false);
        return db_->CreateTable(std::move(schema));
    }
    if (auto* drop = std::get_if<sql::DropTableStatement>(&statement_.body))
        return db_->DropTable(drop->table);
    const auto& alter = std::get<sql::AlterTableStatement>(statement_.body);
    if (!db_->HasTable(alter.table)) return Status::NotFound("no table " + alter.table);
    switch (alter.action) {
        case sql::AlterTableStatement::Action::kHold:
            return Status::Ok();
        case sql::AlterTableStatement::Action::kFree:
            // A temporary table is released when freed; persistent ones stay.
            if (db_->IsPersistent(alter.table) == std::optional<bool>(false))
                return db_->DropTable(alter.table);
            return Status::Ok();
        case sql::AlterTableStatement::Action::kAddColumn: {
            const auto& def = *alter.column;
            uint16_t word = def.type_word;
            if (def.temporary)
                word = uint16_t((word & ~ColumnType::kPersistent) | ColumnType::kTemporary);
            return db_->AddColumn(alter.table, {def.name, ColumnType(word)});
        }
    }
    return Status::Ok();
}

RowPtr View::OriginRow(const Record& record) const {
    if (record.origin_view() != this) return nullptr;
    auto row = std::static_pointer_cast<Row>(record.origin_row());
    return row && !row->erased ? row : nullptr;
}

Status View::Modify(ModifyMode mode, Record& record) {
    last_error_ = MSIDBERROR_NOERROR;
    last_error_column_.clear();
    auto table = SingleTable();
    if (!table || !std::holds_alternative<sql::SelectStatement>(statement_.body))
        return Status::InvalidArgument("only a single-table SELECT view can be modified");
    if (record.FieldCount() < selected_.size())
        return Status::InvalidArgument("record has too few fields");
    const bool changes = mode != ModifyMode::kSeek && mode != ModifyMode::kRefresh &&
                         mode != ModifyMode::kValidate && mode != ModifyMode::kValidateNew &&
                         mode != ModifyMode::kValidateField && mode != ModifyMode::kValidateDelete;
    if (changes && mode != ModifyMode::kInsertTemporary) {
        if (Status s = CheckWritable(); !s.ok()) return s;
    }

    RowPtr candidate;
    std::vector<StreamSourcePtr> streams;
    auto build = [&]() { return RowFromRecord(record, candidate, streams); };
    auto existing_for = [&](const RowPtr& row) { return table->Find(row->cells); };

    switch (mode) {
        case ModifyMode::kSeek:
        case ModifyMode::kRefresh: {
            RowPtr row = OriginRow(record);
            if (mode == ModifyMode::kSeek) {
                // A seek needs the key fields only.
                if (Status s = RowFromRecord(record, candidate, streams, true); !s.ok()) return s;
                row = existing_for(candidate);
            }
            if (!row) return Status::NotFound("no such row");
            FillRecord(record, {row});
            record.SetOrigin(this, row);
            return Status::Ok();
        }
        case ModifyMode::kInsert:
        case ModifyMode::kInsertTemporary: {
            if (Status s = build(); !s.ok()) return s;
            candidate->temporary =
                mode == ModifyMode::kInsertTemporary || table->schema().temporary;
            if (Status s = table->Insert(candidate); !s.ok()) return s;
            if (!candidate->temporary) db_->MarkModified();
            record.SetOrigin(this, candidate);
            return StoreRowStreams(*table, *candidate, streams);
        }
        case ModifyMode::kUpdate: {
            RowPtr row = OriginRow(record);
            if (!row) return Status::NotFound("record was not fetched from this view");
            if (Status s = build(); !s.ok()) return s;
            if (table->CompareKeys(row->cells, candidate->cells) != 0)
                return Status::InvalidArgument("key columns cannot be updated");
            row->cells = candidate->cells;
            table->set_modified();
            if (!row->temporary) db_->MarkModified();
            return StoreRowStreams(*table, *row, streams);
        }
        case ModifyMode::kAssign:
        case ModifyMode::kReplace:
        case ModifyMode::kMerge: {
            if (Status s = build(); !s.ok()) return s;
            RowPtr row = existing_for(candidate);
            if (row && mode == ModifyMode::kMerge) {
                return row->cells == candidate->cells ? Status::Ok()
                                                      : Status::Exists("row differs");
            }
            if (row) {
                if (mode == ModifyMode::kReplace) {
                    if (Status s = EraseRow(*table, row); !s.ok()) return s;
                    if (Status s = table->Insert(candidate); !s.ok()) return s;
                    row = candidate;
                } else {
                    row->cells = candidate->cells;
                    table->set_modified();
                }
            } else {
                if (Status s = table->Insert(candidate); !s.ok()) return s;
                row = candidate;
            }
            if (!row->temporary) db_->MarkModified();
            record.SetOrigin(this, row);
            return StoreRowStreams(*table, *row, streams);
        }
        case ModifyMode::kDelete: {
            RowPtr row = OriginRow(record);
            if (!row) return Status::NotFound("record was not fetched from this view");
            return EraseRow(*table, row);
        }
        case ModifyMode::kValidateNew:
        case ModifyMode::kValidate:
        case ModifyMode::kValidateField: {
            if (Status s = build(); !s.ok()) return s;  // sets REQUIRED
            if (mode == ModifyMode::kValidateNew && existing_for(candidate)) {
                last_error_ = MSIDBERROR_DUPLICATEKEY;
                last_error_column_ = table->schema().columns[0].name;
                return Status::InvalidArgument("duplicate key");
            }
            return Status::Ok();
        }
        case ModifyMode::kValidateDelete:
            return Status::Ok();
    }
    return Status::InvalidArgument("unknown modify mode");
}

}  // namespace msi::db
