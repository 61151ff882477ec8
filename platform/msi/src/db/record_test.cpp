#include "db/record.h"

#include <gtest/gtest.h>

namespace msi::db {
namespace {

TEST(Record, KindsFollowWhatWasSet) {
    Record r(4);
    r.SetInteger(1, 5);
    r.SetString(2, "x");
    r.SetStream(3, std::make_shared<MemoryStreamSource>(std::vector<std::byte>(3)));
    EXPECT_EQ(r.KindOf(0), Record::Kind::kNull);
    EXPECT_EQ(r.KindOf(1), Record::Kind::kInteger);
    EXPECT_EQ(r.KindOf(2), Record::Kind::kString);
    EXPECT_EQ(r.KindOf(3), Record::Kind::kStream);
    EXPECT_EQ(r.DataSize(3), 3u);
    EXPECT_EQ(r.GetString(3), "");
    EXPECT_EQ(r.GetInteger(3), Record::kNullInteger);
}

// The installer reads record text as a decimal number that wraps to 32
// bits: its own tests read "1000000000000000" as -1530494976 and
// "4294967297" as 1, and refuse "+1", " 42" and "42 ".
TEST(Record, IntegerTextParsing) {
    int32_t v = 0;
    EXPECT_TRUE(ParseRecordInteger("-2147483648", v));
    EXPECT_EQ(v, INT32_MIN);
    EXPECT_TRUE(ParseRecordInteger("2147483647", v));
    EXPECT_EQ(v, INT32_MAX);
    EXPECT_TRUE(ParseRecordInteger("2147483648", v));
    EXPECT_EQ(v, INT32_MIN);
    EXPECT_TRUE(ParseRecordInteger("1000000000000000", v));
    EXPECT_EQ(v, -1530494976);
    EXPECT_TRUE(ParseRecordInteger("4294967297", v));
    EXPECT_EQ(v, 1);
    EXPECT_TRUE(ParseRecordInteger("-4294967297", v));
    EXPECT_EQ(v, -1);
    // A long run of digits wraps too, without overflowing anything.
    EXPECT_TRUE(ParseRecordInteger(std::string(500, '9'), v));
    for (const char* text : {"", "-", "+1", " 1", "1 ", "4x2", "1.0", "0x42", "--1"})
        EXPECT_FALSE(ParseRecordInteger(text, v)) << text;
}

TEST(Record, ReadingPastTheEndGivesZeroBytes) {
    Record r(1);
    r.SetStream(1, std::make_shared<MemoryStreamSource>(std::vector<std::byte>(5)));
    std::byte buf[8];
    auto n = r.ReadStream(1, buf);
    ASSERT_TRUE(n.ok());
    EXPECT_EQ(*n, 5u);
    n = r.ReadStream(1, buf);
    ASSERT_TRUE(n.ok());
    EXPECT_EQ(*n, 0u);
    EXPECT_FALSE(r.ReadStream(0, buf).ok());
}

}  // namespace
}  // namespace msi::db
