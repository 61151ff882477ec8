#include "format/column_type.h"

#include <gtest/gtest.h>

#include <vector>

namespace msi::format {
namespace {

struct KnownType {
    const char* archive;
    bool key;
    uint16_t word;
};

// Type words verified by building packages from archive files with another tool.
const std::vector<KnownType> kKnownTypes = {
    {"s72", true, 0x2D48}, {"s32", true, 0x2D20},   {"s20", true, 0x2D14},   {"S64", false, 0x1D40},
    {"S0", false, 0x1D00}, {"l0", false, 0x0F00},   {"L64", false, 0x1F40},  {"I2", false, 0x1502},
    {"i4", false, 0x0104}, {"I4", false, 0x1104},   {"i2", true, 0x2502},    {"v0", false, 0x0900},
    {"V0", false, 0x1900}, {"S255", false, 0x1DFF}, {"L255", false, 0x1FFF}, {"s4", false, 0x0D04},
    {"i2", false, 0x0502},
};

ColumnType MustParse(std::string_view text) {
    Result<ColumnType> type = ColumnType::ParseArchive(text);
    EXPECT_TRUE(type.ok()) << text << ": " << type.status().ToString();
    return type.ok() ? type.value() : ColumnType();
}

TEST(ColumnTypeTest, ArchiveNotationMapsToVerifiedWordsBothWays) {
    for (const KnownType& known : kKnownTypes) {
        EXPECT_EQ(MustParse(known.archive).WithKey(known.key).word(), known.word) << known.archive;
        EXPECT_EQ(ColumnType(known.word).ArchiveString(), known.archive) << known.archive;
    }
}

TEST(ColumnTypeTest, KindsFollowTheDecisionRules) {
    EXPECT_TRUE(ColumnType(0x0900).IsBinary());
    EXPECT_TRUE(ColumnType(0x1900).IsBinary());
    EXPECT_FALSE(ColumnType(0x1900).IsString());
    EXPECT_TRUE(ColumnType(0x0D48).IsString());
    EXPECT_TRUE(ColumnType(0x1F40).IsString());
    EXPECT_TRUE(ColumnType(0x1502).IsInteger());
    EXPECT_TRUE(ColumnType(0x0104).IsLongInteger());
    EXPECT_FALSE(ColumnType(0x0502).IsLongInteger());
    // An object word with extra bits (here localizable) is not the binary pattern.
    EXPECT_TRUE(ColumnType(0x0B00).IsString());
}

TEST(ColumnTypeTest, CellSizesDependOnKindWidthAndReferenceWidth) {
    EXPECT_EQ(ColumnType(0x2D48).CellSize(false), 2u);
    EXPECT_EQ(ColumnType(0x2D48).CellSize(true), 3u);
    EXPECT_EQ(ColumnType(0x1502).CellSize(true), 2u);
    EXPECT_EQ(ColumnType(0x0104).CellSize(false), 4u);
    EXPECT_EQ(ColumnType(0x1900).CellSize(true), 2u);
    // Integers of width 0 and 1 occur in real packages and take 2 bytes.
    EXPECT_EQ(ColumnType(0x1500).CellSize(false), 2u);
    EXPECT_EQ(ColumnType(0x1501).CellSize(false), 2u);
    EXPECT_EQ(ColumnType(0x1100).CellSize(false), 2u);
}

TEST(ColumnTypeTest, FlagsReadTheirBits) {
    const ColumnType type(0x3F40);  // L64 key
    EXPECT_TRUE(type.IsNullable());
    EXPECT_TRUE(type.IsKey());
    EXPECT_TRUE(type.IsLocalizable());
    EXPECT_TRUE(type.IsPersistent());
    EXPECT_FALSE(type.IsTemporary());
    EXPECT_EQ(type.Width(), 64u);
    EXPECT_FALSE(ColumnType(0x0D48).IsNullable());
    EXPECT_FALSE(ColumnType(0x0D48).IsKey());
}

TEST(ColumnTypeTest, InfoStringsCoverEveryLetter) {
    EXPECT_EQ(ColumnType(0x2D48).InfoString(), "s72");
    EXPECT_EQ(ColumnType(0x1DFF).InfoString(), "S255");
    EXPECT_EQ(ColumnType(0x0F00).InfoString(), "l0");
    EXPECT_EQ(ColumnType(0x1F40).InfoString(), "L64");
    EXPECT_EQ(ColumnType(0x0502).InfoString(), "i2");
    EXPECT_EQ(ColumnType(0x1104).InfoString(), "I4");
    EXPECT_EQ(ColumnType(0x0900).InfoString(), "v0");
    EXPECT_EQ(ColumnType(0x1900).InfoString(), "V0");
    EXPECT_EQ(ColumnType(0x1500).InfoString(), "I0");
    EXPECT_EQ(ColumnType(0x1501).InfoString(), "I1");
    // Temporary columns: no persistent bit, the in-memory temporary bit.
    EXPECT_EQ(ColumnType(0x4C00).InfoString(), "g0");
    EXPECT_EQ(ColumnType(0x5C48).InfoString(), "G72");
    EXPECT_EQ(ColumnType(0x4402).InfoString(), "j2");
    EXPECT_EQ(ColumnType(0x5004).InfoString(), "J4");
    EXPECT_EQ(ColumnType(0x4800).InfoString(), "O0");
    EXPECT_EQ(ColumnType(0x5800).InfoString(), "O0");
    // Localizable wins over the temporary string letter.
    EXPECT_EQ(ColumnType(0x4E00).InfoString(), "l0");
}

TEST(ColumnTypeTest, TemporaryBitIsNeverStored) {
    const ColumnType type(0x5C48);
    EXPECT_TRUE(type.IsTemporary());
    EXPECT_EQ(type.StoredWord(), 0x1C48);
    EXPECT_EQ(type.ArchiveString(), "S72");
}

TEST(ColumnTypeTest, ArchiveParserAcceptsWhatOtherToolsWrite) {
    EXPECT_EQ(MustParse(" s72\r").word(), 0x0D48);
    EXPECT_EQ(MustParse("I0").word(), 0x1500);
    EXPECT_EQ(MustParse("i1").word(), 0x0501);
    EXPECT_EQ(MustParse("V255").word(), 0x1900);  // a width on a stream is ignored
    EXPECT_EQ(MustParse("L0").word(), 0x1F00);
}

TEST(ColumnTypeTest, ArchiveParserRefusesMalformedTypes) {
    for (const char* bad : {"", "s", "x72", "s-1", "s256", "i3", "i8", "s1000", "s7a", "2s"}) {
        Result<ColumnType> type = ColumnType::ParseArchive(bad);
        EXPECT_FALSE(type.ok()) << bad;
        if (!type.ok()) {
            EXPECT_EQ(type.status().kind(), Status::Kind::kInvalidArgument);
            EXPECT_FALSE(type.status().message().empty());
        }
    }
}

}  // namespace
}  // namespace msi::format
