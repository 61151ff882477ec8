// The statements that change a database through a view: INSERT, UPDATE,
// DELETE, CREATE TABLE, DROP TABLE and ALTER TABLE, with the conversions
// from record fields and SQL values to cells that MsiViewModify shares.
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

// A WHERE condition's view of one row of a single-table statement.
class SingleRow final : public sql::RowAccessor {
  public:
    SingleRow(const Database& db, const Table& table, const Row& row)
        : db_(db), table_(table), row_(row) {}
    bool IsNull(int c) const override {
        return IsNullCell(table_.schema().columns[c].type, row_.cells[c]);
    }
    int32_t GetInteger(int c) const override { return static_cast<int32_t>(row_.cells[c]); }
    // A view into the pool, not a copy in one buffer: a comparison of two
    // columns holds both texts at once.
    std::string_view GetString(int c) const override {
        auto text = db_.TextView(row_.cells[c]);
        return text.ok() ? *text : std::string_view();
    }

  private:
    const Database& db_;
    const Table& table_;
    const Row& row_;
};

// A record of the values an INSERT or UPDATE statement gives, field i+1 for
// value i: literals as written, '?' markers from the execute record (streams
// included).
Record ValueRecord(const std::vector<const sql::Value*>& values, const Record* params) {
    Record record(static_cast<uint32_t>(values.size()));
    for (size_t i = 0; i < values.size(); ++i) {
        const sql::Value& v = *values[i];
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
                if (!params) break;
                switch (params->KindOf(from)) {
                    case Record::Kind::kStream:
                        record.SetStream(field, params->GetStream(from));
                        break;
                    case Record::Kind::kInteger:
                        record.SetInteger(field, params->GetInteger(from));
                        break;
                    case Record::Kind::kString:
                        record.SetString(field, params->GetString(from));
                        break;
                    case Record::Kind::kNull:
                        break;
                }
                break;
            }
        }
    }
    return record;
}

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
        auto name =
            IsStreamsTable(table) ? db_->Text(row.cells[0]) : db_->BinaryStreamName(table, row);
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
    if (!row->temporary && !IsSystemTable(table.schema().name)) db_->MarkModified();
    return Status::Ok();
}

std::vector<uint32_t> View::FieldOfColumn() const {
    std::vector<uint32_t> fields(tables_[0]->schema().columns.size(), 0);
    for (size_t i = 0; i < selected_.size(); ++i)
        if (!selected_[i].constant()) fields[selected_[i].column] = static_cast<uint32_t>(i + 1);
    return fields;
}

Status View::RowFromRecord(const Record& record, RowPtr& row,
                           std::vector<StreamSourcePtr>& streams) {
    auto table = SingleTable();
    if (!table) return Status::InvalidArgument("not a single-table view");
    const TableSchema& schema = table->schema();
    const std::vector<uint32_t> fields = FieldOfColumn();
    row = std::make_shared<Row>();
    row->cells = NullCells(schema);
    streams.assign(schema.columns.size(), nullptr);
    for (size_t c = 0; c < schema.columns.size(); ++c) {
        const ColumnType type = schema.columns[c].type;
        if (fields[c] == 0) {
            if (!type.IsNullable())
                return Status::InvalidArgument("the view does not give column " +
                                               schema.columns[c].name);
            continue;
        }
        if (Status s = CellFromRecord(*table, c, record, fields[c], row->cells[c]); !s.ok())
            return s;
        if (type.IsBinary()) streams[c] = record.GetStream(fields[c]);
        // A nullable key column takes null like any other column.
        if (!type.IsNullable() && IsNullCell(type, row->cells[c]))
            return Status::InvalidArgument("column " + schema.columns[c].name + " needs a value");
    }
    return Status::Ok();
}

