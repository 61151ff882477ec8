#include "storage/write_plan.h"

#include <gtest/gtest.h>

#include <set>

namespace msi::storage {
namespace {

// Checks the FAT and DIFAT a plan describes against each other: the header
// and DIFAT sectors list exactly sectors 0..F-1, the FAT marks them as FAT
// sectors and the DIFAT sectors as DIFAT sectors, and the FAT covers every
// sector of the file.
void ExpectConsistent(const WritePlan& plan) {
    const CfbHeader h = plan.Header();
    const auto fat = plan.Fat();
    const auto difat = plan.DifatSectors();
    const uint64_t sectors = plan.file_size() / WritePlan::kSectorSize - 1;
    EXPECT_GE(fat.size(), sectors);
    EXPECT_LT(fat.size(), sectors + WritePlan::kEntriesPerSector);

    std::vector<uint32_t> listed;
    for (uint32_t slot : h.difat) {
        if (slot != kFreeSector) listed.push_back(slot);
    }
    ASSERT_EQ(difat.size(), size_t(h.difat_sector_count) * WritePlan::kEntriesPerSector);
    for (uint32_t d = 0; d < h.difat_sector_count; ++d) {
        for (size_t i = 0; i + 1 < WritePlan::kEntriesPerSector; ++i) {
            const uint32_t slot = difat[d * WritePlan::kEntriesPerSector + i];
            if (slot != kFreeSector) listed.push_back(slot);
        }
        const uint32_t next = difat[(d + 1) * WritePlan::kEntriesPerSector - 1];
        EXPECT_EQ(next, d + 1 < h.difat_sector_count ? h.first_difat_sector + d + 1 : kEndOfChain);
    }
    ASSERT_EQ(listed.size(), h.fat_sector_count);
    for (uint32_t i = 0; i < listed.size(); ++i) {
        EXPECT_EQ(listed[i], i);
        EXPECT_EQ(fat[i], kFatSector);
    }
    for (uint32_t d = 0; d < h.difat_sector_count; ++d) {
        EXPECT_EQ(fat[h.first_difat_sector + d], kDifatSector);
    }
    EXPECT_EQ(h.difat_sector_count == 0, h.first_difat_sector == kEndOfChain);
    // Every sector past the FAT and DIFAT is in use; the rest of the FAT is free.
    for (uint64_t s = h.fat_sector_count + h.difat_sector_count; s < fat.size(); ++s) {
        EXPECT_EQ(fat[s] == kFreeSector, s >= sectors) << s;
    }
}

TEST(WritePlanTest, EmptyFileHasOneFatAndOneDirectorySector) {
    auto plan = WritePlan::Make(1, {});
    ASSERT_TRUE(plan.ok());
    EXPECT_EQ(plan->file_size(), 3u * 512);
    EXPECT_EQ(plan->mini_stream_start(), kEndOfChain);
    EXPECT_EQ(plan->Header().first_mini_fat_sector, kEndOfChain);
    ExpectConsistent(plan.value());
}

TEST(WritePlanTest, StreamsBelowTheCutoffGoToTheMiniStream) {
    const std::vector<uint64_t> sizes = {0, 1, 64, 65, 4095, 4096};
    auto plan = WritePlan::Make(7, sizes);
    ASSERT_TRUE(plan.ok());
    EXPECT_EQ(plan->stream_start(0), kEndOfChain);
    EXPECT_EQ(plan->stream_start(1), 0u);  // mini sectors 0
    EXPECT_EQ(plan->stream_start(2), 1u);  // 1
    EXPECT_EQ(plan->stream_start(3), 2u);  // 2-3
    EXPECT_EQ(plan->stream_start(4), 4u);  // 4-67
    EXPECT_TRUE(plan->in_mini_stream(4));
    EXPECT_FALSE(plan->in_mini_stream(5));
    EXPECT_EQ(plan->mini_stream_size(), 68u * 64);
    const auto mini_fat = plan->MiniFat();
    EXPECT_EQ(mini_fat[0], kEndOfChain);
    EXPECT_EQ(mini_fat[2], 3u);
    EXPECT_EQ(mini_fat[3], kEndOfChain);
    EXPECT_EQ(mini_fat[67], kEndOfChain);
    EXPECT_EQ(mini_fat[68], kFreeSector);
    ExpectConsistent(plan.value());
}

TEST(WritePlanTest, DifatAppearsJustPastOneHundredNineFatSectors) {
    // Walk stream sizes sector by sector across the points where the FAT
    // (which maps itself too, 127 other sectors per FAT sector) grows from 109
    // to 110 sectors and from 236 to 237 (the first DIFAT sector full).
    std::set<uint32_t> difat_counts;
    for (uint64_t sectors = 109 * 127 - 16; sectors < 109 * 127 + 16; ++sectors) {
        auto plan = WritePlan::Make(2, std::vector<uint64_t>{sectors * 512});
        ASSERT_TRUE(plan.ok());
        const CfbHeader h = plan->Header();
        EXPECT_EQ(h.difat_sector_count, h.fat_sector_count > 109 ? 1u : 0u);
        difat_counts.insert(h.difat_sector_count);
        ExpectConsistent(plan.value());
    }
    for (uint64_t sectors = 236 * 127 - 16; sectors < 236 * 127 + 16; ++sectors) {
        auto plan = WritePlan::Make(2, std::vector<uint64_t>{sectors * 512});
        ASSERT_TRUE(plan.ok());
        const CfbHeader h = plan->Header();
        EXPECT_EQ(h.difat_sector_count, h.fat_sector_count > 236 ? 2u : 1u);
        difat_counts.insert(h.difat_sector_count);
        ExpectConsistent(plan.value());
    }
    EXPECT_EQ(difat_counts, (std::set<uint32_t>{0, 1, 2}));
}

TEST(WritePlanTest, StreamsTooLargeForVersionThreeAreRefused) {
    auto plan = WritePlan::Make(2, std::vector<uint64_t>{uint64_t(1) << 32});
    ASSERT_FALSE(plan.ok());
    EXPECT_EQ(plan.status().kind(), Status::Kind::kInvalidArgument);
}

}  // namespace
}  // namespace msi::storage
