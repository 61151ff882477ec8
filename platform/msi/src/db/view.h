// A view: one query of the installer's SQL over a database, its result rows
// and the changes made through it (MsiViewModify).
//
// Life cycle: Open parses the query and checks it against the schema (a
// missing table or column, or a condition that does not fit the column
// types, is a query error). Execute runs it: a SELECT collects its rows (the
// rows are shared with the tables, so later changes to a row show when it is
// fetched; erased rows are skipped), other statements make their change.
// Fetch hands out one row at a time and, past the last, reports the end and
// starts over. Close ends an execution.
//
// Row order: the tables' stored order (string keys by pool id); in a join
// the first table of the FROM list varies fastest. Then ORDER BY columns,
// which also compare strings by pool id, as the installer does.
//
// A fetched record remembers the rows it came from, so that Modify can
// refresh or update them even in a join, and a view of some of a table's
// columns changes only those.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/status.h"
#include "db/database.h"
#include "db/record.h"
#include "db/validation.h"
#include "sql/ast.h"
#include "sql/condition.h"

namespace msi::db {

// Status kinds a view reports, for the interface's result codes.
//   kInvalidArgument  bad query or a record that does not fit (13)
//   kBadQuery         a statement that no longer fits the database (1615)
//   kExists           a row with the same key exists
//   kRefused          a change the view cannot make (a key column, a join)
//   kNotFound         no such row / no more rows (Fetch)
//   kNotImplemented   a validation the engine cannot make (120)
//   kUnsupported      the database is read-only
//   kCorrupt, kIo     the file could not be read
class View {
  public:
    enum class ModifyMode {
        kSeek = -1,
        kRefresh = 0,
        kInsert = 1,
        kUpdate = 2,
        kAssign = 3,
        kReplace = 4,
        kMerge = 5,
        kDelete = 6,
        kInsertTemporary = 7,
        kValidate = 8,
        kValidateNew = 9,
        kValidateField = 10,
        kValidateDelete = 11,
    };

    static Result<std::unique_ptr<View>> Open(std::shared_ptr<Database> db, std::string_view query);

    Status Execute(const Record* params);
    // The next row; kNotFound after the last one (and the cursor starts over).
    Result<std::shared_ptr<Record>> Fetch();
    Status Close();
    // One field per column: names, or the column-information type strings.
    Result<std::shared_ptr<Record>> ColumnInfo(bool types) const;
    Status Modify(ModifyMode mode, Record& record);

    // The findings of the last validating Modify, read one at a time: each
    // call gives the next one and, past the last, no error; the reader then
    // starts over. `advance` false only looks (a caller whose buffer was too
    // small asks again).
    ValidationFinding NextError(bool advance);

  private:
    // What a cell of a column becomes in a record; known when the column is
    // resolved, so that filling a fetched row asks no column type per cell.
    enum class CellKind : uint8_t { kConstant, kInteger, kString, kBinary };
    // A selected field: a column of one of the tables, or a constant.
    struct Column {
        static constexpr size_t kConstant = SIZE_MAX;
        size_t table;   // index into tables_, or kConstant
        size_t column;  // index into that table's schema, or into constants_
        CellKind kind = CellKind::kConstant;
        bool constant() const { return table == kConstant; }
    };
    static CellKind CellKindOf(format::ColumnType type);
    using Rows = std::vector<RowPtr>;  // one row per table of the query

    View() = default;
    Status Prepare();
    // Loads the query's tables, lists their columns and binds the condition.
    Status BindTables(const std::vector<std::string>& names, const sql::Condition* where);
    // The selected, inserted or updated fields and the sort order.
    Status ResolveFields();
    Status Resolve(const sql::ColumnRef& ref, Column& out) const;
    Status ExecuteSelect(const std::vector<sql::FieldValue>& params);
    // Orders results_ by order_by_, stably (ties keep the stored order).
    void SortResults();
    // Drops each result whose selected cells repeat an earlier result's.
    void KeepDistinctResults();
    // The results: each is one row per table of the query.
    size_t ResultCount() const;
    std::span<const RowPtr> ResultRows(size_t position) const;
    Status ExecuteInsert(const Record* params, const std::vector<sql::FieldValue>& values);
    Status ExecuteUpdate(const Record* params, const std::vector<sql::FieldValue>& values);
    Status ExecuteDelete(const std::vector<sql::FieldValue>& params);
    Status ExecuteSchema();
    Status ExecuteCreate(const sql::CreateTableStatement& create);
    Status ExecuteAlter(const sql::AlterTableStatement& alter);

    // The record the next fetched row goes into.
    std::shared_ptr<Record> RecordToFill();
    // Record <-> cells.
    void FillRecord(Record& record, std::span<const RowPtr> rows) const;
    Status CellFromRecord(const Table& table, size_t column, const Record& record, uint32_t field,
                          uint32_t& cell);
    Status CellFromValue(const Table& table, size_t column, const sql::FieldValue& value,
                         uint32_t& cell);
    // Makes a row of the view's single table from a record's fields, with
    // the columns the view does not select null; streams of binary fields
    // are returned beside it. A column that is not nullable needs a value;
    // a nullable key column the view leaves out is null, as the installer
    // makes it.
    Status RowFromRecord(const Record& record, RowPtr& row, std::vector<StreamSourcePtr>& streams);
    // Writes the selected, non-key fields of `record` into `rows`; a key
    // field that differs from the row is refused.
    Status UpdateRows(const Record& record, const Rows& rows);
    Status StoreRowStreams(const Table& table, const Row& row,
                           const std::vector<StreamSourcePtr>& streams);
    Status EraseRow(Table& table, const RowPtr& row);
    Status CheckWritable() const;
    std::shared_ptr<Table> SingleTable() const;
    // The rows a record was fetched (or inserted) from by this view, or
    // null when it was not, or one of them was deleted since.
    std::optional<Rows> OriginRows(const Record& record) const;
    void SetOrigin(Record& record, std::span<const RowPtr> rows) const;
    // The selected field of each column of the single table, or 0.
    std::vector<uint32_t> FieldOfColumn() const;

    // MsiViewModify's modes.
    Status ModifyJoin(ModifyMode mode, Record& record);
    Status Seek(Record& record);
    Status Insert(Record& record, bool temporary);
    Status AssignOrMerge(ModifyMode mode, Record& record);
    Status Replace(Record& record);
    Status Validate(ModifyMode mode, Record& record);

    std::shared_ptr<Database> db_;
    sql::Statement statement_;
    std::vector<std::shared_ptr<Table>> tables_;
    std::vector<sql::ColumnInfo> all_columns_;  // every column of every table, for WHERE
    std::vector<Column> all_column_map_;
    std::vector<Column> selected_;  // what a fetched record holds
    std::vector<std::string> constants_;
    std::optional<sql::BoundCondition> where_;
    std::vector<Column> order_by_;

    bool executed_ = false;
    RowList results_;  // the results one after another, tables_.size() rows each
    size_t cursor_ = 0;
    std::shared_ptr<Record> last_record_;  // the record Fetch handed out last
    std::vector<ValidationFinding> errors_;
    size_t error_cursor_ = 0;
};

// The installer's parameter values from a record's fields 1..n.
std::vector<sql::FieldValue> ParameterValues(const Record* params, int count);

}  // namespace msi::db
