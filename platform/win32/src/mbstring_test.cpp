#include <mbstring.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "win32/codepage.h"

namespace {

const unsigned char* U(const char* s) {
    return reinterpret_cast<const unsigned char*>(s);
}

class MbstringUtf8 : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(_setmbcp(65001), 0); }
};

// In code page 932 the trail byte of 表 (0x95 0x5C) and ソ (0x83 0x5C) is
// the byte of '\', which is why these functions step by characters.
class Mbstring932 : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(_setmbcp(932), 0); }
    void TearDown() override { _setmbcp(65001); }
};

const char kHyou[] = "\x95\x5C";  // 表
const char kSo[] = "\x83\x5C";    // ソ

TEST_F(MbstringUtf8, LeadBytesStartMultibyteSequences) {
    EXPECT_TRUE(_ismbblead(0xC3));
    EXPECT_TRUE(_ismbblead(0xE2));
    EXPECT_FALSE(_ismbblead('A'));
    EXPECT_FALSE(_ismbblead(0xA9));  // continuation byte
    EXPECT_FALSE(_ismbblead(0xC0));  // can only start an overlong form
}

TEST_F(MbstringUtf8, LengthCountsWholeSequences) {
    EXPECT_EQ(_mbslen(U("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z")), 5u);  // a é € 😀 z
    EXPECT_EQ(_mbslen(U("")), 0u);
}

TEST_F(MbstringUtf8, MalformedBytesCountAsSingleCharacters) {
    EXPECT_EQ(_mbslen(U("\xC3(")), 2u);         // lead without continuation
    EXPECT_EQ(_mbslen(U("\x80\x80")), 2u);      // stray continuation bytes
    EXPECT_EQ(_mbslen(U("\xE2\x82")), 2u);      // cut short by the terminator
    EXPECT_EQ(_mbslen(U("\xC0\xAF")), 2u);      // overlong '/'
    EXPECT_EQ(_mbslen(U("\xED\xA0\x80")), 3u);  // surrogate
}

TEST_F(MbstringUtf8, IncAndDecStepOverWholeCharacters) {
    const char* s =
        "a\xE2\x82\xAC"
        "b";
    EXPECT_EQ(_mbsinc(s), s + 1);
    EXPECT_EQ(_mbsinc(s + 1), s + 4);
    EXPECT_EQ(_mbsdec(s, s + 4), s + 1);
    EXPECT_EQ(_mbsdec(s, s + 1), s);
    EXPECT_EQ(_mbsdec(s, s), nullptr);
}

TEST_F(MbstringUtf8, DecStepsOverStrayContinuationBytesOneAtATime) {
    const char* s = "a\x80\x80";
    EXPECT_EQ(_mbsdec(s, s + 3), s + 2);
    EXPECT_EQ(_mbsdec(s, s + 2), s + 1);
    const char* t = "\xC3\xA9\x80";  // é then a stray continuation byte
    EXPECT_EQ(_mbsdec(t, t + 3), t + 2);
    EXPECT_EQ(_mbsdec(t, t + 2), t);
}

TEST_F(MbstringUtf8, ChrAndRchrFindCharactersByValue) {
    const char* s = "x\xC3\xA9y\xC3\xA9";
    EXPECT_EQ(_mbschr(s, 0xC3A9), s + 1);
    EXPECT_EQ(_mbsrchr(s, 0xC3A9), s + 4);
    EXPECT_EQ(_mbschr(s, 0xA9), nullptr);  // never the middle of a character
    EXPECT_EQ(_mbschr(s, 'y'), s + 3);
    EXPECT_EQ(_mbschr(s, 0), s + std::strlen(s));
}

TEST_F(MbstringUtf8, CaseInsensitiveComparisonFoldsAsciiOnly) {
    EXPECT_EQ(_mbsicmp("Setup.MSI", "setup.msi"), 0);
    EXPECT_NE(_mbsicmp("\xC3\xA9", "\xC3\x89"), 0);  // é and É stay different
    EXPECT_LT(_mbsicmp("abc", "ABD"), 0);
    EXPECT_GT(_mbsicmp("abcd", "ABC"), 0);
    EXPECT_EQ(_mbsnicmp(U("TABLE one"), U("table two"), 6), 0);
    EXPECT_NE(_mbsnicmp(U("TABLE one"), U("table two"), 7), 0);
}

