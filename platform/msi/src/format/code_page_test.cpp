#include "format/code_page.h"

#include <gtest/gtest.h>

#include <string>

#include "win32/codepage.h"

namespace msi::format {
namespace {

// Every byte string reads as text and that text writes back as the same
// bytes, in the neutral code page (read as 1252) and in 1252 itself: the five
// bytes 1252 leaves undefined are the C1 controls of the same value, as the
// installer reads them, never raw bytes that are not UTF-8.
TEST(CodePageTest, EveryByteStringSurvivesReadingAndWritingAs1252) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    for (uint32_t code_page : {kNeutralCodePage, 1252u}) {
        SCOPED_TRACE(code_page);
        Result<std::string> text = DatabaseToProcess(all, code_page);
        ASSERT_TRUE(text.ok()) << text.status().ToString();
        EXPECT_NE(text->find("\xC2\x81"), std::string::npos);
        EXPECT_NE(text->find("\xC2\x9D"), std::string::npos);
        EXPECT_NE(text->find("\xE2\x82\xAC"), std::string::npos);
        Result<std::string> back = ProcessToDatabase(*text, code_page);
        ASSERT_TRUE(back.ok()) << back.status().ToString();
        EXPECT_EQ(*back, all);
    }
    // A C1 control that is not one of the five has no byte in 1252.
    EXPECT_FALSE(ProcessToDatabase("\xC2\x80", 1252).ok());
}

// The neutral code page through the engine's conversions (code_page.h): what
// a package built elsewhere holds reads as the peers read it, and what we
// write reads the same there whenever 1252 can say it unambiguously.
TEST(NeutralCodePageTest, NonUtf8BytesReadAsWindows1252AndTextIsWrittenSo) {
    Result<std::string> text = DatabaseToProcess("Cr\xE8me \x80 \x81", kNeutralCodePage);
    ASSERT_TRUE(text.ok());
    EXPECT_EQ(*text, "Cr\xC3\xA8me \xE2\x82\xAC \xC2\x81");
    Result<std::string> bytes = ProcessToDatabase(*text, kNeutralCodePage);
    ASSERT_TRUE(bytes.ok());
    EXPECT_EQ(*bytes, "Cr\xE8me \x80 \x81");
    // The lowest byte that is not ASCII, alone and after a whole word of ASCII.
    EXPECT_EQ(*DatabaseToProcess("\x80", kNeutralCodePage), "\xE2\x82\xAC");
    EXPECT_EQ(*DatabaseToProcess("12345678\x80", kNeutralCodePage), "12345678\xE2\x82\xAC");
}

TEST(NeutralCodePageTest, Utf8BytesPassThroughAndTextWithoutAClear1252FormIsWrittenAsUtf8) {
    EXPECT_EQ(*DatabaseToProcess("caf\xC3\xA9", kNeutralCodePage), "caf\xC3\xA9");
    // A character 1252 lacks.
    EXPECT_EQ(*ProcessToDatabase("\xD0\x96", kNeutralCodePage), "\xD0\x96");
    // "Ã©" in 1252 is C3 A9, which would read back as "é".
    EXPECT_EQ(*ProcessToDatabase("\xC3\x83\xC2\xA9", kNeutralCodePage), "\xC3\x83\xC2\xA9");
    EXPECT_EQ(*DatabaseToProcess("\xC3\x83\xC2\xA9", kNeutralCodePage), "\xC3\x83\xC2\xA9");
    EXPECT_EQ(*ProcessToDatabase("plain", kNeutralCodePage), "plain");
}

// A process whose own code page is not UTF-8 has its text in that page, and
// the neutral code page takes it as it is both ways: "\xC3\xA9", two
// katakana in 932, is not the UTF-8 of "é" there.
TEST(NeutralCodePageTest, TextOfAProcessWithAnotherCodePageIsTakenAsItIs) {
    EXPECT_TRUE(ReadsAsItself("caf\xC3\xA9", kNeutralCodePage));
    EXPECT_FALSE(ReadsAsItself("caf\xE9", kNeutralCodePage));
    ASSERT_TRUE(win32::SetProcessCodePage(932));
    const std::string katakana = "\xC3\xA9";
    EXPECT_TRUE(ReadsAsItself(katakana, kNeutralCodePage));
    EXPECT_TRUE(WritesAsItself(katakana, kNeutralCodePage));
    const Result<std::string> text = DatabaseToProcess(katakana, kNeutralCodePage);
    const Result<std::string> bytes = ProcessToDatabase(katakana, kNeutralCodePage);
    ASSERT_TRUE(win32::SetProcessCodePage(CP_UTF8));
    EXPECT_EQ(*text, katakana);
    EXPECT_EQ(*bytes, katakana);
}

// The short cut that skips converting must agree with converting: ASCII text
// reads and writes as itself exactly where the code page keeps ASCII.
TEST(DeclaredCodePageTest, AsciiIsTakenAsItselfOnlyWhereTheCodePageKeepsIt) {
    for (uint32_t code_page : {1252u, 932u, 1251u, 65001u}) {
        EXPECT_TRUE(ReadsAsItself("Feature_1 [ProgramFilesFolder]", code_page)) << code_page;
        EXPECT_TRUE(WritesAsItself("Feature_1 [ProgramFilesFolder]", code_page)) << code_page;
        EXPECT_FALSE(ReadsAsItself("caf\xE9", code_page)) << code_page;
        EXPECT_EQ(*DatabaseToProcess("Feature_1", code_page), "Feature_1") << code_page;
    }
    // UTF-7 spells '+' as "+-", and an unknown page is never taken as itself.
    EXPECT_FALSE(ReadsAsItself("a+b", 65000));
    EXPECT_FALSE(WritesAsItself("a+b", 65000));
    EXPECT_EQ(*ProcessToDatabase("a+b", 65000), "a+-b");
    EXPECT_FALSE(ReadsAsItself("abc", 37));
    // The text ends where its view ends, whatever follows it.
    EXPECT_TRUE(ReadsAsItself(std::string_view("Feature\xE9", 7), 1252));
    // Text is read eight bytes at a time: a byte beyond ASCII in the second
    // eight is seen, whatever lies before the view.
    const std::string after_dots = "........Feature_1 [\xE9]xyz";
    EXPECT_FALSE(ReadsAsItself(std::string_view(after_dots).substr(8), 1252));
    EXPECT_FALSE(DatabaseToProcess("abc", 37).ok());
}

// What a package may declare: the list peers accept, its ends included.
TEST(DeclaredCodePageTest, ValidCodePagesAreThoseOfTheList) {
    for (uint32_t code_page : {0u, 37u, 1252u, 65001u})
        EXPECT_TRUE(IsValidDatabaseCodePage(code_page)) << code_page;
    for (uint32_t code_page : {1u, 36u, 1200u, 65002u})
        EXPECT_FALSE(IsValidDatabaseCodePage(code_page)) << code_page;
}

}  // namespace
}  // namespace msi::format
