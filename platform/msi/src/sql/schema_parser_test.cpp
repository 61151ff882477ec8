// CREATE TABLE, ALTER TABLE, column types and their type words.
#include <gtest/gtest.h>

#include "sql/column_type.h"
#include "sql/parser.h"

namespace msi::sql {
namespace {

std::string ErrorOf(std::string_view query) {
    auto result = Parse(query);
    return result.ok() ? "(no error)" : result.status().message();
}

CreateTableStatement Create(std::string_view query) {
    auto result = Parse(query);
    EXPECT_TRUE(result.ok()) << query << " -> " << result.status().message();
    if (!result.ok() || !std::holds_alternative<CreateTableStatement>(result->body)) return {};
    return std::get<CreateTableStatement>(std::move(result->body));
}

// The type word of column `B` in "CREATE TABLE T (A SHORT, B <type> PRIMARY KEY A)".
uint16_t WordOf(const std::string& type) {
    auto create = Create("CREATE TABLE T (A SHORT, B " + type + " PRIMARY KEY A)");
    return create.columns.size() == 2 ? create.columns[1].type_word : 0;
}

TEST(SqlSchemaTypes, EveryTypeMapsToItsWord) {
    EXPECT_EQ(WordOf("CHAR(72)"), 0x1D48);
    EXPECT_EQ(WordOf("CHARACTER(20)"), 0x1D14);
    EXPECT_EQ(WordOf("CHAR"), 0x1D00);
    EXPECT_EQ(WordOf("CHARACTER"), 0x1D00);
    EXPECT_EQ(WordOf("CHAR(0)"), 0x1D00);
    EXPECT_EQ(WordOf("CHAR(255)"), 0x1DFF);
    EXPECT_EQ(WordOf("LONGCHAR"), 0x1D00);
    EXPECT_EQ(WordOf("SHORT"), 0x1502);
    EXPECT_EQ(WordOf("INT"), 0x1502);
    EXPECT_EQ(WordOf("INTEGER"), 0x1502);
    EXPECT_EQ(WordOf("LONG"), 0x1104);
    EXPECT_EQ(WordOf("OBJECT"), 0x1900);
}

TEST(SqlSchemaTypes, FlagsChangeTheWord) {
    EXPECT_EQ(WordOf("CHAR(64) NOT NULL"), 0x0D40);
    EXPECT_EQ(WordOf("LONG NOT NULL"), 0x0104);
    EXPECT_EQ(WordOf("CHAR(64) LOCALIZABLE"), 0x1F40);
    EXPECT_EQ(WordOf("LONGCHAR LOCALIZABLE"), 0x1F00);
    EXPECT_EQ(WordOf("SHORT TEMPORARY"), 0x1402);
    EXPECT_EQ(WordOf("CHAR(10) NOT NULL TEMPORARY LOCALIZABLE"), 0x0E0A);
    EXPECT_EQ(WordOf("object not null"), 0x0900);
}

TEST(SqlSchemaTypes, KeyColumnsGetTheKeyBit) {
    auto create = Create(
        "CREATE TABLE `Directory` (`Directory` CHAR(72) NOT NULL, `Directory_Parent` CHAR(72), "
        "`DefaultDir` CHAR(255) NOT NULL LOCALIZABLE PRIMARY KEY `Directory`)");
    ASSERT_EQ(create.columns.size(), 3u);
    EXPECT_EQ(create.columns[0].type_word, 0x2D48);  // s72 key: key bit, valid, string, width 72
    EXPECT_TRUE(create.columns[0].primary_key);
    EXPECT_EQ(create.columns[1].type_word, 0x1D48);
    EXPECT_EQ(create.columns[2].type_word, 0x0FFF);
    EXPECT_EQ(create.primary_keys, std::vector<std::string>{"Directory"});
    EXPECT_FALSE(create.hold);
    EXPECT_FALSE(create.temporary);
}

// Words the installer stores for the same CREATE TABLE: it takes CHAR
// without a width as CHAR(0) and keeps LOCALIZABLE on an integer.
TEST(SqlSchemaTypes, WordsMatchWhatTheInstallerStores) {
    auto create = Create(
        "CREATE TABLE `U` (`A` CHAR NOT NULL, `B` SHORT NOT NULL LOCALIZABLE, "
        "`C` OBJECT NOT NULL, `D` CHAR(10) LOCALIZABLE PRIMARY KEY `A`, `B`)");
    ASSERT_EQ(create.columns.size(), 4u);
    EXPECT_EQ(create.columns[0].type_word, 0x2D00);
    EXPECT_EQ(create.columns[1].type_word, 0x2702);
    EXPECT_EQ(create.columns[2].type_word, 0x0900);
    EXPECT_EQ(create.columns[3].type_word, 0x1F0A);
}

TEST(SqlSchemaTypes, ColumnTypeWordDirectly) {
    ColumnDef def;
    def.data_type = DataType::kShort;
    def.not_null = true;
    def.primary_key = true;
    EXPECT_EQ(ColumnTypeWord(def), 0x2502);  // i2 key
    def.data_type = DataType::kLong;
    def.not_null = false;
    def.primary_key = false;
    EXPECT_EQ(ColumnTypeWord(def), 0x1104);  // I4
}

TEST(SqlSchemaCreate, KeysInKeyOrderHoldAndColumnPositions) {
    auto create =
        Create("CREATE TABLE T (A CHAR(10), B SHORT NOT NULL, C LONG PRIMARY KEY C, A) HOLD");
    EXPECT_EQ(create.table, "T");
    EXPECT_EQ(create.primary_keys, (std::vector<std::string>{"C", "A"}));
    EXPECT_TRUE(create.columns[0].primary_key);
    EXPECT_FALSE(create.columns[1].primary_key);
    EXPECT_TRUE(create.columns[2].primary_key);
    EXPECT_EQ(create.columns[1].data_type, DataType::kShort);
    EXPECT_TRUE(create.columns[1].not_null);
    EXPECT_EQ(create.columns[1].column, 29);
    EXPECT_TRUE(create.hold);
}

TEST(SqlSchemaCreate, TableIsTemporaryOnlyWhenEveryColumnIs) {
    EXPECT_TRUE(
        Create("CREATE TABLE T (A SHORT TEMPORARY, B CHAR TEMPORARY PRIMARY KEY A)").temporary);
    auto mixed = Create("CREATE TABLE T (A SHORT, B CHAR TEMPORARY PRIMARY KEY A)");
    EXPECT_FALSE(mixed.temporary);
    EXPECT_FALSE(mixed.columns[0].temporary);
    EXPECT_TRUE(mixed.columns[1].temporary);
}

TEST(SqlSchemaCreate, KeywordNamesNeedBackQuotes) {
    auto create = Create("CREATE TABLE `Table` (`Key` SHORT, `Order By` LONG PRIMARY KEY `Key`)");
    EXPECT_EQ(create.table, "Table");
    EXPECT_EQ(create.columns[0].name, "Key");
    EXPECT_EQ(create.columns[1].name, "Order By");
    EXPECT_EQ(ErrorOf("CREATE TABLE T (Key SHORT PRIMARY KEY Key)"),
              "col 17: expected a column name, found keyword KEY (quote it as `Key` to use it as "
              "a name)");
}

TEST(SqlSchemaCreate, Errors) {
    EXPECT_EQ(ErrorOf("CREATE T (A SHORT PRIMARY KEY A)"), "col 8: expected TABLE, found name T");
    EXPECT_EQ(ErrorOf("CREATE TABLE T (A SHORT)"),
              "col 24: expected ',' or PRIMARY KEY, found ')'");
    EXPECT_EQ(ErrorOf("CREATE TABLE T (A SHORT, PRIMARY KEY A)"),
              "col 26: expected a column name, found keyword PRIMARY (no ',' goes before PRIMARY "
              "KEY)");
    EXPECT_EQ(ErrorOf("CREATE TABLE T (A PRIMARY KEY A)"),
              "col 19: expected a column type, found keyword PRIMARY");
    EXPECT_EQ(ErrorOf("CREATE TABLE T (A VARCHAR PRIMARY KEY A)"),
              "col 19: expected a column type, found name VARCHAR");
    EXPECT_EQ(ErrorOf("CREATE TABLE T (A CHAR(256) PRIMARY KEY A)"),
              "col 24: string length must be between 0 and 255");
    EXPECT_EQ(ErrorOf("CREATE TABLE T (A CHAR(x) PRIMARY KEY A)"),
              "col 24: expected a string length, found name x");
    EXPECT_EQ(ErrorOf("CREATE TABLE T (A SHORT NOT PRIMARY KEY A)"),
              "col 29: expected NULL, found keyword PRIMARY");
    EXPECT_EQ(ErrorOf("CREATE TABLE T (A SHORT LOCALIZABLE TEMPORARY PRIMARY KEY A)"),
              "col 37: expected ',' or PRIMARY KEY, found keyword TEMPORARY");
    EXPECT_EQ(ErrorOf("CREATE TABLE T (A SHORT PRIMARY A)"), "col 33: expected KEY, found name A");
    EXPECT_EQ(ErrorOf("CREATE TABLE T (A SHORT PRIMARY KEY B)"),
              "col 37: primary key `B` is not a column of the table");
    EXPECT_EQ(ErrorOf("CREATE TABLE T (A SHORT PRIMARY KEY A, A)"),
              "col 40: primary key `A` is listed twice");
    EXPECT_EQ(ErrorOf("CREATE TABLE T (A SHORT, A LONG PRIMARY KEY A)"),
              "col 26: column `A` is defined twice");
    EXPECT_EQ(ErrorOf("CREATE TABLE T (A SHORT PRIMARY KEY A) TEMPORARY"),
              "col 40: expected HOLD or end of query, found keyword TEMPORARY");
}

TEST(SqlSchemaAlter, HoldFreeAndAddColumn) {
    auto parse = [](std::string_view query) {
        auto result = Parse(query);
        EXPECT_TRUE(result.ok()) << result.status().message();
        return result.ok() ? std::get<AlterTableStatement>(std::move(result->body))
                           : AlterTableStatement{};
    };
    EXPECT_EQ(parse("ALTER TABLE T HOLD").action, AlterTableStatement::Action::kHold);
    EXPECT_EQ(parse("alter table `T` free").action, AlterTableStatement::Action::kFree);
    auto add = parse("ALTER TABLE T ADD `New` CHAR(32) TEMPORARY HOLD");
    EXPECT_EQ(add.action, AlterTableStatement::Action::kAddColumn);
    ASSERT_TRUE(add.column.has_value());
    EXPECT_EQ(add.column->name, "New");
    EXPECT_EQ(add.column->type_word, 0x1C20);
    EXPECT_TRUE(add.column->temporary);
    EXPECT_TRUE(add.hold);
    auto plain = parse("ALTER TABLE T ADD N LONG");
    EXPECT_EQ(plain.column->type_word, 0x1104);
    EXPECT_FALSE(plain.hold);
}

TEST(SqlSchemaAlter, Errors) {
    EXPECT_EQ(ErrorOf("ALTER T HOLD"), "col 7: expected TABLE, found name T");
    EXPECT_EQ(ErrorOf("ALTER TABLE T"), "col 14: expected ADD, HOLD or FREE, found end of query");
    EXPECT_EQ(ErrorOf("ALTER TABLE T ADD N"), "col 20: expected a column type, found end of query");
    EXPECT_EQ(ErrorOf("ALTER TABLE T FREE HOLD"),
              "col 20: expected end of query, found keyword HOLD");
    EXPECT_EQ(ErrorOf("ALTER TABLE T ADD N LONG FREE"),
              "col 26: expected end of query, found keyword FREE");
}

}  // namespace
}  // namespace msi::sql
