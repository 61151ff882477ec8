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
// Row order: the tables' stored order (string keys by pool id), then ORDER
// BY columns, which also compare strings by pool id, as the installer does.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/status.h"
#include "db/database.h"
#include "db/record.h"
#include "sql/ast.h"
#include "sql/condition.h"

namespace msi::db {

// Status kinds a view reports, for the interface's result codes.
//   kInvalidArgument  bad query or a record that does not fit
//   kExists           a row with the same key exists
//   kNotFound         no such row / no more rows (Fetch)
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
    // The validation error of the last Modify and its column.
    int last_error() const { return last_error_; }
    const std::string& last_error_column() const { return last_error_column_; }

  private:
    struct Column {
        size_t table;   // index into tables_
        size_t column;  // index into that table's schema
    };

    View() = default;
    Status Prepare();
    Status ExecuteSelect(const std::vector<sql::FieldValue>& params);
    // Orders results_ by order_by_, stably (ties keep the stored order).
    void SortResults();
    Status ExecuteInsert(const Record* params, const std::vector<sql::FieldValue>& values);
    Status ExecuteUpdate(const std::vector<sql::FieldValue>& params);
    Status ExecuteDelete(const std::vector<sql::FieldValue>& params);
    Status ExecuteSchema();

    // Record <-> cells.
    void FillRecord(Record& record, const std::vector<RowPtr>& rows) const;
    Status CellFromRecord(const Table& table, size_t column, const Record& record, uint32_t field,
                          uint32_t& cell);
    Status CellFromValue(const Table& table, size_t column, const sql::FieldValue& value,
                         uint32_t& cell);
    // Makes a row of the view's single table from a record's fields; streams
    // of binary fields are returned beside it.
    // Key columns and columns that are not nullable need a value; with
    // keys_only only the keys are checked.
    Status RowFromRecord(const Record& record, RowPtr& row, std::vector<StreamSourcePtr>& streams,
                         bool keys_only = false);
    Status StoreRowStreams(const Table& table, const Row& row,
                           const std::vector<StreamSourcePtr>& streams);
    Status EraseRow(Table& table, const RowPtr& row);
    Status CheckWritable() const;
    std::shared_ptr<Table> SingleTable() const;
    RowPtr OriginRow(const Record& record) const;

    std::shared_ptr<Database> db_;
    sql::Statement statement_;
    std::vector<std::shared_ptr<Table>> tables_;
    std::vector<sql::ColumnInfo> all_columns_;  // every column of every table, for WHERE
    std::vector<Column> all_column_map_;
    std::vector<Column> selected_;  // what a fetched record holds
    std::optional<sql::BoundCondition> where_;
    std::vector<Column> order_by_;

    bool executed_ = false;
    std::vector<std::vector<RowPtr>> results_;
    size_t cursor_ = 0;
    int last_error_ = 0;
    std::string last_error_column_;
};

// The installer's parameter values from a record's fields 1..n.
std::vector<sql::FieldValue> ParameterValues(const Record* params, int count);

}  // namespace msi::db
