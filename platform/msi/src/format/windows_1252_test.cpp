#include "format/windows_1252.h"

#include <gtest/gtest.h>

#include <string>

#include "format/code_page.h"

namespace msi::format {
namespace {

TEST(Windows1252Test, TypographicBytesDecodeToTheirCharacters) {
    EXPECT_EQ(Windows1252ToUtf8("\x80\x96\x99\x9F"),
              "\xE2\x82\xAC\xE2\x80\x93\xE2\x84\xA2\xC5\xB8");
    EXPECT_EQ(Windows1252ToUtf8("caf\xE9 \xA0\xFF"), "caf\xC3\xA9 \xC2\xA0\xC3\xBF");
    EXPECT_EQ(Windows1252ToUtf8("plain"), "plain");
}

TEST(Windows1252Test, EveryByteStringSurvivesDecodingAndEncoding) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const std::string text = Windows1252ToUtf8(all);
    // The five bytes the code page leaves undefined become C1 controls.
    EXPECT_NE(text.find("\xC2\x81"), std::string::npos);
    EXPECT_NE(text.find("\xC2\x9D"), std::string::npos);
    Result<std::string> back = Utf8ToWindows1252(text);
    ASSERT_TRUE(back.ok()) << back.status().ToString();
    EXPECT_EQ(*back, all);
}

TEST(Windows1252Test, CharactersTheCodePageLacksAndBadUtf8AreRefused) {
    EXPECT_EQ(Utf8ToWindows1252("\xCE\xA9").status().kind(), Status::Kind::kUnsupported);
    EXPECT_EQ(Utf8ToWindows1252("ok \xE4\xB8\xAD").status().message(),
              "character at byte 3 has no form in code page 1252");
    EXPECT_EQ(Utf8ToWindows1252("caf\xE9").status().message(), "malformed UTF-8 at byte 3");
    // A C1 control that is not one of the five undefined bytes has no byte.
    EXPECT_FALSE(Utf8ToWindows1252("\xC2\x80").ok());
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
    EXPECT_FALSE(DatabaseToProcess("abc", 37).ok());
}

}  // namespace
}  // namespace msi::format