TEST_F(MbstringUtf8, CompareOrdersByCharacterValue) {
    EXPECT_EQ(_mbscmp("abc", "abc"), 0);
    EXPECT_LT(_mbscmp("ab", "abc"), 0);
    EXPECT_GT(_mbscmp("\xC3\xA9", "z"), 0);
}

TEST_F(MbstringUtf8, StrFindsSubstringsAtCharacterStarts) {
    unsigned char text[] = "one two";
    EXPECT_EQ(_mbsstr(text, U("two")), text + 4);
    EXPECT_EQ(_mbsstr(text, U("")), text);
    EXPECT_EQ(_mbsstr(text, U("three")), nullptr);
}

TEST_F(MbstringUtf8, UpperAndLowerChangeAsciiLettersOnly) {
    char text[] = "abc\xC3\xA9xyz";
    _mbsupr(reinterpret_cast<unsigned char*>(text));
    EXPECT_STREQ(text, "ABC\xC3\xA9XYZ");
    _mbslwr(reinterpret_cast<unsigned char*>(text));
    EXPECT_STREQ(text, "abc\xC3\xA9xyz");
}

TEST_F(MbstringUtf8, TokensSplitOnMultibyteDelimiters) {
    char text[] =
        "a\xE2\x80\x93"
        "b,,c";  // delimiters: en dash and comma
    const unsigned char* delims = U("\xE2\x80\x93,");
    auto* s = reinterpret_cast<unsigned char*>(text);
    EXPECT_STREQ(reinterpret_cast<char*>(_mbstok(s, delims)), "a");
    EXPECT_STREQ(reinterpret_cast<char*>(_mbstok(nullptr, delims)), "b");
    EXPECT_STREQ(reinterpret_cast<char*>(_mbstok(nullptr, delims)), "c");
    EXPECT_EQ(_mbstok(nullptr, delims), nullptr);
}

TEST_F(MbstringUtf8, TokenStateIsPerThread) {
    char mine[] = "1 2";
    ASSERT_STREQ(reinterpret_cast<char*>(_mbstok(reinterpret_cast<unsigned char*>(mine), U(" "))),
                 "1");
    std::thread other([] {
        char theirs[] = "x y";
        _mbstok(reinterpret_cast<unsigned char*>(theirs), U(" "));
        _mbstok(nullptr, U(" "));
    });
    other.join();
    EXPECT_STREQ(reinterpret_cast<char*>(_mbstok(nullptr, U(" "))), "2");
}

TEST_F(Mbstring932, LeadBytesFollowTheShiftJisRanges) {
    EXPECT_TRUE(_ismbblead(0x81));
    EXPECT_TRUE(_ismbblead(0x9F));
    EXPECT_TRUE(_ismbblead(0xE0));
    EXPECT_TRUE(_ismbblead(0xFC));
    EXPECT_FALSE(_ismbblead(0xA0));
    EXPECT_FALSE(_ismbblead(0xB1));  // single-byte katakana
    EXPECT_FALSE(_ismbblead(0x5C));
}

TEST_F(Mbstring932, TrailByteIsNotFoundAsBackslash) {
    std::string s = std::string("dir") + kHyou + "x";
    EXPECT_EQ(_mbschr(s.c_str(), '\\'), nullptr);
    EXPECT_EQ(_mbsrchr(s.c_str(), '\\'), nullptr);
    EXPECT_EQ(_mbschr(s.c_str(), 0x955C), s.c_str() + 3);
}

TEST_F(Mbstring932, RchrFindsTheRealLastBackslash) {
    std::string s = std::string("C:\\") + kHyou + "\\" + kSo + "x";
    // C : \ 95 5C \ 83 5C x
    EXPECT_EQ(_mbsrchr(s.c_str(), '\\'), s.c_str() + 5);
    EXPECT_EQ(_mbschr(s.c_str(), '\\'), s.c_str() + 2);
}

