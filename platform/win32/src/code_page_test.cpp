#include "win32/codepage.h"

#include <gtest/gtest.h>

#include <mbstring.h>

namespace {

// Leaves the process code page as the test found it.
class CodePageTest : public ::testing::Test {
  protected:
    void TearDown() override { win32::SetProcessCodePage(CP_UTF8); }
};

const char kCp1252Sample[] = "\xE9\x80\x96";                            // é € –
const char kUtf8Sample[] = "\xC3\xA9\xE2\x82\xAC\xE2\x80\x93";          // é € –
const char kUtf8Japanese[] = "\xE6\x97\xA5\xE6\x9C\xAC\\\xE8\xA1\xA8";  // 日本\表
const char kCp932Japanese[] = "\x93\xFA\x96\x7B\\\x95\x5C";             // 日本\表

TEST_F(CodePageTest, ProcessCodePageIsUtf8ByDefault) {
    EXPECT_EQ(GetACP(), 65001u);
    EXPECT_EQ(win32::ProcessCodePage(), 65001u);
}

TEST_F(CodePageTest, WindowsCodePagesAreKnown) {
    for (UINT cp : {874u, 932u, 936u, 949u, 950u, 1250u, 1251u, 1252u, 1253u, 1254u, 1255u, 1256u,
                    1257u, 1258u, 20127u, 65001u}) {
        EXPECT_TRUE(win32::IsKnownCodePage(cp)) << cp;
    }
    EXPECT_FALSE(win32::IsKnownCodePage(12345));
}

TEST_F(CodePageTest, Cp1252ConvertsBothWaysWithoutLoss) {
    std::string utf8, back;
    ASSERT_TRUE(win32::ConvertCodePage(kCp1252Sample, 1252, CP_UTF8, utf8));
    EXPECT_EQ(utf8, kUtf8Sample);
    ASSERT_TRUE(win32::ConvertCodePage(utf8, CP_UTF8, 1252, back));
    EXPECT_EQ(back, kCp1252Sample);
}

// The bytes a single-byte page leaves undefined read as the C1 control of
// the same value and write back as the byte, as Windows converts them; a
// page that has a character at that byte still refuses the control.
TEST_F(CodePageTest, UndefinedBytesOfAPageAreTheirC1Controls) {
    struct Gap {
        UINT page;
        char byte;
    };
    for (const Gap& gap :
         {Gap{1252, '\x81'}, Gap{1252, '\x8D'}, Gap{1252, '\x8F'}, Gap{1252, '\x90'},
          Gap{1252, '\x9D'}, Gap{1250, '\x98'}, Gap{1251, '\x98'}, Gap{1255, '\x8A'},
          Gap{874, '\x99'}, Gap{1253, '\x9F'}}) {  // the last C1 control
        SCOPED_TRACE(std::to_string(gap.page) + " " + std::to_string(gap.byte & 0xFF));
        const std::string bytes = std::string("a") + gap.byte;
        const std::string text = std::string("a\xC2") + gap.byte;
        std::string utf8, back;
        ASSERT_TRUE(win32::ConvertCodePage(bytes, gap.page, CP_UTF8, utf8));
        EXPECT_EQ(utf8, text);
        ASSERT_TRUE(win32::ConvertCodePage(utf8, CP_UTF8, gap.page, back));
        EXPECT_EQ(back, bytes);
    }
    std::string utf8, bytes;
    ASSERT_TRUE(win32::ConvertCodePage("x\x81\xE9\x9D", 1252, CP_UTF8, utf8));
    EXPECT_EQ(utf8, "x\xC2\x81\xC3\xA9\xC2\x9D");
    // Between two pages that both leave the byte undefined it stays itself.
    ASSERT_TRUE(win32::ConvertCodePage("\x81", 1252, 1250, bytes));
    EXPECT_EQ(bytes, "\x81");
    EXPECT_FALSE(win32::ConvertCodePage("\x81", 1252, 1251, bytes));  // 0x81 is a letter there
    EXPECT_FALSE(win32::ConvertCodePage("\xC2\x80", CP_UTF8, 1252, bytes));  // 0x80 is the euro
    EXPECT_FALSE(win32::ConvertCodePage("\x81", CP_UTF8, 1252, bytes));      // malformed UTF-8
    EXPECT_FALSE(win32::ConvertCodePage("\x80", CP_UTF8, 932, bytes));  // 932 is no page with gaps
}

TEST_F(CodePageTest, ZeroMeansTheProcessCodePage) {
    std::string out;
    ASSERT_TRUE(win32::ConvertCodePage(kCp1252Sample, 1252, CP_ACP, out));
    EXPECT_EQ(out, kUtf8Sample);
}

TEST_F(CodePageTest, Cp932RoundTripKeepsTrailBytesThatLookLikeBackslashes) {
    std::string sjis, utf8;
    ASSERT_TRUE(win32::ConvertCodePage(kUtf8Japanese, CP_UTF8, 932, sjis));
    EXPECT_EQ(sjis, kCp932Japanese);
    ASSERT_TRUE(win32::ConvertCodePage(sjis, 932, CP_UTF8, utf8));
    EXPECT_EQ(utf8, kUtf8Japanese);
}

TEST_F(CodePageTest, InvalidInputIsReportedWithTheConvertedPrefix) {
    std::string out;
    EXPECT_FALSE(win32::ConvertCodePage("ab\xC3\x28", CP_UTF8, 1252, out));
    EXPECT_EQ(out, "ab");
    EXPECT_FALSE(win32::ConvertCodePage("x\xAA", 1253, CP_UTF8, out));  // 0xAA is unassigned
    EXPECT_FALSE(win32::ConvertCodePage("\x93", 932, CP_UTF8, out));    // lead byte cut short
    EXPECT_FALSE(win32::ConvertCodePage("\xE6\x97\xA5", CP_UTF8, 1252, out));  // no 日 in 1252
    EXPECT_FALSE(win32::ConvertCodePage("\xFF", CP_UTF8, CP_UTF8, out));
}

// Plain ASCII text is copied without iconv only between pages that keep it
// as it is; pages that spell ASCII otherwise still convert it.
TEST_F(CodePageTest, AsciiTextConvertsExactlyInEveryPage) {
    const std::string ascii = "Product+Name [1] \\ ~";
    std::string out;
    for (UINT cp : {1252u, 932u, 20127u, 65001u}) {
        ASSERT_TRUE(win32::ConvertCodePage(ascii, cp, CP_UTF8, out)) << cp;
        EXPECT_EQ(out, ascii) << cp;
    }
    ASSERT_TRUE(win32::ConvertCodePage("A+", CP_UTF8, 65000, out));
    EXPECT_EQ(out, "A+-");
    ASSERT_TRUE(win32::ConvertCodePage("Ab", CP_UTF8, 1200, out));
    EXPECT_EQ(out, std::string("A\0b\0", 4));
    ASSERT_TRUE(win32::ConvertCodePage(std::string("A\0b\0", 4), 1200, CP_UTF8, out));
    EXPECT_EQ(out, "Ab");
    // A stateful page closes its last shift, back to ASCII; the same pair
    // again after a text that is not ASCII: the cached converter starts from
    // its initial state.
    ASSERT_TRUE(win32::ConvertCodePage(kUtf8Japanese, CP_UTF8, 50220, out));
    EXPECT_EQ(out, "\x1B$BF|K\\\x1B(B\\\x1B$BI=\x1B(B");
    ASSERT_TRUE(win32::ConvertCodePage("abc", CP_UTF8, 50220, out));
    EXPECT_EQ(out, "abc");
}

// Whether ASCII text may be copied rather than converted, as iconv answers it.
TEST_F(CodePageTest, CodePagesShareAsciiWhereEveryAsciiByteIsItself) {
    for (const UINT cp : {1252u, 932u, 20127u}) {
        EXPECT_TRUE(win32::CodePagesShareAscii(cp, CP_UTF8)) << cp;
        EXPECT_TRUE(win32::CodePagesShareAscii(CP_UTF8, cp)) << cp;
    }
    EXPECT_FALSE(win32::CodePagesShareAscii(CP_UTF8, 65000));  // '+' is "+-"
    EXPECT_FALSE(win32::CodePagesShareAscii(CP_UTF8, 1200));
    // The answer kept for the last pair is not another pair's of one side.
    EXPECT_TRUE(win32::CodePagesShareAscii(1252, CP_UTF8));
    EXPECT_FALSE(win32::CodePagesShareAscii(1200, CP_UTF8));
    EXPECT_FALSE(win32::CodePagesShareAscii(CP_UTF8, 12345));
}

TEST_F(CodePageTest, UnknownCodePageFails) {
    std::string out = "stale";
    EXPECT_FALSE(win32::ConvertCodePage("abc", 12345, CP_UTF8, out));
    EXPECT_TRUE(out.empty());
}

// The output starts at twice the input and grows when text needs more: the
// euro sign is one byte in 1252 and three in UTF-8. Seventeen of them leave
// one byte free for a C1 control that needs two.
TEST_F(CodePageTest, LongTextGrowsTheOutput) {
    std::string utf8;
    std::string euros;
    for (int i = 0; i < 100; ++i) euros += "\xE2\x82\xAC";
    ASSERT_TRUE(win32::ConvertCodePage(std::string(100, '\x80'), 1252, CP_UTF8, utf8));
    EXPECT_EQ(utf8, euros);
    ASSERT_TRUE(win32::ConvertCodePage(std::string(17, '\x80') + "\x81", 1252, CP_UTF8, utf8));
    EXPECT_EQ(utf8, euros.substr(0, 17 * 3) + "\xC2\x81");
}

TEST_F(CodePageTest, EmptyTextConverts) {
    std::string out = "stale";
    EXPECT_TRUE(win32::ConvertCodePage("", 932, CP_UTF8, out));
    EXPECT_TRUE(out.empty());
}

TEST_F(CodePageTest, SetProcessCodePageIsSharedWithSetmbcp) {
    ASSERT_TRUE(win32::SetProcessCodePage(932));
    EXPECT_EQ(_getmbcp(), 932);
    EXPECT_EQ(GetACP(), 932u);
    ASSERT_EQ(_setmbcp(65001), 0);
    EXPECT_EQ(win32::ProcessCodePage(), 65001u);
    EXPECT_FALSE(win32::SetProcessCodePage(12345));
    EXPECT_FALSE(win32::SetProcessCodePage(CP_ACP));
    EXPECT_FALSE(win32::SetProcessCodePage(1200));  // UTF-16 is no byte-string code page
    EXPECT_EQ(win32::ProcessCodePage(), 65001u);
}

// Whether ASCII text of a page reads as itself is known without loading the
// page's converter; what iconv does with the 128 ASCII bytes must agree, for
// every page we name, in both directions and between two such pages.
TEST_F(CodePageTest, AsciiIsItselfExactlyWhereIconvKeepsIt) {
    std::string ascii;
    for (int c = 0; c < 0x80; ++c) ascii += static_cast<char>(c);
    auto iconv_keeps = [&ascii](UINT from, UINT to) {
        std::string out;
        return win32::ConvertCodePage(ascii, from, to, out) && out == ascii;
    };
    const UINT pages[] = {437,   850,   852,   866,   874,   932,   936,   949,   950,
                          1200,  1201,  1250,  1251,  1252,  1253,  1254,  1255,  1256,
                          1257,  1258,  10000, 12000, 12001, 20127, 20866, 20932, 21866,
                          28591, 28592, 28593, 28594, 28595, 28596, 28597, 28598, 28599,
                          28603, 28605, 50220, 51932, 51936, 51949, 54936, 65000, 65001};
    for (UINT page : pages) {
        SCOPED_TRACE(page);
        EXPECT_EQ(win32::CodePagesShareAscii(page, CP_UTF8), iconv_keeps(page, CP_UTF8));
        EXPECT_EQ(win32::CodePagesShareAscii(CP_UTF8, page), iconv_keeps(CP_UTF8, page));
        EXPECT_EQ(win32::CodePagesShareAscii(page, 1252), iconv_keeps(page, 1252));
    }
    EXPECT_FALSE(win32::CodePagesShareAscii(12345, CP_UTF8));  // no converter at all
}

}  // namespace
