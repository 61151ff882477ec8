// Binding and evaluating WHERE conditions: the rules listed in condition.h.
#include "sql/condition.h"

#include <gtest/gtest.h>

#include "sql/parser.h"

namespace msi::sql {
namespace {

// A row held as fields: null, integer or string, indexed like kColumns.
class FakeRow : public RowAccessor {
  public:
    explicit FakeRow(std::vector<FieldValue> cells) : cells_(std::move(cells)) {}
    bool IsNull(int column) const override {
        return std::holds_alternative<std::monostate>(cells_[column]);
    }
    int32_t GetInteger(int column) const override { return std::get<int32_t>(cells_[column]); }
    std::string_view GetString(int column) const override {
        const auto* text = std::get_if<std::string>(&cells_[column]);
        return text ? std::string_view(*text) : std::string_view();
    }

  private:
    std::vector<FieldValue> cells_;
};

// Two joined tables: T (Name, Count, Data) then U (Name, Count).
const std::vector<ColumnInfo> kColumns = {
    {"T", "Name", ColumnKind::kString},   {"T", "Count", ColumnKind::kInteger},
    {"T", "Data", ColumnKind::kBinary},   {"U", "Name", ColumnKind::kString},
    {"U", "Count", ColumnKind::kInteger},
};

Result<BoundCondition> BindWhere(const std::string& where) {
    auto parsed = Parse("SELECT * FROM T, U WHERE " + where);
    if (!parsed.ok()) return parsed.status();
    return Bind(*std::get<SelectStatement>(parsed->body).where, kColumns);
}

std::string BindError(const std::string& where) {
    auto bound = BindWhere(where);
    return bound.ok() ? "(no error)" : bound.status().message();
}

// Evaluates `where` on one row; fails the test when it does not bind.
bool Matches(const std::string& where, std::vector<FieldValue> row,
             std::vector<FieldValue> params = {}) {
    auto bound = BindWhere(where);
    EXPECT_TRUE(bound.ok()) << where << " -> " << bound.status().message();
    if (!bound.ok()) return false;
    return Evaluate(*bound, FakeRow(std::move(row)), params);
}

const FieldValue kNull = std::monostate{};
std::vector<FieldValue> Row(FieldValue name, FieldValue count, FieldValue u_name = kNull,
                            FieldValue u_count = kNull) {
    return {std::move(name), std::move(count), kNull, std::move(u_name), std::move(u_count)};
}

TEST(SqlConditionIntegers, EveryOperatorAgainstAConstant) {
    const auto row = Row("a", 5);
    EXPECT_TRUE(Matches("Count = 5", row));
    EXPECT_FALSE(Matches("Count = 6", row));
    EXPECT_TRUE(Matches("Count <> 6", row));
    EXPECT_FALSE(Matches("Count <> 5", row));
    EXPECT_TRUE(Matches("Count < 6", row));
    EXPECT_FALSE(Matches("Count < 5", row));
    EXPECT_TRUE(Matches("Count > -6", row));
    EXPECT_FALSE(Matches("Count > 5", row));
    EXPECT_TRUE(Matches("Count <= 5", row));
    EXPECT_FALSE(Matches("Count <= 4", row));
    EXPECT_TRUE(Matches("Count >= 5", row));
    EXPECT_FALSE(Matches("Count >= 6", row));
}

TEST(SqlConditionIntegers, NegativeValuesCompareAsSigned) {
    EXPECT_TRUE(Matches("Count < 0", Row("a", -2147483647)));
    EXPECT_TRUE(Matches("Count > -3", Row("a", -2)));
}

TEST(SqlConditionIntegers, NullIsBelowEveryNumberAndEqualOnlyToNull) {
    const auto row = Row("a", kNull);
    EXPECT_FALSE(Matches("Count = 0", row));
    EXPECT_TRUE(Matches("Count <> 0", row));
    EXPECT_TRUE(Matches("Count < -2147483647", row));
    EXPECT_FALSE(Matches("Count > -2147483647", row));
    EXPECT_TRUE(Matches("Count IS NULL", row));
    EXPECT_FALSE(Matches("Count IS NOT NULL", row));
    EXPECT_TRUE(Matches("Count = U.Count", row));  // both null
    EXPECT_FALSE(Matches("Count = U.Count", Row("a", kNull, kNull, 1)));
}

TEST(SqlConditionStrings, EqualityIsExactAndCaseSensitive) {
    const auto row = Row("Value", 1);
    EXPECT_TRUE(Matches("Name = 'Value'", row));
    EXPECT_FALSE(Matches("Name = 'value'", row));
    EXPECT_FALSE(Matches("Name = 'Value '", row));
    EXPECT_TRUE(Matches("Name <> 'value'", row));
}

TEST(SqlConditionStrings, EmptyAndNullAreTheSameValue) {
    EXPECT_TRUE(Matches("Name = ''", Row(kNull, 1)));
    EXPECT_TRUE(Matches("Name = ''", Row("", 1)));
    EXPECT_TRUE(Matches("Name IS NULL", Row("", 1)));
    EXPECT_FALSE(Matches("Name IS NOT NULL", Row("", 1)));
    EXPECT_TRUE(Matches("Name <> 'x'", Row(kNull, 1)));
    EXPECT_FALSE(Matches("Name = 'x'", Row(kNull, 1)));
    EXPECT_TRUE(Matches("Name = U.Name", Row("", 1, kNull)));
}

TEST(SqlConditionStrings, OrderingOperatorsAreRefused) {
    EXPECT_EQ(BindError("Name < 'b'"), "col 26: operator < cannot compare strings (only = and <>)");
    EXPECT_EQ(BindError("Name >= ?"), "col 26: operator >= cannot compare strings (only = and <>)");
    EXPECT_EQ(BindError("Name > U.Name"),
              "col 26: operator > cannot compare strings (only = and <>)");
}

TEST(SqlConditionTypes, StringsAndIntegersDoNotMix) {
    EXPECT_EQ(BindError("Name = 1"),
              "col 26: string column `Name` cannot be compared with an integer");
    EXPECT_EQ(BindError("T.Count = '1'"),
              "col 26: integer column `T`.`Count` cannot be compared with a string");
    EXPECT_EQ(BindError("Name = U.Count"),
              "col 26: string column `Name` cannot be compared with integer column `U`.`Count`");
}

TEST(SqlConditionTypes, BinaryColumnsOnlyTestForNull) {
    EXPECT_EQ(BindError("Data = 1"),
              "col 26: binary column `Data` can only be tested with IS NULL or IS NOT NULL");
    EXPECT_TRUE(Matches("Data IS NULL", Row("a", 1)));
}

TEST(SqlConditionNull, EqualsNullMeansIsNull) {
    EXPECT_TRUE(Matches("Count = NULL", Row("a", kNull)));
    EXPECT_FALSE(Matches("Count = NULL", Row("a", 0)));
    EXPECT_TRUE(Matches("Name <> NULL", Row("a", 0)));
    EXPECT_FALSE(Matches("Name <> NULL", Row("", 0)));
    EXPECT_EQ(BindError("Count < NULL"),
              "col 26: operator < cannot compare with NULL (use IS NULL)");
    EXPECT_EQ(BindError("Data = NULL"), "(no error)");
}

TEST(SqlConditionParameters, IntegerColumnReadsTheFieldAsAnInteger) {
    const auto row = Row("a", 7);
    EXPECT_TRUE(Matches("Count = ?", row, {int32_t{7}}));
    EXPECT_TRUE(Matches("Count = ?", row, {std::string("7")}));
    EXPECT_TRUE(Matches("Count > ?", row, {std::string("-3")}));
    // Text that is not a number, a null field and a missing field are null.
    EXPECT_FALSE(Matches("Count = ?", row, {std::string("7x")}));
    EXPECT_TRUE(Matches("Count > ?", row, {std::string("7x")}));
    EXPECT_TRUE(Matches("Count > ?", row, {kNull}));
    EXPECT_TRUE(Matches("Count > ?", row, {}));
    EXPECT_TRUE(Matches("Count = ?", Row("a", kNull), {int32_t{INT32_MIN}}));
}

TEST(SqlConditionParameters, StringColumnReadsTheFieldAsText) {
    EXPECT_TRUE(Matches("Name = ?", Row("abc", 1), {std::string("abc")}));
    EXPECT_TRUE(Matches("Name = ?", Row("12", 1), {int32_t{12}}));
    EXPECT_TRUE(Matches("Name = ?", Row("-5", 1), {int32_t{-5}}));
    EXPECT_TRUE(Matches("Name = ?", Row(kNull, 1), {kNull}));
    EXPECT_TRUE(Matches("Name <> ?", Row("abc", 1), {}));
}

TEST(SqlConditionParameters, EachMarkerTakesItsOwnField) {
    EXPECT_TRUE(Matches("Name = ? AND Count = ?", Row("x", 2), {std::string("x"), int32_t{2}}));
    EXPECT_FALSE(Matches("Name = ? AND Count = ?", Row("x", 2), {int32_t{2}, std::string("x")}));
}

TEST(SqlConditionLogic, AndOrAndParentheses) {
    const auto row = Row("a", 1);
    EXPECT_TRUE(Matches("Count = 2 OR Count = 1 AND Name = 'a'", row));
    EXPECT_FALSE(Matches("(Count = 2 OR Count = 1) AND Name = 'b'", row));
    EXPECT_TRUE(Matches("Count = 2 AND Name = 'b' OR Name = 'a'", row));
    EXPECT_FALSE(Matches("Count = 2 AND (Name = 'b' OR Name = 'a')", row));
}

TEST(SqlConditionNames, QualifiedUnqualifiedAndUnknown) {
    // Unqualified names take the first table that has the column.
    EXPECT_TRUE(Matches("Name = 'x'", Row("x", 1, "y")));
    EXPECT_TRUE(Matches("U.Name = 'y'", Row("x", 1, "y")));
    EXPECT_TRUE(Matches("`T`.`Name` = `U`.`Name`", Row("x", 1, "x")));
    EXPECT_EQ(BindError("Nope = 1"), "col 26: unknown column `Nope`");
    EXPECT_EQ(BindError("name = 'x'"), "col 26: unknown column `name`");
    EXPECT_EQ(BindError("V.Name = 'x'"), "col 26: unknown column `V`.`Name`");
    EXPECT_EQ(BindError("Count = 1 AND Name = U.Nope"), "col 47: unknown column `U`.`Nope`");
}

TEST(SqlConditionNames, ResolveColumnServesSelectListsAndOrderBy) {
    ColumnRef ref;
    ref.table = "U";
    ref.name = "Count";
    auto index = ResolveColumn(ref, kColumns);
    ASSERT_TRUE(index.ok());
    EXPECT_EQ(*index, 4);
    ref.table.clear();
    EXPECT_EQ(*ResolveColumn(ref, kColumns), 1);
}

// A bound condition is evaluated again and again over many rows: the result
// of each row must not depend on the rows before it (no state kept between
// calls). The speed of this loop is measured by the engine benchmark.
TEST(SqlCondition, ManyRowsEvaluateIndependently) {
    class CountingRow : public RowAccessor {
      public:
        int index = 0;
        std::string names[3] = {"alpha", "beta", "gamma"};
        bool IsNull(int column) const override { return column == 2 || column >= 3; }
        int32_t GetInteger(int) const override { return index % 1000; }
        std::string_view GetString(int) const override { return names[index % 3]; }
    };
    auto bound = BindWhere("(Count < 500 AND Name = 'beta') OR Name = ? OR U.Count IS NOT NULL");
    ASSERT_TRUE(bound.ok()) << bound.status().message();
    const std::vector<FieldValue> params = {std::string("none")};
    CountingRow row;
    int matches = 0;
    for (row.index = 0; row.index < 200000; ++row.index) matches += Evaluate(*bound, row, params);
    int expected = 0;
    for (int i = 0; i < 200000; ++i) expected += (i % 1000 < 500 && i % 3 == 1);
    EXPECT_EQ(matches, expected);
}

}  // namespace
}  // namespace msi::sql
