// Deterministic fuzzing of the parser and the condition evaluator: random
// bytes, random token soup and mutations of valid queries. Every input must
// give either a statement or an error "col N: ..." with N inside the query
// (or one past its end); nothing may crash, hang or grow without bound. The
// sanitizer build runs these too.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "sql/condition.h"
#include "sql/parser.h"

namespace msi::sql {
namespace {

const std::vector<std::string> kValidQueries = {
    "SELECT * FROM `_TransformView` ORDER BY `Table`, `Row`",
    "SELECT * FROM _Streams",
    "SELECT DISTINCT `Component`.`Directory_`, Feature_ FROM Component, FeatureComponents WHERE "
    "`Component`.`Component` = `FeatureComponents`.`Component_` AND (Attributes > 4 OR "
    "Condition IS NULL) ORDER BY Feature_",
    "INSERT INTO `Property` (`Property`, `Value`) VALUES ('ProductName', ?) TEMPORARY",
    "INSERT INTO T (A, B, C, D) VALUES (-5, NULL, '', 2147483647)",
    "UPDATE `Media` SET `Cabinet` = 'x.cab', DiskId = ? WHERE `DiskId` = ? OR LastSequence <> 3",
    "DELETE FROM Registry WHERE Root = -1 AND `Key` IS NOT NULL",
    "CREATE TABLE `Directory` (`Directory` CHAR(72) NOT NULL, `Directory_Parent` CHAR(72), "
    "`DefaultDir` CHAR(255) NOT NULL LOCALIZABLE PRIMARY KEY `Directory`) HOLD",
    "CREATE TABLE T (A SHORT TEMPORARY, B LONG, C OBJECT, D LONGCHAR PRIMARY KEY A, B)",
    "DROP TABLE `Old`",
    "ALTER TABLE T ADD `New` CHARACTER(32) NOT NULL TEMPORARY LOCALIZABLE HOLD",
    "ALTER TABLE T FREE",
};

const std::vector<std::string> kVocabulary = {
    "SELECT",      "DISTINCT",  "FROM",   "WHERE",   "ORDER",  "BY",     "INSERT",     "INTO",
    "VALUES",      "TEMPORARY", "UPDATE", "SET",     "DELETE", "CREATE", "TABLE",      "PRIMARY",
    "KEY",         "HOLD",      "FREE",   "ALTER",   "ADD",    "DROP",   "CHAR",       "CHARACTER",
    "LONGCHAR",    "SHORT",     "INT",    "INTEGER", "LONG",   "OBJECT", "NOT",        "NULL",
    "LOCALIZABLE", "AND",       "OR",     "IS",      "LIKE",   "T",      "A",          "B",
    "`A B`",       "`Key`",     "'str'",  "''",      "0",      "42",     "2147483648", "-",
    "?",           "*",         ",",      ".",       "(",      ")",      "=",          "<>",
    "<",           ">",         "<=",     ">=",      "'",      "`",      "!",          "\r",
    "\xC3\xA9",
};

// Checks the contract for one input; returns false (with a test failure)
// when it is broken.
void CheckQuery(const std::string& query) {
    auto result = Parse(query);
    if (!result.ok()) {
        const std::string& message = result.status().message();
        ASSERT_EQ(message.rfind("col ", 0), 0u) << message;
        const int column = std::stoi(message.substr(4));
        ASSERT_GE(column, 1) << message;
        ASSERT_LE(column, static_cast<int>(query.size()) + 1) << message;
        ASSERT_NE(message.find(": "), std::string::npos) << message;
        return;
    }
    ASSERT_GE(result->parameter_count, 0);
    // Exercise binding and evaluation on whatever condition came out: every
    // name the condition mentions becomes an integer column, so comparisons
    // with strings fail to bind (fine) and the rest evaluate.
    const auto* select = std::get_if<SelectStatement>(&result->body);
    if (select == nullptr || !select->where.has_value()) return;
    std::vector<ColumnInfo> columns = {{"T", "A", ColumnKind::kInteger},
                                       {"T", "B", ColumnKind::kString},
                                       {"T", "Key", ColumnKind::kInteger}};
    auto bound = Bind(*select->where, columns);
    if (!bound.ok()) {
        ASSERT_EQ(bound.status().message().rfind("col ", 0), 0u) << bound.status().message();
        return;
    }
    class Row : public RowAccessor {
      public:
        bool IsNull(int column) const override { return column == 2; }
        int32_t GetInteger(int) const override { return 42; }
        std::string_view GetString(int) const override { return "str"; }
    } row;
    const std::vector<FieldValue> params = {int32_t{1}, std::string("x")};
    (void)Evaluate(*bound, row, params);
}

TEST(SqlFuzz, SeedQueriesAreValid) {
    for (const std::string& query : kValidQueries) {
        auto result = Parse(query);
        EXPECT_TRUE(result.ok()) << query << " -> " << result.status().message();
    }
}

TEST(SqlFuzz, RandomBytesGiveAStatementOrAPositionedError) {
    std::mt19937 random(20261207);
    const std::string alphabet = "SELECTFROMWHEREselectfromwhere `'(),.*-?=<>!0123456789_ \t\n";
    for (int round = 0; round < 4000; ++round) {
        std::string query;
        const int length = static_cast<int>(random() % 120);
        for (int i = 0; i < length; ++i) {
            query += (random() % 8 == 0) ? static_cast<char>(random() % 256)
                                         : alphabet[random() % alphabet.size()];
        }
        SCOPED_TRACE(query);
        CheckQuery(query);
        if (HasFatalFailure()) return;
    }
}

TEST(SqlFuzz, RandomTokenSoup) {
    std::mt19937 random(7);
    int parsed = 0;
    for (int round = 0; round < 6000; ++round) {
        std::string query;
        // Most soups start with a statement keyword so that the parser gets past the first token.
        static const char* kStarts[] = {
            "SELECT ",          "INSERT INTO T ", "UPDATE T SET ",          "DELETE FROM T ",
            "CREATE TABLE T (", "ALTER TABLE T ", "SELECT * FROM T WHERE ", ""};
        query += kStarts[random() % 8];
        const int count = static_cast<int>(random() % 25);
        for (int i = 0; i < count; ++i) {
            query += kVocabulary[random() % kVocabulary.size()];
            if (random() % 4 != 0) query += ' ';
        }
        SCOPED_TRACE(query);
        CheckQuery(query);
        if (HasFatalFailure()) return;
        parsed += Parse(query).ok();
    }
    // The soup is mostly invalid; this only shows that some of it parsed,
    // so the success path is exercised as well.
    EXPECT_GT(parsed, 0);
}

TEST(SqlFuzz, MutatedValidQueries) {
    std::mt19937 random(1615);
    int parsed = 0;
    for (int round = 0; round < 12000; ++round) {
        std::string query = kValidQueries[random() % kValidQueries.size()];
        const int edits = 1 + static_cast<int>(random() % 4);
        for (int e = 0; e < edits && !query.empty(); ++e) {
            const size_t at = random() % query.size();
            switch (random() % 5) {
                case 0:
                    query.erase(at, 1 + random() % 6);
                    break;
                case 1:
                    query.insert(at, kVocabulary[random() % kVocabulary.size()]);
                    break;
                case 2:
                    query[at] = static_cast<char>(random() % 256);
                    break;
                case 3:
                    query.resize(at);
                    break;
                case 4:
                    query.insert(at, query.substr(random() % query.size(), random() % 20));
                    break;
            }
        }
        SCOPED_TRACE(query);
        CheckQuery(query);
        if (HasFatalFailure()) return;
        parsed += Parse(query).ok();
    }
    EXPECT_GT(parsed, 0);
}

TEST(SqlFuzz, HugeInputsStayLinear) {
    // Long lists and long strings must not recurse or blow up.
    std::string columns = "SELECT A";
    for (int i = 0; i < 20000; ++i) columns += ", A";
    CheckQuery(columns + " FROM T");
    CheckQuery("SELECT * FROM T WHERE " + std::string(200000, '('));
    CheckQuery("INSERT INTO T (A) VALUES ('" + std::string(1 << 20, 'x') + "')");
    std::string chain = "SELECT * FROM T WHERE A = 1";
    for (int i = 0; i < 20000; ++i) chain += (i % 3 ? " AND A = ?" : " OR (B = 'x' AND A <> 3)");
    CheckQuery(chain);
    EXPECT_TRUE(Parse(chain).ok());
}

}  // namespace
}  // namespace msi::sql
