#include "format/table_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace msi::format {
namespace {

std::vector<uint8_t> ShortBytes(int32_t value) {
    Result<uint32_t> cell = StoreShortInteger(value);
    EXPECT_TRUE(cell.ok());
    return {uint8_t(*cell), uint8_t(*cell >> 8)};
}

std::vector<uint8_t> LongBytes(int32_t value) {
    const uint32_t cell = StoreLongInteger(value);
    return {uint8_t(cell), uint8_t(cell >> 8), uint8_t(cell >> 16), uint8_t(cell >> 24)};
}

TEST(IntegerBiasTest, ShortIntegersMatchVerifiedBytes) {
    EXPECT_EQ(ShortBytes(-5), (std::vector<uint8_t>{0xFB, 0x7F}));
    EXPECT_EQ(ShortBytes(1), (std::vector<uint8_t>{0x01, 0x80}));
    EXPECT_EQ(ShortBytes(-1), (std::vector<uint8_t>{0xFF, 0x7F}));
    EXPECT_EQ(ShortBytes(32767), (std::vector<uint8_t>{0xFF, 0xFF}));
    EXPECT_EQ(ShortBytes(kNullInteger), (std::vector<uint8_t>{0x00, 0x00}));
    for (int32_t v : {-32767, -5, -1, 0, 1, 100, 32767}) {
        EXPECT_EQ(LoadShortInteger(*StoreShortInteger(v)), v);
    }
    EXPECT_EQ(LoadShortInteger(0), kNullInteger);
}

TEST(IntegerBiasTest, ShortIntegersOutsideTheFieldAreRefused) {
    // -32768 would be stored as 0, which is null.
    EXPECT_FALSE(StoreShortInteger(-32768).ok());
    EXPECT_FALSE(StoreShortInteger(32768).ok());
    EXPECT_FALSE(StoreShortInteger(100000).ok());
}

TEST(IntegerBiasTest, LongIntegersMatchVerifiedBytes) {
    EXPECT_EQ(LongBytes(100000), (std::vector<uint8_t>{0xA0, 0x86, 0x01, 0x80}));
    EXPECT_EQ(LongBytes(-2147483647), (std::vector<uint8_t>{0x01, 0x00, 0x00, 0x00}));
    EXPECT_EQ(LongBytes(kNullInteger), (std::vector<uint8_t>{0x00, 0x00, 0x00, 0x00}));
    for (int32_t v : {-2147483647, -1, 0, 1, 100000, 2147483647}) {
        EXPECT_EQ(LoadLongInteger(StoreLongInteger(v)), v);
    }
    EXPECT_EQ(LoadLongInteger(0), kNullInteger);
}

TEST(TableStreamTest, DecodesColumnMajorCells) {
    // Two rows of (string id 2 bytes, long int 4 bytes, string id 3 bytes).
    const std::vector<uint8_t> stream = {
        0x01, 0x00, 0x02, 0x00,                          // column 1
        0xA0, 0x86, 0x01, 0x80, 0x00, 0x00, 0x00, 0x00,  // column 2
        0x05, 0x00, 0x01, 0x06, 0x00, 0x00,              // column 3
    };
    const std::vector<uint8_t> sizes = {2, 4, 3};
    Result<TableCells> table = DecodeTableStream(stream, sizes);
    ASSERT_TRUE(table.ok()) << table.status().ToString();
    ASSERT_EQ(table->row_count, 2u);
    EXPECT_EQ(table->At(0, 0), 1u);
    EXPECT_EQ(table->At(1, 0), 2u);
    EXPECT_EQ(LoadLongInteger(table->At(0, 1)), 100000);
    EXPECT_EQ(LoadLongInteger(table->At(1, 1)), kNullInteger);
    EXPECT_EQ(table->At(0, 2), 0x10005u);
    EXPECT_EQ(table->At(1, 2), 6u);

    Result<std::vector<uint8_t>> encoded = EncodeTableStream(table.value(), sizes);
    ASSERT_TRUE(encoded.ok());
    EXPECT_EQ(encoded.value(), stream);
}

TEST(TableStreamTest, AbsentStreamIsAnEmptyTable) {
    const std::vector<uint8_t> sizes = {2, 2};
    Result<TableCells> table = DecodeTableStream({}, sizes);
    ASSERT_TRUE(table.ok());
    EXPECT_EQ(table->row_count, 0u);
    EXPECT_EQ(table->column_count, 2u);
    Result<std::vector<uint8_t>> encoded = EncodeTableStream(table.value(), sizes);
    ASSERT_TRUE(encoded.ok());
    EXPECT_TRUE(encoded->empty());
}

TEST(TableStreamTest, SizeThatIsNotAWholeNumberOfRowsIsCorrupt) {
    const std::vector<uint8_t> sizes = {2, 4};
    const std::vector<uint8_t> stream(13, 0x01);
    Result<TableCells> table = DecodeTableStream(stream, sizes);
    ASSERT_FALSE(table.ok());
    EXPECT_EQ(table.status().kind(), Status::Kind::kCorrupt);
    EXPECT_EQ(table.status().message(),
              "table stream of 13 bytes is not a whole number of 6-byte rows");
}

TEST(TableStreamTest, DataForATableWithoutColumnsIsCorrupt) {
    const std::vector<uint8_t> stream = {1, 2};
    EXPECT_EQ(DecodeTableStream(stream, {}).status().kind(), Status::Kind::kCorrupt);
}

TEST(TableStreamTest, CellSizesOtherThanTwoThreeOrFourAreRefused) {
    const std::vector<uint8_t> stream = {1, 2};
    const std::vector<uint8_t> sizes = {1};
    EXPECT_EQ(DecodeTableStream(stream, sizes).status().kind(), Status::Kind::kInvalidArgument);
    EXPECT_FALSE(EncodeTableStream(TableCells{1, 1, {0}}, sizes).ok());
}

TEST(TableStreamTest, EncodeRefusesValuesTooWideAndMismatchedShapes) {
    const std::vector<uint8_t> sizes = {2, 3};
    EXPECT_FALSE(EncodeTableStream(TableCells{2, 1, {0x10000, 1}}, sizes).ok());
    EXPECT_FALSE(EncodeTableStream(TableCells{2, 1, {1, 0x1000000}}, sizes).ok());
    EXPECT_TRUE(EncodeTableStream(TableCells{2, 1, {0xFFFF, 0xFFFFFF}}, sizes).ok());
    EXPECT_FALSE(EncodeTableStream(TableCells{2, 2, {1, 2, 3}}, sizes).ok());
    EXPECT_FALSE(EncodeTableStream(TableCells{3, 1, {1, 2, 3}}, sizes).ok());
}

TEST(TableStreamTest, LargeTableRoundTrips) {
    // The shape of a 70,000-row table of distinct strings with 3-byte references.
    TableCells table{2, 200000, {}};
    for (uint32_t r = 0; r < table.row_count; ++r) {
        table.cells.push_back(r + 1);
        table.cells.push_back(StoreLongInteger(int32_t(r) - 100000));
    }
    const std::vector<uint8_t> sizes = {3, 4};
    Result<std::vector<uint8_t>> encoded = EncodeTableStream(table, sizes);
    ASSERT_TRUE(encoded.ok());
    EXPECT_EQ(encoded->size(), 200000u * 7);
    Result<TableCells> decoded = DecodeTableStream(encoded.value(), sizes);
    ASSERT_TRUE(decoded.ok());
    EXPECT_EQ(decoded->cells, table.cells);
}

TEST(TableStreamTest, ASmallStreamIsReadInOneCallALargeOneInPieces) {
    const std::vector<uint8_t> sizes = {2, 4};
    for (uint32_t rows : {3u, 100000u}) {
        TableCells table{2, rows, {}};
        for (uint32_t r = 0; r < rows; ++r) {
            table.cells.push_back(r % 30000 + 1);
            table.cells.push_back(StoreLongInteger(int32_t(r)));
        }
        Result<std::vector<uint8_t>> encoded = EncodeTableStream(table, sizes);
        ASSERT_TRUE(encoded.ok());
        size_t calls = 0, bytes = 0, largest = 0;
        Result<TableCells> decoded =
            DecodeTableStream(encoded->size(), sizes, [&](uint64_t offset, std::span<uint8_t> out) {
                ++calls;
                bytes += out.size();
                largest = std::max(largest, out.size());
                std::copy_n(encoded->data() + offset, out.size(), out.data());
                return Status::Ok();
            });
        ASSERT_TRUE(decoded.ok());
        EXPECT_EQ(decoded->cells, table.cells) << rows;
        EXPECT_EQ(bytes, encoded->size()) << rows;  // each byte read once
        if (rows == 3) {
            EXPECT_EQ(calls, 1u);
        } else {
            EXPECT_LT(largest, encoded->size() / 4);  // never held whole
        }
    }
}

}  // namespace
}  // namespace msi::format
