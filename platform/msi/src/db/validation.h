// The checks behind MSIMODIFY_VALIDATE, _NEW, _FIELD and _DELETE: a row of a
// table against the rules the database's _Validation table holds for its
// columns (one row per table and column: Nullable, MinValue, MaxValue,
// KeyTable, KeyColumn, Category, Set).
//
// Each checked column gives at most one finding, in column order, with the
// installer's MSIDBERROR value:
//   MISSINGDATA      no _Validation row describes the column
//   REQUIRED         null where Nullable is not "Y"
//   STRINGOVERFLOW   a string longer than the column's width
//   BADMAXMINVALUES  MaxValue below MinValue
//   UNDERFLOW, OVERFLOW  an integer outside MinValue..MaxValue
//   NOTINSET         a value not in the ';'-separated Set
//   BADCATEGORY      a Category the installer does not define
//   BADCASE, BADIDENTIFIER, BADPROPERTY, BADGUID, BADVERSION, BADLANGUAGE,
//   BADCABINET, BADFILENAME, BADWILDCARD, BADPATH, BADDEFAULTDIR,
//   BADREGPATH, BADFORMATTED, BADTEMPLATE, BADCUSTOMSOURCE, BADSHORTCUT
//                    a string that does not fit its Category
//   OVERFLOW, UNDERFLOW  also: a string column of Category Integer,
//                    DoubleInteger or Time/Date whose text is no number of
//                    that size
//   BADKEYTABLE      none of the ';'-separated KeyTable tables exists
//   BADLINK          no row of a KeyTable table holds the value in column
//                    KeyColumn (foreign keys are checked on request only)
// Conditions, URLs and ranges of string columns are not checked here: such a
// value makes the check answer kNotImplemented rather than pass it unseen.
// Category is ignored for integer columns, as the installer's documentation
// says.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "common/status.h"
#include "db/database.h"

namespace msi::db {

// One finding: an MSIDBERROR value and the column it is about.
struct ValidationFinding {
    int error = 0;
    std::string column;
};

// A finding of CheckTable: the row's key values as text besides.
struct RowFinding {
    int error = 0;
    std::string column;
    std::vector<std::string> key;
    std::string value;  // the cell's text ("" for null)
};

// What _Validation itself gets wrong, found by CheckRules.
struct RuleFinding {
    enum class Fault {
        kNoValidationTable,  // the database has no _Validation table
        kNoRule,             // a column of a table has no _Validation row
        kUnknownTable,       // _Validation rows name a table that does not exist
        kUnknownColumn,      // a _Validation row names a column its table lacks
        kTypeMismatch,       // the row's Category does not fit the column's type
    };
    Fault fault = Fault::kNoRule;
    std::string table;
    std::string column;  // "" for kNoValidationTable and kUnknownTable
    std::string detail;  // the Category and column type, or how many rows
};

// The rules of _Validation against the catalog: every column of every table
// (the catalog's own tables aside) has a row, every row names a column that
// exists, and its Category fits the column's type.
Status CheckRules(Database& db, std::vector<RuleFinding>& out);

class Validator {
  public:
    // The rules for `table` (a database without _Validation has none).
    static Result<Validator> For(Database& db, const Table& table);

    // Checks the columns of `row` marked in `checked`; `foreign_keys` adds
    // the KeyTable checks. Findings are appended to `out`. kNotImplemented
    // when a value needed a check this engine does not have.
    Status CheckRow(const Row& row, const std::vector<bool>& checked, bool foreign_keys,
                    std::vector<ValidationFinding>& out) const;
    // Every row of the table, each as CheckRow with every column and foreign
    // keys checks it. What could not be checked is named in `unchecked`
    // ("Category Condition") instead of failing the whole table.
    Status CheckTable(std::vector<RowFinding>& out, std::set<std::string>& unchecked) const;
    // Before a delete: REQUIRED on each key column of `row` that a column of
    // another row names in its KeyTable/KeyColumn rule (only rules whose
    // KeyTable is this one table).
    Status CheckUnreferenced(const Row& row, std::vector<ValidationFinding>& out) const;

  private:
    struct Rule {
        bool present = false;
        bool nullable = false;
        std::optional<int32_t> min;
        std::optional<int32_t> max;
        std::string key_table;
        std::vector<std::string> key_tables;  // key_table cut at ';', once
        std::optional<int32_t> key_column;
        std::string category;
        std::string set;
    };
    struct Reference {  // a column of another table that names this one
        std::string table;
        std::string column;
        size_t key;  // the key column of this table it refers to
    };

    Validator(Database& db, const Table& table) : db_(&db), table_(&table) {}
    // The text of a cell of `table` column `c` as the rules compare it.
    std::string CellText(const Table& table, size_t c, uint32_t cell) const;
    bool IsNull(const Table& table, size_t c, uint32_t cell) const;
    Result<int> CheckValue(size_t c, uint32_t cell, const Rule& rule, bool foreign_keys,
                           std::set<std::string>& unchecked) const;
    Result<int> CheckLink(const std::string& text, const Rule& rule) const;
    // The texts of column `column` of `table`, gathered once per validator so
    // that a table of many rows costs one pass over each table it refers to.
    Result<const std::unordered_set<std::string>*> LinkKeys(const std::string& table,
                                                            size_t column) const;

    Database* db_;
    const Table* table_;
    std::vector<Rule> rules_;  // by column of table_
    std::vector<Reference> references_;
    mutable std::map<std::pair<std::string, size_t>, std::unordered_set<std::string>> link_keys_;
};

}  // namespace msi::db
