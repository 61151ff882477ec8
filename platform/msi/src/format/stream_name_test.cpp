#include "format/stream_name.h"
#include "format/unicode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace msi::format {
namespace {

std::u16string Units(std::initializer_list<char16_t> units) {
    return std::u16string(units);
}

std::u16string MustEncode(std::string_view name, bool is_table) {
    Result<std::u16string> units = EncodeStreamName(name, is_table);
    EXPECT_TRUE(units.ok()) << units.status().ToString();
    return units.ok() ? units.value() : std::u16string();
}

struct KnownName {
    const char* name;
    bool is_table;
    std::u16string units;
};

// The encodings verified against files made by other tools.
const std::vector<KnownName>& KnownNames() {
    static const std::vector<KnownName> names = {
        {"_Tables", true, Units({0x4840, 0x3F7F, 0x4164, 0x422F, 0x4836})},
        {"_Columns", true, Units({0x4840, 0x3B3F, 0x43F2, 0x4438, 0x45B1})},
        {"_StringData", true, Units({0x4840, 0x3F3F, 0x4577, 0x446C, 0x3B6A, 0x45E4, 0x4824})},
        {"_StringPool", true, Units({0x4840, 0x3F3F, 0x4577, 0x446C, 0x3E6A, 0x44B2, 0x482F})},
        {"Property", true, Units({0x4840, 0x4559, 0x44F2, 0x4568, 0x4737})},
        {"Binary.BlobA", false, Units({0x430B, 0x4131, 0x4735, 0x3AFE, 0x44AF, 0x3AA5})},
    };
    return names;
}

TEST(StreamNameTest, EncodesVerifiedNamesExactly) {
    for (const KnownName& known : KnownNames()) {
        EXPECT_EQ(MustEncode(known.name, known.is_table), known.units) << known.name;
    }
}

TEST(StreamNameTest, DecodesVerifiedNamesAndTellsTablesApart) {
    for (const KnownName& known : KnownNames()) {
        Result<DecodedStreamName> decoded = DecodeStreamName(known.units);
        ASSERT_TRUE(decoded.ok()) << decoded.status().ToString();
        EXPECT_EQ(decoded->name, known.name);
        EXPECT_EQ(decoded->is_table, known.is_table) << known.name;
    }
}

TEST(StreamNameTest, SummaryInformationIsStoredUncompressed) {
    const std::string name = "\005SummaryInformation";
    std::u16string expected(name.begin(), name.end());
    EXPECT_EQ(MustEncode(name, false), expected);
    Result<DecodedStreamName> decoded = DecodeStreamName(expected);
    ASSERT_TRUE(decoded.ok());
    EXPECT_EQ(decoded->name, name);
    EXPECT_FALSE(decoded->is_table);
    EXPECT_FALSE(EncodeStreamName(name, true).ok());
}

TEST(StreamNameTest, OddLengthNameEndsWithSingleCharacterUnit) {
    // "abc": 'a','b' packed into one unit, then 'c' alone.
    const std::u16string units = MustEncode("abc", false);
    ASSERT_EQ(units.size(), 2u);
    EXPECT_EQ(units[0], 0x3800 + (37 << 6) + 36);
    EXPECT_EQ(units[1], 0x4800 + 38);
}

TEST(StreamNameTest, CharactersOutsideTheAlphabetAreStoredAsUtf16) {
    // 'a' before '-' cannot pair, so it takes a single unit; '-' and 'é' are
    // copied; the emoji needs a surrogate pair.
    const std::string name = "a-\xC3\xA9\xF0\x9F\x98\x80";
    const std::u16string units = MustEncode(name, false);
    EXPECT_EQ(units, Units({0x4800 + 36, u'-', 0x00E9, 0xD83D, 0xDE00}));
    Result<DecodedStreamName> decoded = DecodeStreamName(units);
    ASSERT_TRUE(decoded.ok());
    EXPECT_EQ(decoded->name, name);
}

TEST(StreamNameTest, ThirtyOneUnitsFitAndThirtyTwoAreRefused) {
    // 62 alphabet characters pack into exactly 31 units.
    const std::string longest(62, 'x');
    EXPECT_EQ(MustEncode(longest, false).size(), kMaxStreamNameUnits);
    Result<std::u16string> too_long = EncodeStreamName(longest + "y", false);
    ASSERT_FALSE(too_long.ok());
    EXPECT_EQ(too_long.status().kind(), Status::Kind::kInvalidArgument);
    EXPECT_NE(too_long.status().message().find("32 code units"), std::string::npos);
    // The table prefix takes one unit: 60 characters are the most a table holds.
    EXPECT_TRUE(EncodeStreamName(std::string(60, 'x'), true).ok());
    EXPECT_FALSE(EncodeStreamName(std::string(61, 'x'), true).ok());
}

TEST(StreamNameTest, RefusesNamesThatCannotRoundTrip) {
    EXPECT_FALSE(EncodeStreamName("", false).ok());
    EXPECT_FALSE(EncodeStreamName(std::string("a\0b", 3), false).ok());
    EXPECT_FALSE(EncodeStreamName("\xC3", false).ok());          // truncated UTF-8
    EXPECT_FALSE(EncodeStreamName("\xC0\xAF", false).ok());      // overlong '/'
    EXPECT_FALSE(EncodeStreamName("\xE3\xA0\x80", false).ok());  // U+3800 reads back packed
    EXPECT_FALSE(EncodeStreamName("\xE4\xA1\x80", false).ok());  // U+4840, the table prefix
    EXPECT_TRUE(EncodeStreamName("\xE4\xA1\x81", false).ok());   // U+4841 is plain
}

TEST(StreamNameTest, DecodeRefusesBrokenUnits) {
    EXPECT_FALSE(DecodeStreamName(Units({0x4840, 0xD800})).ok());  // lone high surrogate
    EXPECT_FALSE(DecodeStreamName(Units({0xDC00, u'a'})).ok());    // lone low surrogate
    EXPECT_FALSE(DecodeStreamName(Units({u'a', 0x0000})).ok());
}

TEST(StreamNameTest, PrefixCountsOnlyAsFirstUnit) {
    Result<DecodedStreamName> decoded = DecodeStreamName(Units({u'x', 0x4840}));
    ASSERT_TRUE(decoded.ok());
    EXPECT_FALSE(decoded->is_table);
    EXPECT_EQ(decoded->name, "x\xE4\xA1\x80");
}

TEST(StreamNameTest, EveryAlphabetPairRoundTrips) {
    const std::string alphabet = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz._";
    for (char a : alphabet) {
        for (char b : alphabet) {
            const std::string name = {a, b};
            const std::u16string units = MustEncode(name, true);
            ASSERT_EQ(units.size(), 2u);
            Result<DecodedStreamName> decoded = DecodeStreamName(units);
            ASSERT_TRUE(decoded.ok());
            ASSERT_EQ(decoded->name, name);
            ASSERT_TRUE(decoded->is_table);
        }
    }
}

TEST(StreamNameTest, JoinsBinaryCellStreamNames) {
    const std::vector<std::string> keys = {"foo", "ico"};
    EXPECT_EQ(JoinStreamName("Icon", keys), "Icon.foo.ico");
    EXPECT_EQ(JoinStreamName("Binary", std::vector<std::string>{"BlobA"}), "Binary.BlobA");
    EXPECT_EQ(MustEncode(JoinStreamName("Binary", std::vector<std::string>{"BlobA"}), false),
              KnownNames().back().units);
}

TEST(StreamNameTest, SubStorageNamesConvertWithoutPacking) {
    Result<std::u16string> units = Utf8ToUtf16("#rtm.2");
    ASSERT_TRUE(units.ok());
    EXPECT_EQ(units.value(), u"#rtm.2");
    Result<std::string> text = Utf16ToUtf8(Units({u'I', 0xD83D, 0xDE00}));
    ASSERT_TRUE(text.ok());
    EXPECT_EQ(text.value(), "I\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80").status().kind(),  // an encoded surrogate
              Status::Kind::kInvalidArgument);
    EXPECT_EQ(Utf16ToUtf8(Units({0xDE00})).status().kind(), Status::Kind::kCorrupt);
}

}  // namespace
}  // namespace msi::format
