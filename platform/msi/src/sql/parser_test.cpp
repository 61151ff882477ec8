// Statements other than CREATE/ALTER (schema_parser_test.cpp) and the WHERE
// grammar (condition_parser_test.cpp).
#include "sql/parser.h"

#include <gtest/gtest.h>

namespace msi::sql {
namespace {

template <class T>
T ParseAs(std::string_view query) {
    auto result = Parse(query);
    EXPECT_TRUE(result.ok()) << query << " -> " << result.status().message();
    if (!result.ok()) return T{};
    EXPECT_TRUE(std::holds_alternative<T>(result->body)) << query;
    if (!std::holds_alternative<T>(result->body)) return T{};
    return std::get<T>(std::move(result->body));
}

std::string ErrorOf(std::string_view query) {
    auto result = Parse(query);
    return result.ok() ? "(no error)" : result.status().message();
}

int ParameterCount(std::string_view query) {
    auto result = Parse(query);
    EXPECT_TRUE(result.ok()) << result.status().message();
    return result.ok() ? result->parameter_count : -1;
}

TEST(SqlParserSelect, StarFromOneTable) {
    auto select = ParseAs<SelectStatement>("SELECT * FROM Property");
    EXPECT_FALSE(select.distinct);
    EXPECT_TRUE(select.columns.empty());
    EXPECT_EQ(select.tables, std::vector<std::string>{"Property"});
    EXPECT_FALSE(select.where.has_value());
    EXPECT_TRUE(select.order_by.empty());
}

TEST(SqlParserSelect, DistinctColumnsJoinWhereAndOrderBy) {
    auto select = ParseAs<SelectStatement>(
        "select distinct `Component`.`Directory_`, Feature_ from `Component`, FeatureComponents "
        "where `Component`.`Component` = `FeatureComponents`.`Component_` order by Feature_, "
        "`Component`.`Directory_`");
    EXPECT_TRUE(select.distinct);
    ASSERT_EQ(select.columns.size(), 2u);
    EXPECT_EQ(select.columns[0].column.table, "Component");
    EXPECT_EQ(select.columns[0].column.name, "Directory_");
    EXPECT_EQ(select.columns[0].column.column, 17);
    EXPECT_EQ(select.columns[1].column.table, "");
    EXPECT_EQ(select.columns[1].column.name, "Feature_");
    EXPECT_EQ(select.tables, (std::vector<std::string>{"Component", "FeatureComponents"}));
    ASSERT_TRUE(select.where.has_value());
    const auto& comparison = std::get<Comparison>(select.where->node);
    EXPECT_EQ(comparison.left.table, "Component");
    EXPECT_EQ(std::get<ColumnRef>(comparison.right).name, "Component_");
    ASSERT_EQ(select.order_by.size(), 2u);
    EXPECT_EQ(select.order_by[0].name, "Feature_");
    EXPECT_EQ(select.order_by[1].table, "Component");
}

TEST(SqlParserSelect, TransformViewQueryOfTheViewer) {
    auto select =
        ParseAs<SelectStatement>("SELECT * FROM `_TransformView` ORDER BY `Table`, `Row`");
    EXPECT_EQ(select.tables, std::vector<std::string>{"_TransformView"});
    ASSERT_EQ(select.order_by.size(), 2u);
    EXPECT_EQ(select.order_by[0].name, "Table");
    EXPECT_EQ(select.order_by[1].name, "Row");
}

TEST(SqlParserSelect, QuotedNamesMayHoldSpacesAndKeywords) {
    auto select = ParseAs<SelectStatement>("SELECT `My Column`, `Key` FROM `Order`");
    EXPECT_EQ(select.columns[0].column.name, "My Column");
    EXPECT_EQ(select.columns[1].column.name, "Key");
    EXPECT_EQ(select.tables[0], "Order");
}

TEST(SqlParserSelect, NamesAreKeptAsWrittenButKeywordsIgnoreCase) {
    auto select = ParseAs<SelectStatement>("sElEcT propERTY fRoM proPerty");
    EXPECT_EQ(select.columns[0].column.name, "propERTY");
    EXPECT_EQ(select.tables[0], "proPerty");
}

TEST(SqlParserInsert, ValuesOfEveryKind) {
    auto insert = ParseAs<InsertStatement>(
        "INSERT INTO `Property` (`Property`, `Value`, A, B, C, D) "
        "VALUES ('ProductName', ?, 42, -7, - 8, NULL)");
    EXPECT_EQ(insert.table, "Property");
    ASSERT_EQ(insert.columns.size(), 6u);
    ASSERT_EQ(insert.values.size(), 6u);
    EXPECT_EQ(insert.values[0].kind, Value::Kind::kString);
    EXPECT_EQ(insert.values[0].text, "ProductName");
    EXPECT_EQ(insert.values[1].kind, Value::Kind::kParameter);
    EXPECT_EQ(insert.values[1].parameter, 0);
    EXPECT_EQ(insert.values[2].kind, Value::Kind::kInteger);
    EXPECT_EQ(insert.values[2].integer, 42);
    EXPECT_EQ(insert.values[3].integer, -7);
    EXPECT_EQ(insert.values[4].integer, -8);
    EXPECT_EQ(insert.values[5].kind, Value::Kind::kNull);
    EXPECT_FALSE(insert.temporary);
}

TEST(SqlParserInsert, QualifiedColumnNames) {
    auto insert = ParseAs<InsertStatement>("INSERT INTO T (`T`.`A`, B) VALUES (1, 2)");
    EXPECT_EQ(insert.columns[0].table, "T");
    EXPECT_EQ(insert.columns[0].name, "A");
    EXPECT_EQ(insert.columns[1].table, "");
}

TEST(SqlParserInsert, TemporaryRowAndEmptyString) {
    auto insert = ParseAs<InsertStatement>("INSERT INTO T (A) VALUES ('') TEMPORARY");
    EXPECT_TRUE(insert.temporary);
    EXPECT_EQ(insert.values[0].kind, Value::Kind::kString);
    EXPECT_EQ(insert.values[0].text, "");
}

TEST(SqlParserInsert, IntegerLimits) {
    auto insert = ParseAs<InsertStatement>("INSERT INTO T (A, B) VALUES (2147483647, -2147483647)");
    EXPECT_EQ(insert.values[0].integer, 2147483647);
    EXPECT_EQ(insert.values[1].integer, -2147483647);
    EXPECT_EQ(ErrorOf("INSERT INTO T (A) VALUES (2147483648)"),
              "col 27: integer 2147483648 is out of range");
    EXPECT_EQ(ErrorOf("INSERT INTO T (A) VALUES (-2147483648)"),
              "col 28: integer -2147483648 is out of range");
    EXPECT_EQ(ErrorOf("INSERT INTO T (A) VALUES (123456789012345678901234567890)"),
              "col 27: integer 123456789012345678901234... is out of range");
}

TEST(SqlParserInsert, ValueCountMustMatchColumns) {
    EXPECT_EQ(ErrorOf("INSERT INTO T (A, B) VALUES (1)"),
              "col 31: expected 2 values to match the columns, found 1");
    EXPECT_EQ(ErrorOf("INSERT INTO T (A) VALUES (1, 2)"),
              "col 31: expected 1 values to match the columns, found 2");
}

TEST(SqlParserUpdate, AssignmentsAndWhere) {
    auto update = ParseAs<UpdateStatement>(
        "UPDATE `Media` SET `Cabinet` = 'data1.cab', DiskId = ?, LastSequence = NULL "
        "WHERE `DiskId` = ?");
    EXPECT_EQ(update.table, "Media");
    ASSERT_EQ(update.assignments.size(), 3u);
    EXPECT_EQ(update.assignments[0].column.name, "Cabinet");
    EXPECT_EQ(update.assignments[0].value.text, "data1.cab");
    EXPECT_EQ(update.assignments[1].value.parameter, 0);
    EXPECT_EQ(update.assignments[2].value.kind, Value::Kind::kNull);
    ASSERT_TRUE(update.where.has_value());
    EXPECT_EQ(std::get<Value>(std::get<Comparison>(update.where->node).right).parameter, 1);
}

TEST(SqlParserUpdate, WithoutWhere) {
    auto update = ParseAs<UpdateStatement>("UPDATE T SET A = 1");
    EXPECT_FALSE(update.where.has_value());
}

TEST(SqlParserDelete, WithAndWithoutWhere) {
    auto all = ParseAs<DeleteStatement>("DELETE FROM `Registry`");
    EXPECT_EQ(all.table, "Registry");
    EXPECT_FALSE(all.where.has_value());
    auto some = ParseAs<DeleteStatement>("DELETE FROM Registry WHERE Root = -1");
    ASSERT_TRUE(some.where.has_value());
    EXPECT_EQ(std::get<Value>(std::get<Comparison>(some.where->node).right).integer, -1);
}

TEST(SqlParserDrop, Table) {
    EXPECT_EQ(ParseAs<DropTableStatement>("DROP TABLE `Old Table`").table, "Old Table");
}

TEST(SqlParserParameters, AreNumberedInOrderOfAppearance) {
    EXPECT_EQ(ParameterCount("SELECT * FROM T"), 0);
    EXPECT_EQ(ParameterCount("SELECT * FROM T WHERE A = ? AND (B = ? OR C <> ?)"), 3);
    EXPECT_EQ(ParameterCount("INSERT INTO T (A, B, C) VALUES (?, 1, ?)"), 2);
    auto update = ParseAs<UpdateStatement>("UPDATE T SET A = ?, B = ? WHERE C = ?");
    EXPECT_EQ(update.assignments[0].value.parameter, 0);
    EXPECT_EQ(update.assignments[1].value.parameter, 1);
    EXPECT_EQ(std::get<Value>(std::get<Comparison>(update.where->node).right).parameter, 2);
}

TEST(SqlParserParameters, MarkersAfterConstantsAreFlaggedForExecution) {
    EXPECT_FALSE(
        ParseAs<InsertStatement>("INSERT INTO T (A, B) VALUES (?, 1)").marker_after_constant);
    EXPECT_TRUE(
        ParseAs<InsertStatement>("INSERT INTO T (A, B) VALUES (1, ?)").marker_after_constant);
    EXPECT_FALSE(
        ParseAs<UpdateStatement>("UPDATE T SET A = ?, B = 1 WHERE C = ?").marker_after_constant);
    EXPECT_TRUE(ParseAs<UpdateStatement>("UPDATE T SET A = NULL, B = ?").marker_after_constant);
}

TEST(SqlParserErrors, StatementStartAndEnd) {
    EXPECT_EQ(ErrorOf(""),
              "col 1: expected SELECT, INSERT, UPDATE, DELETE, CREATE, DROP or ALTER, found end "
              "of query");
    EXPECT_EQ(ErrorOf("  FOO"),
              "col 3: expected SELECT, INSERT, UPDATE, DELETE, CREATE, DROP or ALTER, found name "
              "FOO");
    EXPECT_EQ(ErrorOf("SELECT * FROM T T2"),
              "col 17: expected ',', WHERE, ORDER BY or end of query, found name T2");
    EXPECT_EQ(ErrorOf("DROP TABLE T extra"), "col 14: expected end of query, found name extra");
}

TEST(SqlParserErrors, SelectMessages) {
    EXPECT_EQ(ErrorOf("SELECT FROM T"),
              "col 8: expected '*', a column name or a string, found keyword FROM");
    EXPECT_EQ(ErrorOf("SELECT A B FROM T"), "col 10: expected ',' or FROM, found name B");
    EXPECT_EQ(ErrorOf("SELECT * FROM"), "col 14: expected a table name, found end of query");
    EXPECT_EQ(ErrorOf("SELECT * FROM Order"),
              "col 15: expected a table name, found keyword ORDER (quote it as `Order` to use it "
              "as a name)");
    EXPECT_EQ(ErrorOf("SELECT * FROM T ORDER A"), "col 23: expected BY, found name A");
    EXPECT_EQ(ErrorOf("SELECT * FROM T ORDER BY A B"),
              "col 28: expected ',' or end of query, found name B");
    EXPECT_EQ(ErrorOf("SELECT T. from T"),
              "col 11: expected a column name after '.', found keyword FROM (quote it as `from` "
              "to use it as a name)");
    EXPECT_EQ(ErrorOf("SELECT * FROM T WHERE A = 1 B"),
              "col 29: expected AND, OR, ORDER BY or end of query, found name B");
}

TEST(SqlParserErrors, InsertUpdateDeleteMessages) {
    EXPECT_EQ(ErrorOf("INSERT T (A) VALUES (1)"), "col 8: expected INTO, found name T");
    EXPECT_EQ(ErrorOf("INSERT INTO T A VALUES (1)"),
              "col 15: expected '(' before the column list, found name A");
    EXPECT_EQ(ErrorOf("INSERT INTO T (A) (1)"), "col 19: expected VALUES, found '('");
    EXPECT_EQ(ErrorOf("INSERT INTO T (A) VALUES (B)"), "col 27: expected a value, found name B");
    EXPECT_EQ(ErrorOf("INSERT INTO T (A) VALUES (-'x')"),
              "col 28: expected an integer after '-', found string 'x'");
    EXPECT_EQ(ErrorOf("INSERT INTO T (A) VALUES (1) HOLD"),
              "col 30: expected TEMPORARY or end of query, found keyword HOLD");
    EXPECT_EQ(ErrorOf("UPDATE T A = 1"), "col 10: expected SET, found name A");
    EXPECT_EQ(ErrorOf("UPDATE T SET A 1"), "col 16: expected '=', found integer 1");
    EXPECT_EQ(ErrorOf("UPDATE T SET A = 1 B"),
              "col 20: expected ',', WHERE or end of query, found name B");
    EXPECT_EQ(ErrorOf("DELETE T"), "col 8: expected FROM, found name T");
    EXPECT_EQ(ErrorOf("DELETE FROM T ORDER BY A"),
              "col 15: expected WHERE or end of query, found keyword ORDER");
}

TEST(SqlParserErrors, LongTokensAreShortenedInMessages) {
    const std::string query = "SELECT * FROM T '" + std::string(1000, 'x') + "'";
    EXPECT_EQ(ErrorOf(query),
              "col 17: expected ',', WHERE, ORDER BY or end of query, found string '" +
                  std::string(24, 'x') + "...'");
}

TEST(SqlParserErrors, LexerErrorsPassThrough) {
    EXPECT_EQ(ErrorOf("SELECT * FROM T WHERE A = 'x"), "col 27: unterminated string");
}

}  // namespace
}  // namespace msi::sql
