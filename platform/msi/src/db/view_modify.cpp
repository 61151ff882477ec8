// MsiViewModify's modes over a SELECT view.
//
// A view of one table may select some of its columns and may add constant
// columns: the modes read and write the selected columns only. A row made
// from a record (INSERT, ASSIGN, MERGE) gets null in the columns the view
// leaves out, which only a nullable column can take, a nullable key column
// too: the row's key then holds a null there. A join can only refresh a
// fetched record and update its non-key columns.
#include "db/validation.h"
#include "db/view.h"
#include "msiquery.h"

namespace msi::db {

Status View::Modify(ModifyMode mode, Record& record) {
    errors_.clear();
    error_cursor_ = 0;
    if (!std::holds_alternative<sql::SelectStatement>(statement_.body))
        return Status::InvalidArgument("only a SELECT view can be modified");
    if (record.FieldCount() < selected_.size())
        return Status::InvalidArgument("record has too few fields");
    const bool validating = mode == ModifyMode::kValidate || mode == ModifyMode::kValidateNew ||
                            mode == ModifyMode::kValidateField ||
                            mode == ModifyMode::kValidateDelete;
    const bool changes = mode != ModifyMode::kSeek && mode != ModifyMode::kRefresh && !validating;
    // Temporary rows are never written, so a read-only database takes them.
    if (changes && mode != ModifyMode::kInsertTemporary) {
        if (Status s = CheckWritable(); !s.ok()) return s;
    }
    if (tables_.size() != 1) return ModifyJoin(mode, record);
    // The catalog changes through CREATE, DROP and ALTER only; of the system
    // tables only _Streams takes rows.
    const std::string& name = tables_[0]->schema().name;
    if (changes && IsSystemTable(name) && name != "_Streams")
        return Status::Refused(name + " is changed through its own statements");

    switch (mode) {
        case ModifyMode::kSeek:
            return Seek(record);
        case ModifyMode::kRefresh: {
            const auto rows = OriginRows(record);
            if (!rows) return Status::NotFound("record was not fetched from this view");
            FillRecord(record, *rows);
            return Status::Ok();
        }
        case ModifyMode::kInsert:
        case ModifyMode::kInsertTemporary:
            return Insert(record, mode == ModifyMode::kInsertTemporary);
        case ModifyMode::kUpdate: {
            const auto rows = OriginRows(record);
            if (!rows) return Status::NotFound("record was not fetched from this view");
            return UpdateRows(record, *rows);
        }
        case ModifyMode::kAssign:
        case ModifyMode::kMerge:
            return AssignOrMerge(mode, record);
        case ModifyMode::kReplace:
            return Replace(record);
        case ModifyMode::kDelete: {
            const auto rows = OriginRows(record);
            if (!rows) return Status::NotFound("record was not fetched from this view");
            return EraseRow(*tables_[0], (*rows)[0]);
        }
        case ModifyMode::kValidate:
        case ModifyMode::kValidateNew:
        case ModifyMode::kValidateField:
        case ModifyMode::kValidateDelete:
            return Validate(mode, record);
    }
    return Status::InvalidArgument("unknown modify mode");
}

Status View::ModifyJoin(ModifyMode mode, Record& record) {
    const auto rows = OriginRows(record);
    switch (mode) {
        case ModifyMode::kRefresh:
            if (!rows) return Status::NotFound("record was not fetched from this view");
            FillRecord(record, *rows);
            return Status::Ok();
        case ModifyMode::kUpdate:
            if (!rows) return Status::NotFound("record was not fetched from this view");
            return UpdateRows(record, *rows);
        default:
            // A record of a join names no single row to insert, delete or
            // check.
            return Status::Refused("a join can only be refreshed or updated");
    }
}

Status View::Seek(Record& record) {
    auto table = tables_[0];
    const std::vector<uint32_t> fields = FieldOfColumn();
    auto key = std::make_shared<Row>();
    key->cells.resize(table->schema().columns.size(), 0);
    for (size_t c = 0; c < table->schema().KeyCount(); ++c) {
        if (fields[c] == 0) return Status::Refused("a seek needs every key column in the view");
        if (Status s = CellFromRecord(*table, c, record, fields[c], key->cells[c]); !s.ok())
            return s;
    }
    RowPtr row = table->Find(key->cells);
    if (!row) return Status::NotFound("no such row");
    FillRecord(record, {&row, 1});
    SetOrigin(record, {&row, 1});
    return Status::Ok();
}

Status View::Insert(Record& record, bool temporary) {
    auto table = tables_[0];
    RowPtr row;
    std::vector<StreamSourcePtr> streams;
    if (Status s = RowFromRecord(record, row, streams); !s.ok()) return s;
    row->temporary = temporary || table->schema().temporary;
    if (Status s = table->Insert(row); !s.ok()) return s;
    if (!row->temporary) db_->MarkModified();
    SetOrigin(record, {&row, 1});
    return StoreRowStreams(*table, *row, streams);
}

Status View::AssignOrMerge(ModifyMode mode, Record& record) {
    auto table = tables_[0];
    RowPtr candidate;
    std::vector<StreamSourcePtr> streams;
    if (Status s = RowFromRecord(record, candidate, streams); !s.ok()) {
        // The installer answers an ASSIGN it cannot place with a failure,
        // a MERGE with invalid data.
        return mode == ModifyMode::kAssign && s.kind() == Status::Kind::kInvalidArgument
                   ? Status::Refused(s.message())
                   : s;
    }
    RowPtr existing = table->Find(candidate->cells);
    if (!existing) {
        if (Status s = table->Insert(candidate); !s.ok()) return s;
        if (!candidate->temporary) db_->MarkModified();
        SetOrigin(record, {&candidate, 1});
        return StoreRowStreams(*table, *candidate, streams);
    }
    if (mode == ModifyMode::kAssign) {
        if (Status s = UpdateRows(record, {existing}); !s.ok()) return s;
        SetOrigin(record, {&existing, 1});
        return Status::Ok();
    }
    // A merge matches the row on the columns the view shows.
    for (const Column& c : selected_) {
        if (c.constant()) continue;
        if (table->schema().columns[c.column].type.IsBinary())
            continue;  // streams are not compared
        if (existing->cells[c.column] != candidate->cells[c.column])
            return Status::Exists("a row with this key holds other data");
    }
    SetOrigin(record, {&existing, 1});
    return Status::Ok();
}

Status View::Replace(Record& record) {
    auto table = tables_[0];
    const auto origin = OriginRows(record);
    if (!origin) return Status::NotFound("record was not fetched from this view");
    RowPtr old_row = (*origin)[0];
    // The new row: the old one with the view's fields in place, so columns
    // the view does not show keep their values.
    auto row = std::make_shared<Row>();
    row->cells = old_row->cells;
    row->temporary = old_row->temporary;
    std::vector<StreamSourcePtr> streams(row->cells.size());
    for (size_t i = 0; i < selected_.size(); ++i) {
        const Column& c = selected_[i];
        if (c.constant()) continue;
        const auto& column = table->schema().columns[c.column];
        const uint32_t field = static_cast<uint32_t>(i + 1);
        if (Status s = CellFromRecord(*table, c.column, record, field, row->cells[c.column]);
            !s.ok())
            return s;
        if (column.type.IsBinary()) streams[c.column] = record.GetStream(field);
        if (!column.type.IsNullable() && record.IsNull(field))
            return Status::InvalidArgument("column " + column.name + " needs a value");
    }
    if (table->CompareKeys(old_row->cells, row->cells) == 0) return UpdateRows(record, {old_row});
    // New keys: the old row goes and the new one takes its place, with the
    // streams of binary columns the view does not show (they are named
    // after the keys).
    if (table->Find(row->cells)) return Status::Exists("a row with the new key exists");
    for (size_t c = 0; c < streams.size(); ++c)
        if (!streams[c] && table->schema().columns[c].type.IsBinary() && row->cells[c] != 0)
            streams[c] = db_->CellStream(*table, *old_row, c);
    // Stored under the new key before the old row's streams go with it: a
    // carried stream read afterwards would be empty.
    if (Status s = StoreRowStreams(*table, *row, streams); !s.ok()) return s;
    if (Status s = EraseRow(*table, old_row); !s.ok()) return s;
    if (Status s = table->Insert(row); !s.ok()) return s;
    if (!row->temporary) db_->MarkModified();
    SetOrigin(record, {&row, 1});
    return Status::Ok();
}

Status View::Validate(ModifyMode mode, Record& record) {
    auto table = tables_[0];
    const std::vector<uint32_t> fields = FieldOfColumn();
    const auto origin = OriginRows(record);
    auto validator = Validator::For(*db_, *table);
    if (!validator.ok()) return validator.status();

    if (mode == ModifyMode::kValidateDelete) {
        if (!origin) return Status::NotFound("record was not fetched from this view");
        if (Status s = validator->CheckUnreferenced(*(*origin)[0], errors_); !s.ok()) return s;
        if (!errors_.empty()) return Status::InvalidArgument("other rows refer to the row");
        return Status::Ok();
    }
    // The row as it would be: a fetched record's row with the view's fields
    // in place, or the fields alone for a new record.
    Row row;
    row.cells.resize(table->schema().columns.size());
    for (size_t c = 0; c < row.cells.size(); ++c)
        row.cells[c] = origin ? (*origin)[0]->cells[c]
                              : (table->schema().columns[c].type.IsInteger()
                                     ? static_cast<uint32_t>(Record::kNullInteger)
                                     : 0);
    std::vector<bool> checked(row.cells.size(), mode != ModifyMode::kValidateField);
    for (size_t c = 0; c < fields.size(); ++c) {
        if (fields[c] == 0) continue;
        if (Status s = CellFromRecord(*table, c, record, fields[c], row.cells[c]); !s.ok())
            return s;
        // Fields of an incomplete record are checked where they hold a value.
        if (mode == ModifyMode::kValidateField) checked[c] = !record.IsNull(fields[c]);
    }
    if (mode == ModifyMode::kValidateNew && table->Find(row.cells)) {
        errors_.push_back({MSIDBERROR_DUPLICATEKEY, table->schema().columns[0].name});
    }
    const bool foreign_keys = mode != ModifyMode::kValidateField;
    Status s = validator->CheckRow(row, checked, foreign_keys, errors_);
    if (!errors_.empty()) return Status::InvalidArgument("the record does not validate");
    return s;
}

}  // namespace msi::db
