// Joins: the results of a query over several tables are those of the plain
// product of its tables filtered by the condition, in the product's order,
// also where the product itself would be too large to try.
#include "db/join.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "db/view.h"
#include "sql/parser.h"
#include "test_support.h"

namespace msi::db {
namespace {

std::shared_ptr<Database> CreateDb(const testing_support::TempDir& dir) {
    OpenRequest request;
    request.path = (dir.path() / "j.msi").string();
    request.mode = OpenMode::kCreate;
    return Database::Open(request).value();
}

void Exec(const std::shared_ptr<Database>& db, const std::string& sql,
          const Record* params = nullptr) {
    auto view = View::Open(db, sql);
    ASSERT_TRUE(view.ok()) << sql << ": " << view.status().ToString();
    ASSERT_TRUE((*view)->Execute(params).ok()) << sql;
}

// Runs `sql` with one parameter record per entry of `rows`, through one view.
void ExecEach(const std::shared_ptr<Database>& db, const std::string& sql,
              const std::vector<Record>& rows) {
    auto view = View::Open(db, sql);
    ASSERT_TRUE(view.ok()) << sql;
    for (const Record& row : rows) ASSERT_TRUE((*view)->Execute(&row).ok()) << sql;
}

// The records of a query, or its failure.
Result<std::vector<std::shared_ptr<Record>>> Query(const std::shared_ptr<Database>& db,
                                                   const std::string& sql) {
    auto view = View::Open(db, sql);
    if (!view.ok()) return view.status();
    if (Status s = (*view)->Execute(nullptr); !s.ok()) return s;
    std::vector<std::shared_ptr<Record>> records;
    for (auto record = (*view)->Fetch(); record.ok(); record = (*view)->Fetch())
        records.push_back(*record);
    return records;
}

std::string Line(const Record& record) {
    std::string line;
    for (uint32_t i = 1; i <= record.FieldCount(); ++i)
        line += (i > 1 ? "|" : "") + (record.IsNull(i) ? "~" : record.GetString(i));
    return line;
}

std::vector<std::string> Lines(const std::shared_ptr<Database>& db, const std::string& sql) {
    auto records = Query(db, sql);
    EXPECT_TRUE(records.ok()) << sql << ": " << records.status().ToString();
    std::vector<std::string> lines;
    if (records.ok())
        for (const auto& record : *records) lines.push_back(Line(*record));
    return lines;
}

// The condition's view of a fetched record of `SELECT *`.
class RecordRow final : public sql::RowAccessor {
  public:
    explicit RecordRow(const Record& record) : record_(record), texts_(record.FieldCount()) {}
    bool IsNull(int column) const override { return record_.IsNull(Field(column)); }
    int32_t GetInteger(int column) const override { return record_.GetInteger(Field(column)); }
    std::string_view GetString(int column) const override {
        // One text per column: a comparison holds both of its sides.
        texts_[column] = record_.GetString(Field(column));
        return texts_[column];
    }

