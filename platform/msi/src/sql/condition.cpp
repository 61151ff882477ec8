#include "sql/condition.h"

#include <charconv>
#include <optional>
#include <utility>

namespace msi::sql {

// One step of a bound condition. Which fields count depends on `kind`.
struct BoundCondition::Node {
    enum class Kind {
        kAnd,  // children_[first_child .. first_child + child_count)
        kOr,
        kIsNull,       // column
        kIsNotNull,    // column
        kIntConst,     // column op integer
        kIntColumn,    // column op other_column
        kIntParam,     // column op params[parameter]
        kStringConst,  // column op text (op is = or <>)
        kStringColumn,
        kStringParam,
    };
    Kind kind = Kind::kAnd;
    CompareOp op = CompareOp::kEq;
    int column = -1;
    int other_column = -1;
    int parameter = -1;
    int32_t integer = 0;
    std::string text;
    int first_child = 0;
    int child_count = 0;
    bool string_column = false;  // kIsNull/kIsNotNull: "" counts as null
};

BoundCondition::BoundCondition() = default;
BoundCondition::BoundCondition(BoundCondition&&) noexcept = default;
BoundCondition& BoundCondition::operator=(BoundCondition&&) noexcept = default;
BoundCondition::~BoundCondition() = default;

namespace {

std::string Where(int column) {
    return "col " + std::to_string(column) + ": ";
}

std::string Spell(const ColumnRef& ref) {
    return ref.table.empty() ? "`" + ref.name + "`" : "`" + ref.table + "`.`" + ref.name + "`";
}

std::string_view OpText(CompareOp op) {
    switch (op) {
        case CompareOp::kEq:
            return "=";
        case CompareOp::kNe:
            return "<>";
        case CompareOp::kLt:
            return "<";
        case CompareOp::kGt:
            return ">";
        case CompareOp::kLe:
            return "<=";
        case CompareOp::kGe:
            return ">=";
    }
    return "?";
}

std::string_view KindText(ColumnKind kind) {
    switch (kind) {
        case ColumnKind::kInteger:
            return "integer";
        case ColumnKind::kString:
            return "string";
        case ColumnKind::kBinary:
            return "binary";
    }
    return "?";
}

// Rule 3 of condition.h: null is below every number and equal to null.
bool CompareIntegers(std::optional<int32_t> left, CompareOp op, std::optional<int32_t> right) {
    const int order = left == right ? 0 : (left < right ? -1 : 1);  // nullopt sorts first
    switch (op) {
        case CompareOp::kEq:
            return order == 0;
        case CompareOp::kNe:
            return order != 0;
        case CompareOp::kLt:
            return order < 0;
        case CompareOp::kGt:
            return order > 0;
        case CompareOp::kLe:
            return order <= 0;
        case CompareOp::kGe:
            return order >= 0;
    }
    return false;
}

// Rules 1 and 2: only = and <> reach here; null and "" are one value.
bool CompareStrings(std::string_view left, CompareOp op, std::string_view right) {
    const bool equal = left == right;
    return op == CompareOp::kEq ? equal : !equal;
}

std::optional<int32_t> CellInteger(const RowAccessor& row, int column) {
    if (row.IsNull(column)) return std::nullopt;
    return row.GetInteger(column);
}

std::string_view CellString(const RowAccessor& row, int column) {
    return row.IsNull(column) ? std::string_view() : row.GetString(column);
}

// Rule 6, integer side.
std::optional<int32_t> ParamInteger(std::span<const FieldValue> params, int index) {
    if (index < 0 || static_cast<size_t>(index) >= params.size()) return std::nullopt;
    const FieldValue& field = params[index];
    if (const auto* value = std::get_if<int32_t>(&field)) {
        if (*value == INT32_MIN) return std::nullopt;  // MSI_NULL_INTEGER
        return *value;
    }
    if (const auto* text = std::get_if<std::string>(&field)) {
        int32_t value = 0;
        const char* begin = text->data();
        const char* end = begin + text->size();
        auto [ptr, ec] = std::from_chars(begin, end, value);
        if (ec == std::errc() && ptr == end && !text->empty() && value != INT32_MIN) return value;
    }
    return std::nullopt;
}

}  // namespace

// Builds the node array from the tree; a class so that it may reach the
// private members of BoundCondition.
class ConditionBinder {
  public:
    ConditionBinder(BoundCondition& out, std::span<const ColumnInfo> columns)
        : out_(out), columns_(columns) {}