Status View::UpdateRows(const Record& record, const Rows& rows) {
    struct Change {
        size_t table;
        size_t column;
        uint32_t cell;
        StreamSourcePtr stream;
    };
    std::vector<Change> changes;
    // Everything is checked before anything changes.
    for (size_t i = 0; i < selected_.size(); ++i) {
        const Column& c = selected_[i];
        if (c.constant()) continue;
        const Table& table = *tables_[c.table];
        const ColumnType type = table.schema().columns[c.column].type;
        const uint32_t field = static_cast<uint32_t>(i + 1);
        Change change{c.table, c.column, 0, nullptr};
        if (Status s = CellFromRecord(table, c.column, record, field, change.cell); !s.ok())
            return s;
        const uint32_t now = rows[c.table]->cells[c.column];
        if (type.IsKey()) {
            // Keys name the row; they are never rewritten in place.
            if (change.cell != now)
                return Status::Refused("key column " + table.schema().columns[c.column].name +
                                       " cannot be updated");
            continue;
        }
        if (!type.IsNullable() && IsNullCell(type, change.cell))
            return Status::InvalidArgument("column " + table.schema().columns[c.column].name +
                                           " needs a value");
        if (type.IsBinary()) {
            change.stream = record.GetStream(field);
            // _Streams has no other home for its bytes than the store.
            if (!change.stream && IsStreamsTable(table))
                return Status::InvalidArgument("a stream needs its bytes");
        }
        changes.push_back(std::move(change));
    }
    for (const Change& change : changes) {
        Table& table = *tables_[change.table];
        Row& row = *rows[change.table];
        if (table.schema().columns[change.column].type.IsBinary()) {
            auto name =
                IsStreamsTable(table) ? db_->Text(row.cells[0]) : db_->BinaryStreamName(table, row);
            if (!name.ok()) return name.status();
            if (change.stream) {
                db_->streams().Put(*name, change.stream);
            } else {
                db_->streams().Remove(*name);
            }
        }
        row.cells[change.column] = change.cell;
        table.set_modified();
        if (!row.temporary && !IsSystemTable(table.schema().name)) db_->MarkModified();
    }
    return Status::Ok();
}

Status View::ExecuteInsert(const Record* params, const std::vector<sql::FieldValue>&) {
    if (Status s = CheckWritable(); !s.ok()) return s;
    const auto& insert = std::get<sql::InsertStatement>(statement_.body);
    auto table = SingleTable();
    std::vector<const sql::Value*> values;
    for (const auto& v : insert.values) values.push_back(&v);
    const Record record = ValueRecord(values, params);
    RowPtr row;
    std::vector<StreamSourcePtr> streams;
    // The statement names its columns: a nullable key it leaves out is null.
    if (Status s = RowFromRecord(record, row, streams); !s.ok()) return s;
    row->temporary = insert.temporary || table->schema().temporary;
    if (IsStreamsTable(*table)) {
        auto name = db_->Text(row->cells[0]);
        if (!name.ok()) return name.status();
        if (name->empty()) return Status::InvalidArgument("a stream needs a name");
        if (db_->streams().Has(*name)) return Status::Exists("stream " + *name + " exists");
        db_->streams().Put(
            *name, streams[1] ? streams[1]
                              : std::make_shared<MemoryStreamSource>(std::vector<std::byte>()));
        return Status::Ok();
    }
    if (IsSystemTable(table->schema().name))
        return Status::Unsupported("system tables are changed through their own calls");
    if (Status s = table->Insert(row); !s.ok()) return s;
    if (!row->temporary) db_->MarkModified();
    return StoreRowStreams(*table, *row, streams);
}

Status View::ExecuteUpdate(const Record* params, const std::vector<sql::FieldValue>& values) {
    if (Status s = CheckWritable(); !s.ok()) return s;
    const auto& update = std::get<sql::UpdateStatement>(statement_.body);
    auto table = SingleTable();
    // Of the system tables only _Streams has data a statement may change:
    // `UPDATE _Streams SET Data = ?` replaces a stream.
    if (IsSystemTable(table->schema().name) && !IsStreamsTable(*table))
        return Status::Unsupported("system tables are changed through their own calls");
    std::vector<const sql::Value*> assigned;
    for (const auto& assignment : update.assignments) assigned.push_back(&assignment.value);
    const Record record = ValueRecord(assigned, params);
    // The assignments as a view: field i+1 is column selected_[i].
    const std::vector<Rows> matching = [&] {
        std::vector<Rows> rows;
        for (const auto& row : table->rows()) {
            if (where_) {
                SingleRow accessor(*db_, *table, *row);
                if (!where_->Evaluate(accessor, values)) continue;
            }
            rows.push_back({row});
        }
        return rows;
    }();
    for (size_t i = 0; i < selected_.size(); ++i) {
        if (table->schema().columns[selected_[i].column].type.IsKey())
            return Status::InvalidArgument("key columns cannot be updated");
    }
    for (const auto& rows : matching)
        if (Status s = UpdateRows(record, rows); !s.ok()) return s;
    return Status::Ok();
}