TEST_F(Mbstring932, DecStepsBackOverWholeCharacters) {
    std::string s = std::string("a") + kHyou + kSo;  // a 95 5C 83 5C
    const char* p = s.c_str();
    EXPECT_EQ(_mbsdec(p, p + 5), p + 3);
    EXPECT_EQ(_mbsdec(p, p + 3), p + 1);
    EXPECT_EQ(_mbsdec(p, p + 1), p);
}

TEST_F(Mbstring932, DecAfterTrailByteThatLooksLikeLeadByte) {
    // 0x95 0x95 is one character; its trail byte is also a valid lead byte,
    // which only a walk from the start can tell.
    const char s[] = "\x95\x95\x95\x5C";
    EXPECT_EQ(_mbsdec(s, s + 4), s + 2);
    EXPECT_EQ(_mbsdec(s, s + 2), s);
}

TEST_F(Mbstring932, LeadByteBeforeTerminatorStandsAlone) {
    EXPECT_EQ(_mbslen(U("ab\x95")), 3u);
    const char* s = "\x95";
    EXPECT_EQ(_mbsinc(s), s + 1);
}

TEST_F(Mbstring932, UpperLeavesTrailBytesAlone) {
    char text[] = "a\x83\x61z";  // 0x83 0x61 is one character whose trail byte is 'a'
    _mbsupr(reinterpret_cast<unsigned char*>(text));
    EXPECT_STREQ(text, "A\x83\x61Z");
}

TEST_F(Mbstring932, CaseInsensitiveCompareKeepsCharactersWhole) {
    EXPECT_NE(_mbsicmp("\x83\x61", "\x83\x41"), 0);
    EXPECT_EQ(_mbsicmp("X\x83\x61", "x\x83\x61"), 0);
}

TEST_F(Mbstring932, DoubleByteCharactersSortAboveSingleByteKatakana) {
    EXPECT_LT(_mbscmp("\xB1", "\x83\x5C"), 0);
}

TEST_F(Mbstring932, TokensDoNotSplitOnTrailBytes) {
    std::string text = std::string("a\\") + kHyou + "\\b";
    std::string buffer = text;
    auto* s = reinterpret_cast<unsigned char*>(buffer.data());
    EXPECT_STREQ(reinterpret_cast<char*>(_mbstok(s, U("\\"))), "a");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(_mbstok(nullptr, U("\\")))), kHyou);
    EXPECT_STREQ(reinterpret_cast<char*>(_mbstok(nullptr, U("\\"))), "b");
}

TEST(MbstringArguments, NullPointersAreAnsweredNotFollowed) {
    const unsigned char* none = nullptr;
    EXPECT_EQ(_mbsicmp(none, U("a")), _NLSCMPERROR);
    EXPECT_EQ(_mbscmp(U("a"), none), _NLSCMPERROR);
    EXPECT_EQ(_mbschr(none, 'a'), nullptr);
    EXPECT_EQ(_mbsrchr(none, 'a'), nullptr);
    EXPECT_EQ(_mbsstr(none, U("a")), nullptr);
    EXPECT_EQ(_mbsinc(none), nullptr);
    EXPECT_EQ(_mbsdec(none, U("a")), nullptr);
    EXPECT_EQ(_mbslen(none), 0u);
    EXPECT_EQ(_mbsupr(nullptr), nullptr);
    unsigned char text[] = "a b";
    EXPECT_EQ(_mbstok(text, nullptr), nullptr);
}

TEST(MbstringCodePage, SetmbcpRejectsUnknownPagesAndKeepsTheOldOne) {
    ASSERT_EQ(_setmbcp(65001), 0);
    EXPECT_EQ(_setmbcp(12345), -1);
    EXPECT_EQ(_getmbcp(), 65001);
    EXPECT_EQ(_setmbcp(-3), 0);  // the system's ANSI page
    EXPECT_EQ(_getmbcp(), 65001);
}

}  // namespace