  private:
    static uint32_t Field(int column) { return static_cast<uint32_t>(column + 1); }
    const Record& record_;
    mutable std::vector<std::string> texts_;
};

// Every table of the equivalence cases: a key, a string, a short and a long
// integer, each with repeats across rows and tables, and nulls.
constexpr int kTables = 5;
constexpr int kRowsPerTable = 7;
const std::array<const char*, 4> kColumns = {"K", "S", "N", "L"};

void MakeTables(const std::shared_ptr<Database>& db) {
    for (int t = 1; t <= kTables; ++t) {
        const std::string name = "T" + std::to_string(t);
        Exec(db, "CREATE TABLE `" + name +
                     "` (`K` SHORT NOT NULL, `S` CHAR(8), `N` SHORT, `L` LONG PRIMARY KEY `K`)");
        std::vector<Record> rows;
        for (int k = 1; k <= kRowsPerTable; ++k) {
            Record row(4);
            row.SetInteger(1, k);
            const int s = (k * 3 + t) % 5;  // 0 is null, "" in S counts as null too
            if (s == 4)
                row.SetString(2, "");
            else if (s != 0)
                row.SetString(2, std::string(1, static_cast<char>('a' + s)));
            if ((k + t) % 4 != 0) row.SetInteger(3, (k * t) % 3);
            if ((k * 2 + t) % 5 != 0) row.SetInteger(4, (k + t) % 3);
            rows.push_back(std::move(row));
        }
        ExecEach(db, "INSERT INTO `" + name + "` (`K`, `S`, `N`, `L`) VALUES (?, ?, ?, ?)", rows);
    }
}

// The rows of `SELECT * FROM <from> WHERE <where>` found the plain way:
// every combination of the product, in its order, tested one by one.
std::vector<std::string> ProductFiltered(const std::shared_ptr<Database>& db,
                                         const std::vector<std::string>& from,
                                         const std::string& where) {
    std::string list;
    std::vector<sql::ColumnInfo> columns;
    for (const auto& table : from) {
        list += (list.empty() ? "`" : ", `") + table + "`";
        for (const char* column : kColumns) {
            const auto kind =
                std::string(column) == "S" ? sql::ColumnKind::kString : sql::ColumnKind::kInteger;
            columns.push_back({table, column, kind});
        }
    }
    auto statement = sql::Parse("SELECT * FROM " + list + " WHERE " + where);
    EXPECT_TRUE(statement.ok()) << where;
    if (!statement.ok()) return {};
    const auto& condition = *std::get<sql::SelectStatement>(statement->body).where;
    auto bound = sql::Bind(condition, columns);
    EXPECT_TRUE(bound.ok()) << where;
    if (!bound.ok()) return {};
    std::vector<std::string> lines;
    auto product = Query(db, "SELECT * FROM " + list);
    EXPECT_TRUE(product.ok());
    if (!product.ok()) return {};
    for (const auto& record : *product)
        if (bound->Evaluate(RecordRow(*record), {})) lines.push_back(Line(*record));
    return lines;
}

TEST(Join, FindsWhatTheFilteredProductFindsInItsOrder) {
    testing_support::TempDir dir;
    auto db = CreateDb(dir);
    MakeTables(db);
    struct Case {
        std::vector<std::string> from;
        std::string where;
    };
    const std::vector<Case> cases = {
        // Repeats on both sides; null and "" equal each other and themselves.
        {{"T1", "T2"}, "`T1`.`S` = `T2`.`S`"},
        {{"T2", "T1"}, "`T1`.`N` = `T2`.`N`"},
        // A short and a long column hold the same numbers.
        {{"T1", "T2"}, "`T2`.`L` = `T1`.`N`"},
        // The rest of the condition still filters.
        {{"T2", "T1"}, "`T1`.`S` = `T2`.`S` AND `T1`.`K` < 4 AND `T2`.`N` IS NOT NULL"},
        {{"T1", "T2"}, "`T1`.`S` = `T2`.`S` AND `T1`.`S` IS NULL"},
        {{"T1", "T2"}, "`T1`.`N` = `T1`.`L` AND `T1`.`S` = `T2`.`S`"},
        // Several links between one pair of tables.
        {{"T1", "T2"}, "`T1`.`S` = `T2`.`S` AND `T2`.`N` = `T1`.`N` AND `T1`.`L` = `T2`.`L`"},
        // Comparisons that link nothing: under OR, or not equality.
        {{"T1", "T2"}, "`T1`.`S` = `T2`.`S` OR `T1`.`N` = `T2`.`N`"},
        {{"T1", "T2"}, "`T1`.`S` <> `T2`.`S`"},
        {{"T1", "T2"}, "`T1`.`N` <= `T2`.`L` AND `T1`.`K` = 3"},
        {{"T1", "T2"}, "(`T1`.`S` = `T2`.`S` AND `T1`.`N` = 1) OR `T2`.`K` = 2"},
        // Three tables: a chain, a hub that is not first, parentheses.
        {{"T1", "T2", "T3"}, "`T1`.`S` = `T2`.`S` AND `T2`.`N` = `T3`.`N`"},
        {{"T1", "T2", "T3"}, "`T1`.`S` = `T3`.`S` AND `T2`.`N` = `T3`.`L`"},
        {{"T3", "T1", "T2"}, "`T2`.`N` = `T1`.`L` AND (`T3`.`S` = `T2`.`S` AND `T3`.`K` <> 2)"},
        {{"T1", "T2", "T3"}, "`T1`.`S` = `T2`.`S` AND `T2`.`N` = `T3`.`N` AND `T3`.`L` = `T1`.`L`"},
        // A linked pair and a table nothing links.
        {{"T1", "T2", "T3"}, "`T1`.`S` = `T3`.`S` AND `T2`.`K` > 5"},
        {{"T2", "T3", "T1"}, "`T3`.`N` = `T1`.`N`"},
        // Five tables: a chain, and two linked pairs beside a lone table.
        {{"T1", "T2", "T3", "T4", "T5"},
         "`T1`.`N` = `T2`.`N` AND `T2`.`S` = `T3`.`S` AND `T3`.`L` = `T4`.`L` AND "
         "`T4`.`N` = `T5`.`N`"},
        {{"T5", "T4", "T3", "T2", "T1"},
         "`T1`.`S` = `T4`.`S` AND `T2`.`N` = `T5`.`L` AND `T3`.`K` = 1"},
    };
    for (const Case& c : cases) {
        std::string list;
        for (const auto& table : c.from) list += (list.empty() ? "`" : ", `") + table + "`";
        const auto expected = ProductFiltered(db, c.from, c.where);
        EXPECT_EQ(Lines(db, "SELECT * FROM " + list + " WHERE " + c.where), expected) << c.where;
    }
}

TEST(Join, TheFirstTableTurnsFastestWithRepeatsOnBothSides) {
    testing_support::TempDir dir;
    auto db = CreateDb(dir);
    Exec(db, "CREATE TABLE `P` (`K` SHORT NOT NULL, `V` SHORT PRIMARY KEY `K`)");
    Exec(db, "CREATE TABLE `Q` (`K` SHORT NOT NULL, `V` SHORT PRIMARY KEY `K`)");
    for (const char* row : {"1, 7", "2, 8", "3, 7", "4, 9"})
        Exec(db, std::string("INSERT INTO `P` (`K`, `V`) VALUES (") + row + ")");
    for (const char* row : {"1, 8", "2, 7", "3, 9", "4, 7"})
        Exec(db, std::string("INSERT INTO `Q` (`K`, `V`) VALUES (") + row + ")");
    EXPECT_EQ(Lines(db, "SELECT `P`.`K`, `Q`.`K` FROM `P`, `Q` WHERE `P`.`V` = `Q`.`V`"),
              (std::vector<std::string>{"2|1", "1|2", "3|2", "4|3", "1|4", "3|4"}));
    EXPECT_EQ(Lines(db, "SELECT `P`.`K`, `Q`.`K` FROM `Q`, `P` WHERE `Q`.`V` = `P`.`V`"),
              (std::vector<std::string>{"1|2", "1|4", "2|1", "3|2", "3|4", "4|3"}));
}

TEST(Join, LinkedTablesAnswerWhereTheirProductIsTooLargeToTry) {
    testing_support::TempDir dir;
    auto db = CreateDb(dir);
    // 8,000 files of 8,000 components: 64 million combinations.
    constexpr int kFiles = 8000;
    Exec(db,
         "CREATE TABLE `Component` (`Component` CHAR(72) NOT NULL, `Attributes` SHORT "
         "PRIMARY KEY `Component`)");
    Exec(db,
         "CREATE TABLE `File` (`File` CHAR(72) NOT NULL, `Component_` CHAR(72) NOT NULL "
         "PRIMARY KEY `File`)");
    std::vector<Record> components, files;
    for (int i = 0; i < kFiles; ++i) {
        Record component(2);
        component.SetString(1, "c" + std::to_string(i));
        component.SetInteger(2, i % 4);
        components.push_back(std::move(component));
        Record file(2);
        file.SetString(1, "f" + std::to_string(i));
        file.SetString(2, "c" + std::to_string(i * 7919 % kFiles));
        files.push_back(std::move(file));
    }
    ExecEach(db, "INSERT INTO `Component` (`Component`, `Attributes`) VALUES (?, ?)", components);
    ExecEach(db, "INSERT INTO `File` (`File`, `Component_`) VALUES (?, ?)", files);
    // The product's order from the tables' own orders: components slowest.
    std::vector<std::string> expected;
    const auto file_rows = Lines(db, "SELECT `File`, `Component_` FROM `File`");
    for (const auto& component : Lines(db, "SELECT `Component` FROM `Component`"))
        for (const auto& file : file_rows)
            if (file.substr(file.find('|') + 1) == component) expected.push_back(file);
    ASSERT_EQ(expected.size(), static_cast<size_t>(kFiles));
    EXPECT_EQ(Lines(db,
                    "SELECT `File`, `Component` FROM `File`, `Component` WHERE "
                    "`Component`.`Component` = `File`.`Component_`"),
              expected);

    // Five tables of 60 rows in a chain: 778 million combinations, 60 results.
    constexpr int kChainRows = 60;
    auto next = [](int k, int t) { return (k * 7 + t) % kChainRows; };
    std::string from, where, select;
    for (int t = 1; t <= 5; ++t) {
        const std::string name = "`C" + std::to_string(t) + "`";
        Exec(db, "CREATE TABLE " + name + " (`K` SHORT NOT NULL, `Next` SHORT PRIMARY KEY `K`)");
        std::vector<Record> rows;
        for (int k = 0; k < kChainRows; ++k) {
            Record row(2);
            row.SetInteger(1, k);
            row.SetInteger(2, next(k, t));
            rows.push_back(std::move(row));
        }
        ExecEach(db, "INSERT INTO " + name + " (`K`, `Next`) VALUES (?, ?)", rows);
        from += (t > 1 ? ", " : "") + name;
        select += (t > 1 ? ", " : "") + name + ".`K`";
        if (t > 1)
            where +=
                (t > 2 ? " AND " : "") + name + ".`K` = `C" + std::to_string(t - 1) + "`.`Next`";
    }
    std::vector<std::array<int, 5>> chains;
    for (int k = 0; k < kChainRows; ++k) {
        std::array<int, 5> chain{k};
        for (int t = 1; t < 5; ++t) chain[t] = next(chain[t - 1], t);
        chains.push_back(chain);
    }
    // Key order is row order; the last table turns slowest.
    std::sort(chains.begin(), chains.end(), [](const auto& a, const auto& b) {
        return std::lexicographical_compare(a.rbegin(), a.rend(), b.rbegin(), b.rend());
    });
    expected.clear();
    for (const auto& chain : chains) {
        std::string line;
        for (int k : chain) line += (line.empty() ? "" : "|") + std::to_string(k);
        expected.push_back(line);
    }
    EXPECT_EQ(Lines(db, "SELECT " + select + " FROM " + from + " WHERE " + where), expected);

    // A product that nothing links is still refused, rather than tried.
    EXPECT_EQ(Query(db, "SELECT `File` FROM `File`, `Component`").status().kind(),
              Status::Kind::kUnsupported);
    EXPECT_EQ(Query(db,
                    "SELECT `File` FROM `File`, `Component` WHERE `Component`.`Component` = "
                    "`File`.`Component_` OR `Attributes` = 1")
                  .status()
                  .kind(),
              Status::Kind::kUnsupported);
}

}  // namespace
}  // namespace msi::db