    Status Run(const Condition& condition) {
        auto root = BindNode(condition);
        if (!root.ok()) return root.status();
        out_.root_ = *root;
        return Status::Ok();
    }

  private:
    using Kind = BoundCondition::Node::Kind;

    // Returns the index of the node made for `condition`.
    Result<int> BindNode(const Condition& condition) {
        if (const auto* logical = std::get_if<Logical>(&condition.node)) {
            std::vector<int> operands;
            for (const Condition& operand : logical->operands) {
                auto index = BindNode(operand);
                if (!index.ok()) return index.status();
                operands.push_back(*index);
            }
            BoundCondition::Node node;
            node.kind = logical->op == Logical::Op::kAnd ? BoundCondition::Node::Kind::kAnd
                                                         : BoundCondition::Node::Kind::kOr;
            node.first_child = static_cast<int>(out_.children_.size());
            node.child_count = static_cast<int>(operands.size());
            out_.children_.insert(out_.children_.end(), operands.begin(), operands.end());
            return Add(std::move(node));
        }
        if (const auto* test = std::get_if<NullTest>(&condition.node)) {
            auto column = ResolveColumn(test->column, columns_);
            if (!column.ok()) return column.status();
            return AddNullTest(*column, test->is_not_null);
        }
        return BindComparison(std::get<Comparison>(condition.node));
    }

    int Add(BoundCondition::Node node) {
        out_.nodes_.push_back(std::move(node));
        return static_cast<int>(out_.nodes_.size()) - 1;
    }

    int AddNullTest(int column, bool is_not_null) {
        BoundCondition::Node node;
        node.kind = is_not_null ? Kind::kIsNotNull : Kind::kIsNull;
        node.column = column;
        node.string_column = columns_[column].kind == ColumnKind::kString;
        return Add(std::move(node));
    }

    Result<int> BindComparison(const Comparison& comparison) {
        auto left = ResolveColumn(comparison.left, columns_);
        if (!left.ok()) return left.status();
        const ColumnKind kind = columns_[*left].kind;
        const std::string at = Where(comparison.left.column);
        BoundCondition::Node node;
        node.column = *left;
        node.op = comparison.op;

        if (const auto* value = std::get_if<Value>(&comparison.right);
            value && value->kind == Value::Kind::kNull) {
            // Rule 5.
            if (comparison.op == CompareOp::kEq) return AddNullTest(*left, false);
            if (comparison.op == CompareOp::kNe) return AddNullTest(*left, true);
            return Status::InvalidArgument(at + "operator " + std::string(OpText(comparison.op)) +
                                           " cannot compare with NULL (use IS NULL)");
        }
        if (kind == ColumnKind::kBinary) {
            return Status::InvalidArgument(at + "binary column " + Spell(comparison.left) +
                                           " can only be tested with IS NULL or IS NOT NULL");
        }
        const bool ordering = comparison.op != CompareOp::kEq && comparison.op != CompareOp::kNe;
        if (kind == ColumnKind::kString && ordering) {
            return Status::InvalidArgument(at + "operator " + std::string(OpText(comparison.op)) +
                                           " cannot compare strings (only = and <>)");
        }

        if (const auto* right_ref = std::get_if<ColumnRef>(&comparison.right)) {
            auto right = ResolveColumn(*right_ref, columns_);
            if (!right.ok()) return right.status();
            if (columns_[*right].kind != kind) {
                return Status::InvalidArgument(
                    at + std::string(KindText(kind)) + " column " + Spell(comparison.left) +
                    " cannot be compared with " + std::string(KindText(columns_[*right].kind)) +
                    " column " + Spell(*right_ref));
            }
            node.kind = kind == ColumnKind::kString ? Kind::kStringColumn : Kind::kIntColumn;
            node.other_column = *right;
            return Add(std::move(node));
        }

        const Value& value = std::get<Value>(comparison.right);
        switch (value.kind) {
            case Value::Kind::kParameter:
                node.kind = kind == ColumnKind::kString ? Kind::kStringParam : Kind::kIntParam;
                node.parameter = value.parameter;
                return Add(std::move(node));
            case Value::Kind::kInteger:
                if (kind != ColumnKind::kInteger) {
                    return Status::InvalidArgument(at + "string column " + Spell(comparison.left) +
                                                   " cannot be compared with an integer");
                }
                node.kind = Kind::kIntConst;
                node.integer = value.integer;
                return Add(std::move(node));
            case Value::Kind::kString:
                if (kind != ColumnKind::kString) {
                    return Status::InvalidArgument(at + "integer column " + Spell(comparison.left) +
                                                   " cannot be compared with a string");
                }
                node.kind = Kind::kStringConst;
                node.text = value.text;
                return Add(std::move(node));
            case Value::Kind::kNull:
                break;  // handled above
        }
        return Status::InvalidArgument(at + "unsupported comparison");
    }

