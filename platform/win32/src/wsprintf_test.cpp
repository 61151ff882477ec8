#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include <mbstring.h>

#include "win32/format.h"

namespace {

// wsprintfA into a buffer of the size Windows promises, as a string.
template <typename... Args>
std::string Sprintf(const char* format, Args... args) {
    char buffer[1024];
    int length = wsprintfA(buffer, format, args...);
    EXPECT_EQ(static_cast<size_t>(length), std::strlen(buffer));
    return buffer;
}

TEST(Wsprintf, IntegerConversions) {
    EXPECT_EQ(Sprintf("%d %i %u", -42, 7, 3000000000u), "-42 7 3000000000");
    EXPECT_EQ(Sprintf("%x %X", 0xBEEFu, 0xBEEFu), "beef BEEF");
    EXPECT_EQ(Sprintf("%d", INT_MIN), "-2147483648");
    EXPECT_EQ(Sprintf("%u", -1), "4294967295");
}

TEST(Wsprintf, SizePrefixesMeanWindowsWidths) {
    LONG value = -5;
    EXPECT_EQ(Sprintf("%ld %lu %lx", value, 4000000000u, 0xFFFFFFFFu), "-5 4000000000 ffffffff");
    EXPECT_EQ(Sprintf("%hd %hu %hx", 0x1FFFF, 0x12345, 0xABCDEF), "-1 9029 cdef");
    EXPECT_EQ(Sprintf("%I64d %I64X", -1234567890123LL, 0x123456789ABCULL),
              "-1234567890123 123456789ABC");
}

TEST(Wsprintf, FlagsWidthAndPrecision) {
    EXPECT_EQ(Sprintf("[%5d][%-5d][%05d]", 42, 42, -42), "[   42][42   ][-0042]");
    EXPECT_EQ(Sprintf("[%#x][%#X][%#06x]", 255u, 255u, 255u), "[0xff][0XFF][0x00ff]");
    EXPECT_EQ(Sprintf("[%.3d]", 5), "[005]");
    EXPECT_EQ(Sprintf("[%8s][%-8s][%.3s]", "abc", "abc", "abcdef"), "[     abc][abc     ][abc]");
    EXPECT_EQ(Sprintf("[%3c][%-3c]", 'x', 'y'), "[  x][y  ]");
}

TEST(Wsprintf, StringsAndCharacters) {
    EXPECT_EQ(Sprintf("%s=%c", "key", 'v'), "key=v");
    EXPECT_EQ(Sprintf("%s", static_cast<const char*>(nullptr)), "(null)");
    EXPECT_EQ(Sprintf("%hs", "narrow"), "narrow");
    const WCHAR wide[] = {'w', 0xE9, 0x20AC, 0};  // "wé€"
    EXPECT_EQ(Sprintf("%ls|%S", wide, wide), "w\xC3\xA9\xE2\x82\xAC|w\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(Sprintf("%lc", 0xE9), "\xC3\xA9");
}

TEST(Wsprintf, PointerShowsAllDigits) {
    EXPECT_EQ(Sprintf("%p", reinterpret_cast<void*>(0xABC)), "0000000000000ABC");
}

TEST(Wsprintf, PercentSignsAndUnknownConversions) {
    EXPECT_EQ(Sprintf("100%%"), "100%");
    EXPECT_EQ(Sprintf("%f|%d", 7), "%f|7");  // no floating point; the next argument stays
    EXPECT_EQ(Sprintf("end%"), "end");
}

TEST(Wsprintf, OutputIsCutAt1024BytesWithTerminator) {
    std::string long_text(3000, 'x');
    char buffer[1024];
    int length = wsprintfA(buffer, "%s", long_text.c_str());
    EXPECT_EQ(length, 1023);
    EXPECT_EQ(std::string(buffer), std::string(1023, 'x'));
}

TEST(Wsprintf, CutNeverSplitsAUtf8Character) {
    ASSERT_EQ(_setmbcp(65001), 0);
    std::string text(1022, 'x');
    text += "\xE2\x82\xAC";  // bytes 1022-1024: would straddle the limit
    char buffer[1024];
    EXPECT_EQ(wsprintfA(buffer, "%s", text.c_str()), 1022);
    EXPECT_EQ(std::string(buffer), std::string(1022, 'x'));
}

TEST(Wsprintf, NullFormatGivesEmptyText) {
    char buffer[8] = "stale";
    EXPECT_EQ(wsprintfA(buffer, nullptr), 0);
    EXPECT_STREQ(buffer, "");
}

}  // namespace
