// Evaluating a WHERE condition against rows, for the database layer.
//
// Use: Bind() a parsed Condition once against the columns that the query's
// tables offer (this resolves every name to an index and checks types), then
// call Evaluate() per row. Evaluate does no name look-ups and no allocation
// beyond formatting an integer parameter that is compared with a string.
//
// The comparison rules follow the installer as far as its documentation and
// Wine's reimplementation (dlls/msi/where.c) show them:
//  1. Strings compare byte for byte, case-sensitively, and only with = and
//     <>; <, >, <=, >= on a string column is refused when binding (Wine
//     refuses it when the view is opened).
//  2. An empty string and null are the same value (the installer never
//     stores empty strings), so `Name = ''` matches null cells and
//     `Name <> 'x'` is true for a null cell.
//  3. Integers compare as signed numbers. A null integer cell counts as lower
//     than every number and equal only to null: in the installer's files a
//     null integer is stored as 0 below the bias, so it sorts first and
//     `Col < 5` is true for it (Wine behaves the same way).
//  4. A string column is never compared with an integer constant, nor an
//     integer column with a string constant: binding refuses it (Wine fails
//     such a query when it executes). Column = column needs the same kind.
//  5. `Col = NULL` is `Col IS NULL`, `Col <> NULL` is `Col IS NOT NULL`;
//     other operators with NULL are refused.
//  6. A '?' marker takes its value from the execute record (params[i] for
//     marker i). Against an integer column: a null or missing field is null,
//     a string field holding a decimal integer is that integer, any other
//     string is null (the installer's MsiRecordGetInteger gives
//     MSI_NULL_INTEGER for those). Against a string column: a null or
//     missing field is null, an integer field is its decimal text (what
//     MsiRecordGetString returns; Wine instead sees null there).
//  7. Binary (OBJECT) columns can only be tested with IS [NOT] NULL.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "common/status.h"
#include "sql/ast.h"

namespace msi::sql {

enum class ColumnKind { kInteger, kString, kBinary };

// One column of the row that the condition sees. For a join this is the
// columns of every table in FROM order, each with its table's name.
struct ColumnInfo {
    std::string table;
    std::string name;
    ColumnKind kind = ColumnKind::kString;
};

// A field of the execute record: null, integer or string.
using FieldValue = std::variant<std::monostate, int32_t, std::string>;

// How Evaluate reads the current row; index = position in the ColumnInfo
// list given to Bind. GetInteger is only called for integer columns that
// are not null, GetString only for string columns (null may give "").
class RowAccessor {
  public:
    virtual ~RowAccessor() = default;
    virtual bool IsNull(int column) const = 0;
    virtual int32_t GetInteger(int column) const = 0;
    virtual std::string_view GetString(int column) const = 0;
};

// The index of `ref` in `columns`, or an error "col N: unknown column `X`".
// A qualified name must match table and column; an unqualified name takes
// the first column of that name in FROM order, as the installer does.
// Names are case-sensitive.
Result<int> ResolveColumn(const ColumnRef& ref, std::span<const ColumnInfo> columns);

// A condition with names resolved and types checked, ready for Evaluate.
class BoundCondition {
  public:
    struct Node;  // defined in condition.cpp's terms; opaque to callers

    BoundCondition();
    BoundCondition(BoundCondition&&) noexcept;
    BoundCondition& operator=(BoundCondition&&) noexcept;
    ~BoundCondition();

    // True when the row satisfies the condition.
    bool Evaluate(const RowAccessor& row, std::span<const FieldValue> params) const;

    // The comparisons `column = column` that every satisfying row meets:
    // those the condition joins by AND at its top (through parentheses, not
    // under an OR), as pairs of column indexes. A join pairs its tables'
    // rows through them instead of trying every combination. Equal means
    // what Evaluate means: null equals null, and a null string equals "".
    std::vector<std::pair<int, int>> RequiredEqualities() const;

  private:
    friend class ConditionBinder;
    bool EvaluateNode(int index, const RowAccessor& row, std::span<const FieldValue> params) const;
    void CollectEqualities(int index, std::vector<std::pair<int, int>>& out) const;

    std::vector<Node> nodes_;
    std::vector<int> children_;  // operand indexes of AND/OR nodes, in runs
    int root_ = -1;
};

// Resolves and checks `condition` against `columns`. Errors read
// "col N: ..." at the offending column name; the engine reports them as
// 1615 like a syntax error.
Result<BoundCondition> Bind(const Condition& condition, std::span<const ColumnInfo> columns);

// Same as condition.Evaluate(row, params).
inline bool Evaluate(const BoundCondition& condition, const RowAccessor& row,
                     std::span<const FieldValue> params) {
    return condition.Evaluate(row, params);
}

}  // namespace msi::sql
