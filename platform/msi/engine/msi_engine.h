// What this engine offers beyond the installer's interface, for tests and
// tools of this project (not part of the installer's documented surface).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "msiquery.h"

namespace msi {

namespace db {
class Database;
}

// How many installer handles of any kind are open in the process. Tests use
// it to check that an operation leaves no handle behind.
size_t OpenHandleCount();

// Why the last MsiOpenDatabaseA, MsiDatabaseCommit, MsiDatabaseImportA,
// MsiDatabaseExportA, MsiDatabaseApplyTransformA, MsiGetSummaryInformationA
// (by path), MsiOpenPackageA, MsiVerifyPackageA,
// MsiDatabaseGenerateTransformA, MsiCreateTransformSummaryInfoA,
// ValidateTable, CheckValidationRules, MsiDatabaseOpenViewA, MsiViewExecute
// or MsiViewFetch (a damaged table) of this thread failed, in the engine's
// words ("Property.idt:4: 3 fields for 2 columns", "cannot open x.msi: No
// such file or directory");
// "" when that call succeeded or failed before the engine saw its input.
std::string LastFailureText();

// MsiOpenDatabaseA, MsiDatabaseExportA and MsiDatabaseImportA within a
// folder the caller has opened and checked once: `folder_fd` is a
// descriptor of it (the engine keeps a duplicate; the caller may close its
// own), and every file is read, made, renamed and removed relative to that
// folder, never through its path. Someone who can rename the folder's path
// to another folder (or a link) meanwhile changes nothing about where the
// files go. Names are plain names in the folder; `shown_folder` is what
// messages call the folder. Results and LastFailureText as for the path
// calls; the database of OpenDatabaseIn commits into the same folder.
UINT OpenDatabaseIn(int folder_fd, LPCSTR name, LPCSTR persist, MSIHANDLE* database);
UINT DatabaseExportIn(MSIHANDLE database, LPCSTR table, int folder_fd, LPCSTR file);
UINT DatabaseImportIn(MSIHANDLE database, int folder_fd, LPCSTR shown_folder, LPCSTR file);

// One value of a row that MsiViewModify(MSIMODIFY_VALIDATE) refuses: the
// MSIDBERROR value, the column, the row's primary key values and the value,
// each as text (an integer in decimal, null as "").
struct RowValidationFinding {
    int error = 0;
    std::string column;
    std::vector<std::string> key;
    std::string value;
};

// Every row of `table` checked as MSIMODIFY_VALIDATE checks a fetched record
// of "SELECT * FROM `table`" (the same rules, foreign keys included), in one
// pass without a record per row. Findings are appended to `findings` in row
// and column order. What this engine cannot check (a Category without a rule
// here) is named once each in `unchecked` ("Category Condition"), where
// VALIDATE would answer ERROR_CALL_NOT_IMPLEMENTED. ERROR_INVALID_TABLE for a
// table that does not exist, ERROR_FUNCTION_FAILED when the table or
// _Validation cannot be read (LastFailureText says why).
UINT ValidateTable(MSIHANDLE database, LPCSTR table, std::vector<RowValidationFinding>& findings,
                   std::vector<std::string>& unchecked);

// What _Validation itself gets wrong against the database's tables.
struct RuleValidationFinding {
    enum class Fault {
        kNoValidationTable,  // the database has no _Validation table
        kNoRule,             // a column of a table has no _Validation row
        kUnknownTable,       // _Validation rows (`detail`: how many) name a missing table
        kUnknownColumn,      // a _Validation row names a column its table lacks
        kTypeMismatch,       // its Category does not fit the column's type (`detail` says)
    };
    Fault fault = Fault::kNoRule;
    std::string table;
    std::string column;
    std::string detail;
};
UINT CheckValidationRules(MSIHANDLE database, std::vector<RuleValidationFinding>& findings);

// The name of an MSIDBERROR value without its prefix ("BADLINK"), "" for a
// value that is none.
const char* ValidationErrorName(int error);

// The code page of the database's strings (0 for a neutral database).
// ERROR_INVALID_HANDLE for a handle that is no database.
UINT DatabaseCodePage(MSIHANDLE database, UINT* code_page);

// A table a transform touches, as the transform file alone tells it: the
// tables it adds or drops and the columns it adds are in its own _Tables and
// _Columns; the row records of a table the target already has need the
// target's schema to be read, so for those only their presence is known.
struct TransformTableChange {
    std::string table;
    bool added = false;          // the transform creates the table
    bool dropped = false;        // the transform drops it
    bool columns_added = false;  // it adds columns to a table it does not create
    bool rows_changed = false;   // it carries row records for a table it does not create
};

// The tables the transform file at `path` touches, sorted by name.
// ERROR_OPEN_FAILED when the file cannot be read, ERROR_INSTALL_PACKAGE_INVALID
// when it is no transform (a package, a patch, another file),
// ERROR_INSTALL_TRANSFORM_FAILURE when it is damaged; LastFailureText says why.
UINT ReadTransformTables(LPCSTR path, std::vector<TransformTableChange>& tables);

// A table's rows as the engine holds them, read in one pass without a record
// per row and without copying a string: each cell is the engine's own 32-bit
// value, and a string cell's text is looked up only when a reader shows or
// compares it. A viewer that keeps these instead of the texts holds the
// table's strings once (in the database) rather than twice.
class TableCells {
  public:
    enum class Kind : std::uint8_t { kString, kInteger, kBinary };

