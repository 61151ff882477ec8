#include "db/table.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "db/record.h"

namespace msi::db {
namespace {

using format::ColumnType;

// Key (i4, s72) and one plain string column: the key mixes an integer column,
// ordered by signed value, with a string column, ordered by pool id.
TableSchema TwoKeySchema() {
    TableSchema schema;
    schema.name = "Pairs";
    schema.columns.push_back({"Number", ColumnType::ParseArchive("i4")->WithKey(true)});
    schema.columns.push_back({"Name", ColumnType::ParseArchive("s72")->WithKey(true)});
    schema.columns.push_back({"Value", *ColumnType::ParseArchive("S255")});
    return schema;
}

RowPtr MakeRow(int32_t number, uint32_t name, uint32_t value = 0) {
    auto row = std::make_shared<Row>();
    row->cells = {static_cast<uint32_t>(number), name, value};
    return row;
}

std::vector<std::pair<int32_t, uint32_t>> Keys(const Table& table) {
    std::vector<std::pair<int32_t, uint32_t>> keys;
    for (const auto& row : table.rows())
        keys.emplace_back(static_cast<int32_t>(row->cells[0]), row->cells[1]);
    return keys;
}

TEST(TableInsert, RowsInKeyOrderAreAppended) {
    Table table(TwoKeySchema());
    for (int32_t n = -2; n <= 2; ++n) ASSERT_TRUE(table.Insert(MakeRow(n, 7)).ok());
    ASSERT_TRUE(table.Insert(MakeRow(2, 9)).ok());
    const std::vector<std::pair<int32_t, uint32_t>> expected = {{-2, 7}, {-1, 7}, {0, 7},
                                                                {1, 7},  {2, 7},  {2, 9}};
    EXPECT_EQ(Keys(table), expected);
}

TEST(TableInsert, RowsOutOfOrderLandInKeyOrder) {
    Table table(TwoKeySchema());
    // A negative number after positive ones must go before them: integer keys
    // order by signed value, not by their unsigned cell.
    for (int32_t n : {5, 1, 3, -4, Record::kNullInteger, 2})
        ASSERT_TRUE(table.Insert(MakeRow(n, 1)).ok());
    ASSERT_TRUE(table.Insert(MakeRow(3, 0)).ok());
    const std::vector<std::pair<int32_t, uint32_t>> expected = {
        {Record::kNullInteger, 1}, {-4, 1}, {1, 1}, {2, 1}, {3, 0}, {3, 1}, {5, 1}};
    EXPECT_EQ(Keys(table), expected);
}

TEST(TableInsert, ExistingKeyIsRefusedWhereverItIs) {
    Table table(TwoKeySchema());
    for (int32_t n : {1, 2, 3}) ASSERT_TRUE(table.Insert(MakeRow(n, 4, 100)).ok());
    // The last row, the first row and one in the middle; the non-key cell differs.
    for (int32_t n : {3, 1, 2})
        EXPECT_EQ(table.Insert(MakeRow(n, 4, 200)).kind(), Status::Kind::kExists) << n;
    EXPECT_EQ(table.row_count(), 3u);
    for (const auto& row : table.rows()) EXPECT_EQ(row->cells[2], 100u);
}

TEST(TableInsert, InsertedRowsAreFoundByKey) {
    Table table(TwoKeySchema());
    for (int32_t n : {8, 6, 9, 7}) ASSERT_TRUE(table.Insert(MakeRow(n, 1, 50 + n)).ok());
    for (int32_t n : {6, 7, 8, 9}) {
        RowPtr found = table.Find(MakeRow(n, 1)->cells);
        ASSERT_NE(found, nullptr) << n;
        EXPECT_EQ(found->cells[2], static_cast<uint32_t>(50 + n));
    }
    EXPECT_EQ(table.Find(MakeRow(10, 1)->cells), nullptr);
    EXPECT_TRUE(table.modified());
}

TEST(TableInsert, RowWithTheWrongNumberOfCellsIsRefused) {
    Table table(TwoKeySchema());
    auto row = std::make_shared<Row>();
    row->cells = {1, 2};
    EXPECT_EQ(table.Insert(row).kind(), Status::Kind::kInvalidArgument);
    EXPECT_EQ(table.row_count(), 0u);
}

// A table read from a stream: stored integers unbiased, binary cells 0 or 1,
// string ids kept, and every row its own cells even though they share one
// block: changing, widening or copying one row leaves its neighbours alone.
TEST(TableFromStream, RowsShareABlockYetChangeAlone) {
    TableSchema schema = TwoKeySchema();
    schema.columns.push_back({"Data", *ColumnType::ParseArchive("V0")});
    format::StringPool pool;
    for (const char* text : {"a", "b", "c"}) ASSERT_TRUE(pool.Add(text).ok());
    format::TableCells cells;
    cells.column_count = 4;
    cells.row_count = 3;
    for (uint32_t r = 0; r < 3; ++r) {
        const uint32_t row[] = {format::StoreLongInteger(int32_t(r) - 1), r + 1, 3 - r, r * 7};
        cells.cells.insert(cells.cells.end(), std::begin(row), std::end(row));
    }
    auto loaded = Table::FromStream(schema, cells, pool);
    ASSERT_TRUE(loaded.ok()) << loaded.status().ToString();
    Table& table = **loaded;
    const std::vector<std::pair<int32_t, uint32_t>> keys = {{-1, 1}, {0, 2}, {1, 3}};
    EXPECT_EQ(Keys(table), keys);
    EXPECT_EQ(table.rows()[0]->cells[3], 0u);
    EXPECT_EQ(table.rows()[2]->cells[3], 1u);

    Cells copy = table.rows()[1]->cells;
    table.rows()[1]->cells[2] = 9;
    EXPECT_EQ(copy[2], 2u);
    table.rows()[0]->cells.push_back(42);
    table.rows()[0]->cells[0] = 5;
    EXPECT_EQ(std::vector<uint32_t>(table.rows()[1]->cells.begin(), table.rows()[1]->cells.end()),
              (std::vector<uint32_t>{0, 2, 9, 1}));
    EXPECT_EQ(table.rows()[0]->cells.size(), 5u);
    EXPECT_EQ(table.rows()[0]->cells[4], 42u);
    table.AddColumn({"More", *ColumnType::ParseArchive("I2")});
    for (const auto& row : table.rows())
        EXPECT_EQ(row->cells.size(), 5u + (row == table.rows()[0]));
    EXPECT_EQ(table.rows()[2]->cells,
              (Cells{1, 3, 1, 1, static_cast<uint32_t>(Record::kNullInteger)}));
    EXPECT_FALSE(copy == table.rows()[1]->cells);
}

// A stream that repeats a key keeps the first row of it, in order or not;
// a table without keys keeps every row.
TEST(TableFromStream, RowsRepeatingAnEarlierKeyAreLeftOut) {
    format::StringPool pool;
    ASSERT_TRUE(pool.Add("a").ok());
    auto stream = [](std::vector<std::pair<int32_t, uint32_t>> rows) {
        format::TableCells cells;
        cells.column_count = 3;
        cells.row_count = rows.size();
        for (auto [number, value] : rows)
            cells.cells.insert(cells.cells.end(), {format::StoreLongInteger(number), 1, value});
        return cells;
    };
    auto values = [](const Table& table) {
        std::vector<std::pair<int32_t, uint32_t>> rows;
        for (const auto& row : table.rows())
            rows.emplace_back(static_cast<int32_t>(row->cells[0]), row->cells[2]);
        return rows;
    };
    auto sorted =
        Table::FromStream(TwoKeySchema(), stream({{1, 0}, {1, 1}, {2, 0}, {2, 1}, {2, 1}}), pool);
    ASSERT_TRUE(sorted.ok());
    EXPECT_EQ(values(**sorted), (std::vector<std::pair<int32_t, uint32_t>>{{1, 0}, {2, 0}}));
    auto unsorted =
        Table::FromStream(TwoKeySchema(), stream({{3, 0}, {1, 0}, {3, 1}, {2, 0}, {1, 1}}), pool);
    ASSERT_TRUE(unsorted.ok());
    EXPECT_EQ(values(**unsorted),
              (std::vector<std::pair<int32_t, uint32_t>>{{3, 0}, {1, 0}, {2, 0}}));
    EXPECT_EQ((*unsorted)->Find((*unsorted)->rows()[0]->cells)->cells[2], 0u);
    // Many keys out of order, then all of them again: the first of each stays.
    std::vector<std::pair<int32_t, uint32_t>> many, first;
    for (int round = 0; round < 2; ++round)
        for (int32_t n = 300; n > 0; --n) many.emplace_back(n, round == 0 ? n % 2 : 1 - n % 2);
    first.assign(many.begin(), many.begin() + 300);
    auto again = Table::FromStream(TwoKeySchema(), stream(many), pool);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(values(**again), first);

    TableSchema keyless = TwoKeySchema();
    for (auto& column : keyless.columns) column.type = column.type.WithKey(false);
    auto all = Table::FromStream(keyless, stream({{1, 0}, {1, 0}}), pool);
    ASSERT_TRUE(all.ok());
    EXPECT_EQ((*all)->row_count(), 2u);
}

TEST(TableFromStream, UnknownStringIdIsCorrupt) {
    format::StringPool pool;
    ASSERT_TRUE(pool.Add("only").ok());
    format::TableCells cells;
    cells.column_count = 3;
    cells.row_count = 1;
    cells.cells = {format::StoreLongInteger(1), 2, 0};
    auto loaded = Table::FromStream(TwoKeySchema(), cells, pool);
    ASSERT_FALSE(loaded.ok());
    EXPECT_EQ(loaded.status().kind(), Status::Kind::kCorrupt);
}

}  // namespace
}  // namespace msi::db
