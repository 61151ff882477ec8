// The WHERE clause: AND/OR with AND binding tighter, parentheses (nesting
// limited by kMaxConditionNesting), comparisons and null tests.
#include <string>
#include <utility>
#include <vector>

#include "sql/parser.h"
#include "sql/parser_internal.h"

namespace msi::sql::internal {
namespace {

// Appends `operand` to `operands`, merging a nested node of the same
// operator so that "(a AND b) AND c" is one AND over three operands.
void AddOperand(Logical::Op op, Condition operand, std::vector<Condition>& operands) {
    if (auto* logical = std::get_if<Logical>(&operand.node); logical && logical->op == op) {
        for (auto& inner : logical->operands) operands.push_back(std::move(inner));
        return;
    }
    operands.push_back(std::move(operand));
}

}  // namespace

// condition := and-term {OR and-term}; AND binds tighter than OR.
Result<Condition> Parser::ParseOr() {
    auto first = ParseAnd();
    if (!first.ok() || !AtKeyword(Keyword::kOr)) return first;
    Logical logical;
    logical.op = Logical::Op::kOr;
    AddOperand(logical.op, std::move(first).value(), logical.operands);
    while (TakeKeywordIf(Keyword::kOr)) {
        auto next = ParseAnd();
        if (!next.ok()) return next.status();
        AddOperand(logical.op, std::move(next).value(), logical.operands);
    }
    return Condition{std::move(logical)};
}

// and-term := primary {AND primary}
Result<Condition> Parser::ParseAnd() {
    auto first = ParsePrimary();
    if (!first.ok() || !AtKeyword(Keyword::kAnd)) return first;
    Logical logical;
    logical.op = Logical::Op::kAnd;
    AddOperand(logical.op, std::move(first).value(), logical.operands);
    while (TakeKeywordIf(Keyword::kAnd)) {
        auto next = ParsePrimary();
        if (!next.ok()) return next.status();
        AddOperand(logical.op, std::move(next).value(), logical.operands);
    }
    return Condition{std::move(logical)};
}

// primary := '(' condition ')' | predicate
Result<Condition> Parser::ParsePrimary() {
    if (!At(TokenKind::kLeftParen)) return ParsePredicate();
    if (nesting_ >= kMaxConditionNesting) {
        return ErrorAt(Peek(), "parentheses nested deeper than " +
                                   std::to_string(kMaxConditionNesting) + " levels");
    }
    Take();  // '('
    ++nesting_;
    auto inner = ParseOr();
    --nesting_;
    if (!inner.ok()) return inner;
    if (Status s = ExpectToken(TokenKind::kRightParen, "AND, OR or ')'"); !s.ok()) return s;
    return inner;
}

// predicate := column IS [NOT] NULL | column op (column | value)
Result<Condition> Parser::ParsePredicate() {
    if (!At(TokenKind::kName) && !At(TokenKind::kQuotedName))
        return Expected("a column name or '('");
    auto column = ParseColumnRef();
    if (!column.ok()) return column.status();
    if (TakeKeywordIf(Keyword::kIs)) {
        NullTest test;
        test.column = std::move(column).value();
        test.is_not_null = TakeKeywordIf(Keyword::kNot);
        if (Status s = ExpectKeyword(Keyword::kNull); !s.ok()) return s;
        return Condition{std::move(test)};
    }
    Comparison comparison;
    comparison.left = std::move(column).value();
    switch (Peek().kind) {
        case TokenKind::kEq:
            comparison.op = CompareOp::kEq;
            break;
        case TokenKind::kNe:
            comparison.op = CompareOp::kNe;
            break;
        case TokenKind::kLt:
            comparison.op = CompareOp::kLt;
            break;
        case TokenKind::kGt:
            comparison.op = CompareOp::kGt;
            break;
        case TokenKind::kLe:
            comparison.op = CompareOp::kLe;
            break;
        case TokenKind::kGe:
            comparison.op = CompareOp::kGe;
            break;
        default:
            return Expected("=, <>, <, >, <=, >= or IS");
    }
    Take();
    if (At(TokenKind::kName) || At(TokenKind::kQuotedName)) {
        auto right = ParseColumnRef();
        if (!right.ok()) return right.status();
        comparison.right = std::move(right).value();
    } else {
        if (!At(TokenKind::kString) && !At(TokenKind::kInteger) && !At(TokenKind::kMinus) &&
            !At(TokenKind::kParameter) && !AtKeyword(Keyword::kNull)) {
            return Expected("a column name or a value");
        }
        auto value = ParseValue();
        if (!value.ok()) return value.status();
        comparison.right = std::move(value).value();
    }
    return Condition{std::move(comparison)};
}

}  // namespace msi::sql::internal
