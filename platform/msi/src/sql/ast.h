// The syntax tree of one query of the installer's SQL dialect. The parser
// (parser.h) builds it; the database layer executes it. The tree holds names
// exactly as written (names are case-sensitive) and does not know whether
// the tables or columns exist: binding against a schema is a later step
// (condition.h for WHERE clauses).
//
// Parameter markers ('?') are numbered 0, 1, 2, ... in order of appearance in
// the query text; marker i takes field i + 1 of the record passed when the
// view is executed.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace msi::sql {

// A column as written: `Name` or `Table`.`Name`.
struct ColumnRef {
    std::string table;  // empty when the name is not qualified
    std::string name;
    int column = 0;  // where it starts in the query (1-based), for later errors
};

// A constant or a parameter marker: the right-hand side of a comparison or
// of SET, and each entry of VALUES.
struct Value {
    enum class Kind { kNull, kInteger, kString, kParameter };
    Kind kind = Kind::kNull;
    int32_t integer = 0;  // kInteger
    std::string text;     // kString (may be empty: '' is the null string)
    int parameter = -1;   // kParameter: 0-based marker number
    int column = 0;
};

enum class CompareOp { kEq, kNe, kLt, kGt, kLe, kGe };

struct Condition;

// `column op value` or `column op column`. The column is always on the left,
// as the dialect requires.
struct Comparison {
    ColumnRef left;
    CompareOp op = CompareOp::kEq;
    std::variant<Value, ColumnRef> right;
};

// `column IS NULL` / `column IS NOT NULL`.
struct NullTest {
    ColumnRef column;
    bool is_not_null = false;
};

// AND / OR over two or more operands. Chains of the same operator are
// flattened (a AND b AND c is one node with three operands), so the tree is
// only as deep as the query's parentheses, which the parser limits.
struct Logical {
    enum class Op { kAnd, kOr };
    Op op = Op::kAnd;
    std::vector<Condition> operands;
};

struct Condition {
    std::variant<Comparison, NullTest, Logical> node;
};

// One entry of a SELECT list: a column, or a string constant that every row
// shows as it is ('' shows null).
struct SelectItem {
    ColumnRef column;                     // when there is no constant
    std::optional<std::string> constant;  // the text between the quotes
};

// SELECT [DISTINCT] *|items FROM tables [WHERE condition] [ORDER BY columns]
struct SelectStatement {
    bool distinct = false;
    std::vector<SelectItem> columns;  // empty means '*'
    std::vector<std::string> tables;  // more than one: a join, filtered by WHERE
    std::optional<Condition> where;
    std::vector<ColumnRef> order_by;
};

// INSERT INTO table (columns) VALUES (values) [TEMPORARY]
// The parser guarantees as many values as columns.
struct InsertStatement {
    std::string table;
    std::vector<ColumnRef> columns;
    std::vector<Value> values;
    bool temporary = false;  // the row is not saved by a commit
    // A '?' follows a constant in VALUES. The installer documents that
    // markers must precede constants in INSERT and UPDATE and fails such a
    // query when it executes (MsiViewExecute); the query itself parses.
    bool marker_after_constant = false;
};

struct Assignment {
    ColumnRef column;
    Value value;
};

// UPDATE table SET column = value, ... [WHERE condition]
struct UpdateStatement {
    std::string table;
    std::vector<Assignment> assignments;
    std::optional<Condition> where;
    // A '?' follows a constant in SET; see InsertStatement.
    bool marker_after_constant = false;
};

// DELETE FROM table [WHERE condition]
struct DeleteStatement {
    std::string table;
    std::optional<Condition> where;
};

// The data type words of CREATE TABLE and ALTER TABLE ADD.
enum class DataType {
    kChar,      // CHAR, CHAR(n), CHARACTER, CHARACTER(n)
    kLongChar,  // LONGCHAR
    kShort,     // SHORT, INT, INTEGER (16-bit)
    kLong,      // LONG (32-bit)
    kObject,    // OBJECT (binary stream)
};

// One column of CREATE TABLE or ALTER TABLE ADD.
struct ColumnDef {
    std::string name;
    DataType data_type = DataType::kChar;
    int size = 0;  // n of CHAR(n); 0 = unlimited
    bool not_null = false;
    bool temporary = false;
    bool localizable = false;
    bool primary_key = false;
    // The column type word of the _Columns table, computed by
    // ColumnTypeWord (column_type.h) once the key flag is known.
    uint16_t type_word = 0;
    int column = 0;
};

// CREATE TABLE table (column defs PRIMARY KEY columns) [HOLD]
// Columns stay in the order written; primary_keys lists the key columns in
// the order of the PRIMARY KEY clause (each names a defined column). The
// installer moves key k into slot k by swapping it with the column there:
// placing the columns is the database layer's job.
struct CreateTableStatement {
    std::string table;
    std::vector<ColumnDef> columns;
    std::vector<std::string> primary_keys;
    bool hold = false;
    // Every column is TEMPORARY: the table itself is temporary. A table with
    // persistent columns and a temporary key column is refused by the
    // installer at execution (1627), which is the database layer's check.
    bool temporary = false;
};

// DROP TABLE table
struct DropTableStatement {
    std::string table;
};

// ALTER TABLE table HOLD | FREE | ADD column type [HOLD]
struct AlterTableStatement {
    enum class Action { kHold, kFree, kAddColumn };
    std::string table;
    Action action = Action::kHold;
    std::optional<ColumnDef> column;  // kAddColumn
    bool hold = false;                // kAddColumn followed by HOLD
};

struct Statement {
    std::variant<SelectStatement, InsertStatement, UpdateStatement, DeleteStatement,
                 CreateTableStatement, DropTableStatement, AlterTableStatement>
        body;
    int parameter_count = 0;  // number of '?' markers in the query
};

}  // namespace msi::sql
