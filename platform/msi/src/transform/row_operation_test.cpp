#include "transform/row_operation.h"

#include <gtest/gtest.h>

namespace msi::transform {
namespace {

// Two key columns (string, short int), then a string, a long int and a binary.
const uint8_t kSizes[] = {2, 2, 2, 4, 2};
constexpr size_t kKeys = 2;

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<uint8_t> out;
    for (int v : values) out.push_back(static_cast<uint8_t>(v));
    return out;
}

TEST(RowOperationParse, DeleteCarriesOnlyTheKeys) {
    auto ops = ParseRowOperations(Bytes({0, 0, 5, 0, 1, 0x80}), kSizes, kKeys);
    ASSERT_TRUE(ops.ok()) << ops.status().ToString();
    ASSERT_EQ(ops->size(), 1u);
    EXPECT_EQ((*ops)[0].kind, RowOperation::Kind::kDelete);
    EXPECT_EQ((*ops)[0].cells[0], 5u);
    EXPECT_EQ((*ops)[0].cells[1], 0x8001u);
    EXPECT_EQ((*ops)[0].present, (std::vector<bool>{true, true, false, false, false}));
}

TEST(RowOperationParse, AddCarriesTheLeadingColumnsTheMaskCounts) {
    // mask 0x0301: three columns, then a delete right after it.
    auto ops = ParseRowOperations(Bytes({0x01, 0x03, 1, 0, 2, 0x80, 3, 0, 0, 0, 1, 0, 2, 0x80}),
                                  kSizes, kKeys);
    ASSERT_TRUE(ops.ok()) << ops.status().ToString();
    ASSERT_EQ(ops->size(), 2u);
    EXPECT_EQ((*ops)[0].kind, RowOperation::Kind::kAdd);
    EXPECT_EQ((*ops)[0].cells[2], 3u);
    EXPECT_FALSE((*ops)[0].present[3]);
    EXPECT_EQ((*ops)[1].kind, RowOperation::Kind::kDelete);
}

TEST(RowOperationParse, UpdateCarriesKeysAndFlaggedColumns) {
    // Bits 3 (long int) and 4 (binary): keys, then 4 bytes, then 2.
    auto ops =
        ParseRowOperations(Bytes({0x18, 0, 1, 0, 2, 0x80, 9, 0, 0, 0x80, 1, 0}), kSizes, kKeys);
    ASSERT_TRUE(ops.ok()) << ops.status().ToString();
    ASSERT_EQ(ops->size(), 1u);
    EXPECT_EQ((*ops)[0].kind, RowOperation::Kind::kUpdate);
    EXPECT_EQ((*ops)[0].cells[3], 0x80000009u);
    EXPECT_EQ((*ops)[0].cells[4], 1u);
    EXPECT_FALSE((*ops)[0].present[2]);
}

TEST(RowOperationParse, RejectsDamage) {
    // A record cut short, a lone mask byte, an add wider than the table, an
    // add without all keys, an update of a column the table lacks.
    const std::vector<std::vector<uint8_t>> bad = {
        Bytes({0, 0, 5, 0}),          Bytes({0}),
        Bytes({0x01, 0x06, 1, 0}),    Bytes({0x01, 0x01, 1, 0}),
        Bytes({0x40, 0, 1, 0, 2, 0}),
    };
    for (const auto& stream : bad) {
        auto ops = ParseRowOperations(stream, kSizes, kKeys);
        EXPECT_FALSE(ops.ok());
        if (!ops.ok()) {
            EXPECT_EQ(ops.status().kind(), Status::Kind::kCorrupt);
        }
    }
}

TEST(RowOperationParse, RejectsRowChangesInATableWithoutKeys) {
    const uint8_t sizes[] = {2};
    EXPECT_FALSE(ParseRowOperations(Bytes({0, 0, 1, 0}), sizes, 0).ok());
    EXPECT_TRUE(ParseRowOperations(Bytes({0x01, 0x01, 1, 0}), sizes, 0).ok());
}

TEST(RowOperationWrite, RoundTripsEveryKind) {
    std::vector<RowOperation> ops = {
        {RowOperation::Kind::kAdd, 0x0501, {1, 0x8002, 3, 0x80000004, 1}, {}},
        {RowOperation::Kind::kUpdate, 0x0004, {1, 0x8002, 7, 0, 0}, {}},
        {RowOperation::Kind::kDelete, 0, {1, 0x8002, 0, 0, 0}, {}},
    };
    std::vector<uint8_t> bytes;
    for (const auto& op : ops) AppendRowOperation(bytes, op, kSizes, kKeys);
    EXPECT_EQ(bytes.size(), 2u + 12 + 2 + 6 + 2 + 4);
    auto back = ParseRowOperations(bytes, kSizes, kKeys);
    ASSERT_TRUE(back.ok());
    ASSERT_EQ(back->size(), 3u);
    for (size_t i = 0; i < ops.size(); ++i) {
        EXPECT_EQ((*back)[i].kind, ops[i].kind);
        EXPECT_EQ((*back)[i].mask, ops[i].mask);
        for (size_t c = 0; c < 5; ++c)
            if ((*back)[i].present[c]) {
                EXPECT_EQ((*back)[i].cells[c], ops[i].cells[c]) << i << "," << c;
            }
    }
}

}  // namespace
}  // namespace msi::transform
