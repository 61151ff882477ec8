#include "storage/cfb_header.h"

#include <gtest/gtest.h>

#include <vector>

namespace msi::storage {
namespace {

std::vector<uint8_t> ValidHeader() {
    CfbHeader h;
    h.fat_sector_count = 1;
    h.first_directory_sector = 1;
    h.difat[0] = 0;
    const auto bytes = h.Encode();
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

TEST(CfbHeaderTest, EncodedHeaderDecodesToTheSameFields) {
    CfbHeader h;
    h.fat_sector_count = 120;
    h.first_directory_sector = 7;
    h.first_mini_fat_sector = 9;
    h.mini_fat_sector_count = 2;
    h.first_difat_sector = 109;
    h.difat_sector_count = 1;
    for (uint32_t i = 0; i < kHeaderDifatSlots; ++i) h.difat[i] = i;
    const auto bytes = h.Encode();
    auto decoded = CfbHeader::Decode(bytes);
    ASSERT_TRUE(decoded.ok()) << decoded.status().ToString();
    EXPECT_EQ(decoded->fat_sector_count, 120u);
    EXPECT_EQ(decoded->first_directory_sector, 7u);
    EXPECT_EQ(decoded->first_mini_fat_sector, 9u);
    EXPECT_EQ(decoded->mini_fat_sector_count, 2u);
    EXPECT_EQ(decoded->first_difat_sector, 109u);
    EXPECT_EQ(decoded->difat_sector_count, 1u);
    EXPECT_EQ(decoded->difat[108], 108u);
    EXPECT_EQ(decoded->sector_size(), 512u);
}

TEST(CfbHeaderTest, ShortInputIsNotACompoundFile) {
    auto bytes = ValidHeader();
    bytes.resize(511);
    auto decoded = CfbHeader::Decode(bytes);
    ASSERT_FALSE(decoded.ok());
    EXPECT_EQ(decoded.status().kind(), Status::Kind::kCorrupt);
    EXPECT_NE(decoded.status().message().find("shorter than the 512-byte header"),
              std::string::npos);
}

TEST(CfbHeaderTest, EachBadFieldIsNamed) {
    struct Case {
        size_t offset;
        uint8_t value;
        const char* message;
    };
    const Case cases[] = {
        {0, 0xD1, "bad signature"},         {26, 5, "major version 5"},  // major version
        {28, 0xFF, "byte order"},                                        // byte order mark low byte
        {30, 12, "does not match version"},  // v3 with 4096-byte sectors
        {32, 7, "mini sector shift 7"},     {57, 0x20, "mini stream cutoff"},  // cutoff 0x2000
    };
    for (const Case& c : cases) {
        auto bytes = ValidHeader();
        bytes[c.offset] = c.value;
        auto decoded = CfbHeader::Decode(bytes);
        ASSERT_FALSE(decoded.ok()) << c.message;
        EXPECT_NE(decoded.status().message().find(c.message), std::string::npos)
            << decoded.status().message();
    }
}

TEST(CfbHeaderTest, VersionFourNeedsFourKilobyteSectors) {
    auto bytes = ValidHeader();
    bytes[26] = 4;
    EXPECT_FALSE(CfbHeader::Decode(bytes).ok());
    bytes[30] = 12;
    auto decoded = CfbHeader::Decode(bytes);
    ASSERT_TRUE(decoded.ok()) << decoded.status().ToString();
    EXPECT_EQ(decoded->sector_size(), 4096u);
}

}  // namespace
}  // namespace msi::storage
