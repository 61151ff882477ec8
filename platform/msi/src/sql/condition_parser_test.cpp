// The WHERE grammar: predicates, AND/OR precedence, parentheses.
#include <gtest/gtest.h>

#include "sql/parser.h"

namespace msi::sql {
namespace {

std::string ErrorOf(std::string_view query) {
    auto result = Parse(query);
    return result.ok() ? "(no error)" : result.status().message();
}

// Writes a condition back as text with every group in brackets, so tests can
// state the tree's shape in one line.
std::string Show(const Condition& condition) {
    if (const auto* logical = std::get_if<Logical>(&condition.node)) {
        std::string text = "[";
        for (size_t i = 0; i < logical->operands.size(); ++i) {
            if (i > 0) text += logical->op == Logical::Op::kAnd ? " AND " : " OR ";
            text += Show(logical->operands[i]);
        }
        return text + "]";
    }
    if (const auto* test = std::get_if<NullTest>(&condition.node))
        return test->column.name + (test->is_not_null ? " NOTNULL" : " NULL");
    const auto& comparison = std::get<Comparison>(condition.node);
    static const char* kOps[] = {"=", "<>", "<", ">", "<=", ">="};
    std::string text = comparison.left.name + kOps[static_cast<int>(comparison.op)];
    if (const auto* ref = std::get_if<ColumnRef>(&comparison.right))
        return text + "col:" + ref->name;
    const Value& value = std::get<Value>(comparison.right);
    switch (value.kind) {
        case Value::Kind::kNull:
            return text + "NULL";
        case Value::Kind::kInteger:
            return text + std::to_string(value.integer);
        case Value::Kind::kString:
            return text + "'" + value.text + "'";
        case Value::Kind::kParameter:
            return text + "?" + std::to_string(value.parameter);
    }
    return text;
}

std::string ShowWhere(const std::string& where) {
    auto result = Parse("SELECT * FROM T WHERE " + where);
    if (!result.ok()) return "error: " + result.status().message();
    return Show(*std::get<SelectStatement>(result->body).where);
}

TEST(SqlConditionParser, EveryComparisonOperatorAndOperand) {
    EXPECT_EQ(ShowWhere("A = 1"), "A=1");
    EXPECT_EQ(ShowWhere("A <> 'x'"), "A<>'x'");
    EXPECT_EQ(ShowWhere("A < -5"), "A<-5");
    EXPECT_EQ(ShowWhere("A > ?"), "A>?0");
    EXPECT_EQ(ShowWhere("A <= B"), "A<=col:B");
    EXPECT_EQ(ShowWhere("A >= `T`.`B`"), "A>=col:B");
    EXPECT_EQ(ShowWhere("A = NULL"), "A=NULL");
    EXPECT_EQ(ShowWhere("A IS NULL"), "A NULL");
    EXPECT_EQ(ShowWhere("A is not null"), "A NOTNULL");
}

TEST(SqlConditionParser, AndBindsTighterThanOr) {
    EXPECT_EQ(ShowWhere("A = 1 OR B = 2 AND C = 3"), "[A=1 OR [B=2 AND C=3]]");
    EXPECT_EQ(ShowWhere("A = 1 AND B = 2 OR C = 3"), "[[A=1 AND B=2] OR C=3]");
    EXPECT_EQ(ShowWhere("(A = 1 OR B = 2) AND C = 3"), "[[A=1 OR B=2] AND C=3]");
}

TEST(SqlConditionParser, ChainsOfOneOperatorAreFlat) {
    EXPECT_EQ(ShowWhere("A = 1 AND B = 2 AND C = 3 AND D = 4"), "[A=1 AND B=2 AND C=3 AND D=4]");
    EXPECT_EQ(ShowWhere("(A = 1 AND B = 2) AND (C = 3 AND D = 4)"),
              "[A=1 AND B=2 AND C=3 AND D=4]");
    EXPECT_EQ(ShowWhere("((((A = 1))))"), "A=1");
}

TEST(SqlConditionParser, AThousandTermsNeedNoDepth) {
    std::string where = "A = 0";
    for (int i = 1; i < 1000; ++i) where += (i % 2 ? " OR A = " : " AND A = ") + std::to_string(i);
    auto result = Parse("SELECT * FROM T WHERE " + where);
    ASSERT_TRUE(result.ok()) << result.status().message();
    const auto& top = std::get<Logical>(std::get<SelectStatement>(result->body).where->node);
    EXPECT_EQ(top.op, Logical::Op::kOr);
    EXPECT_EQ(top.operands.size(), 501u);  // A = 0, then one group per OR
}

TEST(SqlConditionParser, NestingIsLimited) {
    const std::string ok =
        std::string(kMaxConditionNesting, '(') + "A = 1" + std::string(kMaxConditionNesting, ')');
    EXPECT_EQ(ShowWhere(ok), "A=1");
    const std::string deep = std::string(kMaxConditionNesting + 1, '(') + "A = 1" +
                             std::string(kMaxConditionNesting + 1, ')');
    EXPECT_EQ(ShowWhere(deep), "error: col 55: parentheses nested deeper than 32 levels");
    EXPECT_EQ(ErrorOf("SELECT * FROM T WHERE " + std::string(100000, '(')),
              "col 55: parentheses nested deeper than 32 levels");
}

TEST(SqlConditionParser, Errors) {
    EXPECT_EQ(ShowWhere(""), "error: col 23: expected a column name or '(', found end of query");
    EXPECT_EQ(ShowWhere("1 = A"), "error: col 23: expected a column name or '(', found integer 1");
    EXPECT_EQ(ShowWhere("A"),
              "error: col 24: expected =, <>, <, >, <=, >= or IS, found end of query");
    EXPECT_EQ(ShowWhere("A = "),
              "error: col 27: expected a column name or a value, found end of query");
    EXPECT_EQ(ShowWhere("A = *"), "error: col 27: expected a column name or a value, found '*'");
    EXPECT_EQ(ShowWhere("A IS 1"), "error: col 28: expected NULL, found integer 1");
    EXPECT_EQ(ShowWhere("A IS NOT"), "error: col 31: expected NULL, found end of query");
    EXPECT_EQ(ShowWhere("(A = 1"), "error: col 29: expected AND, OR or ')', found end of query");
    EXPECT_EQ(ShowWhere("A = 1 AND"),
              "error: col 32: expected a column name or '(', found end of query");
    EXPECT_EQ(ShowWhere("A = 1)"),
              "error: col 28: expected AND, OR, ORDER BY or end of query, found ')'");
    EXPECT_EQ(ShowWhere("NOT A = 1"),
              "error: col 23: expected a column name or '(', found keyword NOT");
    EXPECT_EQ(ErrorOf("DELETE FROM T WHERE A = 1 B"),
              "col 27: expected AND, OR or end of query, found name B");
}

}  // namespace
}  // namespace msi::sql