    BoundCondition& out_;
    std::span<const ColumnInfo> columns_;
};

Result<int> ResolveColumn(const ColumnRef& ref, std::span<const ColumnInfo> columns) {
    for (size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].name == ref.name && (ref.table.empty() || columns[i].table == ref.table))
            return static_cast<int>(i);
    }
    return Status::InvalidArgument(Where(ref.column) + "unknown column " + Spell(ref));
}

Result<BoundCondition> Bind(const Condition& condition, std::span<const ColumnInfo> columns) {
    BoundCondition bound;
    ConditionBinder binder(bound, columns);
    if (Status s = binder.Run(condition); !s.ok()) return s;
    return bound;
}

bool BoundCondition::Evaluate(const RowAccessor& row, std::span<const FieldValue> params) const {
    return root_ < 0 || EvaluateNode(root_, row, params);
}

std::vector<std::pair<int, int>> BoundCondition::RequiredEqualities() const {
    std::vector<std::pair<int, int>> equalities;
    if (root_ >= 0) CollectEqualities(root_, equalities);
    return equalities;
}

void BoundCondition::CollectEqualities(int index, std::vector<std::pair<int, int>>& out) const {
    const Node& node = nodes_[index];
    if (node.kind == Node::Kind::kAnd) {
        for (int i = 0; i < node.child_count; ++i)
            CollectEqualities(children_[node.first_child + i], out);
    } else if ((node.kind == Node::Kind::kIntColumn || node.kind == Node::Kind::kStringColumn) &&
               node.op == CompareOp::kEq) {
        out.emplace_back(node.column, node.other_column);
    }
}

// Recursion depth is bounded by the query's parenthesis nesting, which the
// parser limits, because AND/OR chains are flat.
bool BoundCondition::EvaluateNode(int index, const RowAccessor& row,
                                  std::span<const FieldValue> params) const {
    const Node& node = nodes_[index];
    switch (node.kind) {
        case Node::Kind::kAnd:
            for (int i = 0; i < node.child_count; ++i)
                if (!EvaluateNode(children_[node.first_child + i], row, params)) return false;
            return true;
        case Node::Kind::kOr:
            for (int i = 0; i < node.child_count; ++i)
                if (EvaluateNode(children_[node.first_child + i], row, params)) return true;
            return false;
        case Node::Kind::kIsNull:
        case Node::Kind::kIsNotNull: {
            // Rule 2: an empty string cell is null too.
            const bool is_null = row.IsNull(node.column) ||
                                 (node.string_column && row.GetString(node.column).empty());
            return (node.kind == Node::Kind::kIsNull) == is_null;
        }
        case Node::Kind::kIntConst:
            return CompareIntegers(CellInteger(row, node.column), node.op, node.integer);
        case Node::Kind::kIntColumn:
            return CompareIntegers(CellInteger(row, node.column), node.op,
                                   CellInteger(row, node.other_column));
        case Node::Kind::kIntParam:
            return CompareIntegers(CellInteger(row, node.column), node.op,
                                   ParamInteger(params, node.parameter));
        case Node::Kind::kStringConst:
            return CompareStrings(CellString(row, node.column), node.op, node.text);
        case Node::Kind::kStringColumn:
            return CompareStrings(CellString(row, node.column), node.op,
                                  CellString(row, node.other_column));
        case Node::Kind::kStringParam: {
            // Rule 6, string side.
            std::string_view right;
            char buffer[16];
            if (node.parameter >= 0 && static_cast<size_t>(node.parameter) < params.size()) {
                const FieldValue& field = params[node.parameter];
                if (const auto* text = std::get_if<std::string>(&field)) {
                    right = *text;
                } else if (const auto* value = std::get_if<int32_t>(&field)) {
                    auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, *value);
                    right = std::string_view(buffer, ec == std::errc() ? ptr - buffer : 0);
                }
            }
            return CompareStrings(CellString(row, node.column), node.op, right);
        }
    }
    return false;
}

}  // namespace msi::sql
