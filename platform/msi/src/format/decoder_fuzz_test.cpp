// Deterministic mutation tests: thousands of damaged inputs for each decoder.
// Every outcome must be a value or a Status with a message; the sanitizer
// build catches any read out of bounds on the way.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "format/property_set.h"
#include "format/string_pool.h"
#include "format/table_stream.h"

namespace msi::format {
namespace {

constexpr int kRounds = 3000;

// Flips, overwrites, truncates, extends or splices bytes; some rounds write
// boundary values (0, 0xFF, 0x80) where lengths and counts live.
std::vector<uint8_t> Mutate(std::vector<uint8_t> bytes, std::mt19937& rng) {
    auto pick = [&](size_t n) { return n == 0 ? 0 : size_t(rng() % n); };
    const int edits = 1 + int(rng() % 4);
    for (int e = 0; e < edits; ++e) {
        switch (rng() % 6) {
            case 0:
                if (!bytes.empty()) bytes[pick(bytes.size())] ^= uint8_t(1u << (rng() % 8));
                break;
            case 1:
                if (!bytes.empty()) bytes[pick(bytes.size())] = uint8_t(rng());
                break;
            case 2:
                bytes.resize(pick(bytes.size() + 1));
                break;
            case 3:
                bytes.insert(bytes.begin() + pick(bytes.size() + 1), uint8_t(rng()));
                break;
            case 4: {
                static constexpr uint8_t kBoundary[] = {0x00, 0xFF, 0x80, 0x7F, 0x01};
                if (!bytes.empty()) bytes[pick(bytes.size())] = kBoundary[rng() % 5];
                break;
            }
            case 5:
                if (bytes.size() >= 4) {
                    const size_t at = pick(bytes.size() - 3);
                    for (int i = 0; i < 4; ++i) bytes[at + i] = 0xFF;
                }
                break;
        }
    }
    return bytes;
}

struct Outcomes {
    int ok = 0;
    int failed = 0;

    template <class T>
    void Count(const Result<T>& result) {
        if (result.ok()) {
            ++ok;
            return;
        }
        ++failed;
        EXPECT_FALSE(result.status().message().empty());
        EXPECT_NE(result.status().kind(), Status::Kind::kOk);
    }
};

TEST(DecoderFuzzTest, DamagedStringPoolsFailCleanly) {
    StringPool pool;
    ASSERT_TRUE(pool.SetCodePage(1252).ok());
    ASSERT_TRUE(pool.Add("alpha").ok());
    ASSERT_TRUE(pool.Add(std::string(70000, 'L'), 3).ok());
    ASSERT_TRUE(pool.Add("gamma", 2).ok());
    const StringPool::Streams good = pool.Serialize();

    std::mt19937 rng(20261207);
    Outcomes outcomes;
    for (int i = 0; i < kRounds; ++i) {
        std::vector<uint8_t> pool_bytes = good.pool;
        std::vector<uint8_t> data = good.data;
        if (i % 3 != 2) pool_bytes = Mutate(pool_bytes, rng);
        if (i % 3 != 0) data.resize(rng() % (data.size() + 1));
        Result<StringPool> loaded = StringPool::Load(pool_bytes, data);
        outcomes.Count(loaded);
        if (loaded.ok()) {
            // Whatever loaded must serialize and reload.
            const StringPool::Streams again = loaded->Serialize();
            ASSERT_TRUE(StringPool::Load(again.pool, again.data).ok());
        }
    }
    EXPECT_GT(outcomes.ok, 0);
    EXPECT_GT(outcomes.failed, 0);
}

TEST(DecoderFuzzTest, DamagedTableStreamsFailCleanly) {
    const std::vector<uint8_t> sizes = {2, 3, 4, 2};
    TableCells table{sizes.size(), 50, {}};
    for (uint32_t i = 0; i < table.row_count * table.column_count; ++i) table.cells.push_back(i);
    Result<std::vector<uint8_t>> good = EncodeTableStream(table, sizes);
    ASSERT_TRUE(good.ok());

    std::mt19937 rng(7);
    Outcomes outcomes;
    for (int i = 0; i < kRounds; ++i) {
        const std::vector<uint8_t> bytes = Mutate(good.value(), rng);
        Result<TableCells> decoded = DecodeTableStream(bytes, sizes);
        outcomes.Count(decoded);
        if (decoded.ok()) {
            EXPECT_EQ(decoded->row_count * 11, bytes.size());
        }
    }
    EXPECT_GT(outcomes.ok, 0);
    EXPECT_GT(outcomes.failed, 0);
}

TEST(DecoderFuzzTest, DamagedPropertySetsFailCleanly) {
    SummaryPropertySet set;
    set.properties[kPidCodepage] = int16_t(1252);
    set.properties[kPidTitle] = std::string("Installation Database");
    set.properties[kPidTemplate] = std::string("Intel;1033");
    set.properties[kPidCreateTime] = FileTime{0x01D2000000000000};
    set.properties[kPidPageCount] = int32_t(200);
    const std::vector<uint8_t> good = set.Encode();

    std::mt19937 rng(1601);
    Outcomes outcomes;
    for (int i = 0; i < kRounds; ++i) {
        Result<SummaryPropertySet> decoded = SummaryPropertySet::Decode(Mutate(good, rng));
        outcomes.Count(decoded);
        if (decoded.ok()) {
            // Whatever decoded must encode and decode to the same properties.
            Result<SummaryPropertySet> again = SummaryPropertySet::Decode(decoded->Encode());
            ASSERT_TRUE(again.ok());
            EXPECT_EQ(again->properties, decoded->properties);
        }
    }
    EXPECT_GT(outcomes.ok, 0);
    EXPECT_GT(outcomes.failed, 0);
}

}  // namespace
}  // namespace msi::format
