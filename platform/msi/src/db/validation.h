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
//   BADCABINET       a string that does not fit its Category
//   BADKEYTABLE      none of the ';'-separated KeyTable tables exists
//   BADLINK          no row of a KeyTable table holds the value in column
//                    KeyColumn (foreign keys are checked on request only)
// Categories of formatted text, paths, file names, conditions and the like
// are not checked here: a value of such a column makes the check answer
// kNotImplemented rather than pass it unseen. Category is ignored for
// integer columns, as the installer's documentation says.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/status.h"
#include "db/database.h"

namespace msi::db {

// One finding: an MSIDBERROR value and the column it is about.
struct ValidationFinding {
    int error = 0;
    std::string column;
};

class Validator {
  public:
    // The rules for `table` (a database without _Validation has none).
    static Result<Validator> For(Database& db, const Table& table);

    // Checks the columns of `row` marked in `checked`; `foreign_keys` adds
    // the KeyTable checks. Findings are appended to `out`. kNotImplemented
    // when a value needed a check this engine does not have.
    Status CheckRow(const Row& row, const std::vector<bool>& checked, bool foreign_keys,
                    std::vector<ValidationFinding>& out) const;
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
                           bool& unchecked) const;
    Result<int> CheckLink(const std::string& text, const Rule& rule) const;

    Database* db_;
    const Table* table_;
    std::vector<Rule> rules_;  // by column of table_
    std::vector<Reference> references_;
};

}  // namespace msi::db