    // The rows and columns "SELECT * FROM `table`" fetches, in its order. A
    // table the database has not loaded is read from its stream and not
    // kept, so that the database and these cells do not both hold it.
    // ERROR_INVALID_HANDLE for a handle that is no database,
    // ERROR_INVALID_PARAMETER without a table name, ERROR_INVALID_TABLE for
    // a table the database lacks, ERROR_FUNCTION_FAILED when its stream
    // cannot be read (LastFailureText says why). `cells` is left as it was
    // on failure.
    static UINT Read(MSIHANDLE database, LPCSTR table, TableCells& cells);

    std::size_t RowCount() const { return rows_; }
    std::size_t ColumnCount() const { return kinds_.size(); }
    Kind ColumnKind(std::size_t column) const { return kinds_[column]; }
    // The column's name, and its type as MsiViewGetColumnInfo gives it.
    const std::string& ColumnName(std::size_t column) const { return names_[column]; }
    const std::string& ColumnType(std::size_t column) const { return types_[column]; }
    // A string column: a string id for Text, 0 for null. An integer column:
    // the value (MSI_NULL_INTEGER for null). A binary column: 1 when the
    // cell has a stream, 0 when it reads as null.
    std::uint32_t Cell(std::size_t row, std::size_t column) const {
        return cells_[row * kinds_.size() + column];
    }
    // The size of a binary cell's stream; 0 for a null cell or another kind.
    std::uint64_t StreamSize(std::size_t row, std::size_t column) const;
    // A string id's text in the process code page, as MsiRecordGetStringA
    // gives it ("" for 0). The view lives in the database, which these cells
    // keep open: use it before the next call into the engine, which may add
    // strings and move the others.
    std::string_view Text(std::uint32_t id) const;

  private:
    std::shared_ptr<const db::Database> database_;
    std::vector<Kind> kinds_;
    std::vector<std::string> names_;
    std::vector<std::string> types_;
    std::vector<std::uint32_t> cells_;  // row by row
    std::size_t rows_ = 0;
    // Stream sizes of the binary cells, row by row, `binary_columns_` a row.
    std::vector<std::uint64_t> stream_sizes_;
    std::vector<std::size_t> binary_slot_;  // per column: its place among the binary ones
    std::size_t binary_columns_ = 0;
};

}  // namespace msi