Status View::ExecuteDelete(const std::vector<sql::FieldValue>& params) {
    if (Status s = CheckWritable(); !s.ok()) return s;
    auto table = SingleTable();
    const RowList rows = table->rows();
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

Status View::ExecuteCreate(const sql::CreateTableStatement& create) {
    // Making a table that exists, a system table included, is a query
    // error, as an unknown table is when a view opens.
    if (db_->HasTable(create.table)) return Status::BadQuery("table " + create.table + " exists");
    TableSchema schema;
    schema.name = create.table;
    bool temporary_key = false;
    for (const auto& def : create.columns) {
        uint16_t word = def.type_word;
        if (def.temporary)
            word = uint16_t((word & ~ColumnType::kPersistent) | ColumnType::kTemporary);
        temporary_key |= def.primary_key && def.temporary;
        schema.columns.push_back({def.name, ColumnType(word)});
    }
    // A table that is saved cannot be keyed by something that is not.
    if (temporary_key && !create.temporary)
        return Status::Refused("a persistent table cannot have a temporary key");
    // The installer gives key k the slot k by swapping it with the column
    // that held it: (B C A E D) PRIMARY KEY D, E becomes (D E A C B).
    auto& columns = schema.columns;
    for (size_t k = 0; k < create.primary_keys.size(); ++k) {
        auto at = std::find_if(columns.begin(), columns.end(), [&](const ColumnSchema& c) {
            return c.name == create.primary_keys[k];
        });
        std::iter_swap(columns.begin() + static_cast<ptrdiff_t>(k), at);
    }
    Status s = db_->CreateTable(std::move(schema), create.hold);
    return s.kind() == Status::Kind::kExists ? Status::BadQuery(s.message()) : s;
}

Status View::ExecuteAlter(const sql::AlterTableStatement& alter) {
    // The table may have gone (freed, dropped) since the view opened.
    if (!db_->HasTable(alter.table)) return Status::BadQuery("no table " + alter.table);
    switch (alter.action) {
        case sql::AlterTableStatement::Action::kHold:
            return db_->Hold(alter.table);
        case sql::AlterTableStatement::Action::kFree:
            return db_->Free(alter.table);
        case sql::AlterTableStatement::Action::kAddColumn: {
            const auto& def = *alter.column;
            auto table = db_->GetTable(alter.table);
            if (!table.ok()) return table.status();
            if ((*table)->schema().columns.size() >= format::kMaxTableColumns)
                return Status::BadQuery("table " + alter.table + " has " +
                                        std::to_string(format::kMaxTableColumns) +
                                        " columns, the most a table may have");
            uint16_t word = def.type_word;
            if (def.temporary)
                word = uint16_t((word & ~ColumnType::kPersistent) | ColumnType::kTemporary);
            Status s = db_->AddColumn(alter.table, {def.name, ColumnType(word)}, alter.hold);
            return s.kind() == Status::Kind::kExists ? Status::BadQuery(s.message()) : s;
        }
    }
    return Status::Ok();
}

Status View::ExecuteSchema() {
    if (auto* create = std::get_if<sql::CreateTableStatement>(&statement_.body))
        return ExecuteCreate(*create);
    if (auto* drop = std::get_if<sql::DropTableStatement>(&statement_.body))
        return db_->DropTable(drop->table);
    return ExecuteAlter(std::get<sql::AlterTableStatement>(statement_.body));
}

}  // namespace msi::db
