#include "text_escape.h"

#include <gtest/gtest.h>

namespace {

using cli::EscapeCell;
using cli::EscapeMessage;
using cli::JsonString;

bool HasControlBytes(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) return true;
        if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) <= 0x9F)
            return true;
    }
    return false;
}

TEST(EscapeCellTest, TheFourShortEscapesKeepEachCellOnOneLine) {
    EXPECT_EQ(EscapeCell("reg1\tHKLM"), "reg1\\tHKLM");
    EXPECT_EQ(EscapeCell("line1\r\nline2"), "line1\\r\\nline2");
    EXPECT_EQ(EscapeCell("C:\\Program Files"), "C:\\\\Program Files");
    EXPECT_EQ(EscapeCell(""), "");
}

TEST(EscapeCellTest, EveryOtherControlCharacterIsWrittenVisibly) {
    // ESC, BEL, BS, NUL, DEL: what could erase or retitle on a terminal.
    EXPECT_EQ(EscapeCell(std::string("a\x1b[2Kb\x07\x08\0\x7f", 10)),
              "a\\x1b[2Kb\\x07\\x08\\x00\\x7f");
    // C1 controls written in UTF-8: CSI (U+009B) and NEL (U+0085).
    EXPECT_EQ(EscapeCell("x\xC2\x9B"
                         "2J\xC2\x85y"),
              "x\\u009b2J\\u0085y");
    // A lone byte that is no UTF-8 (CSI in an 8-bit code page), and a lead
    // byte whose sequence breaks off at its third byte.
    EXPECT_EQ(EscapeCell("\x9b"
                         "2J"),
              "\\x9b2J");
    EXPECT_EQ(EscapeCell("\xE2\x82"
                         "A"),
              "\\xe2\\x82A");
}

TEST(EscapeCellTest, PrintableTextIsLeftAlone) {
    // U+00A0 and "é" are C2/C3 sequences beyond the C1 range.
    EXPECT_EQ(EscapeCell("caf\xC3\xA9 \xC2\xA0 \"q\" 100% \xE2\x82\xAC"),
              "caf\xC3\xA9 \xC2\xA0 \"q\" 100% \xE2\x82\xAC");
    // Sequences side by side; U+07FF is the last two-byte form, U+FFFD one
    // of the last three-byte lead, U+40000 a four-byte one after the first
    // lead byte, U+10FFFF the last there is.
    const std::string text =
        "\xC3\xA9\xE2\x82\xAC\xDF\xBF\xEF\xBF\xBD\xF1\x80\x80\x80\xF4\x8F\xBF\xBF";
    EXPECT_EQ(EscapeCell(text), text);
    EXPECT_EQ(JsonString(text), "\"" + text + "\"");
}

TEST(EscapeCellTest, EveryByteValueReadsBackExactlyAndNoControlIsLeft) {
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    all += "\xC2\x80\xC2\x9F\xC2\xA0\xE2\x82\xAC";  // first and last C1, then printable
    const std::string escaped = EscapeCell(all);
    EXPECT_FALSE(HasControlBytes(escaped)) << escaped;
    EXPECT_EQ(escaped.find('\t'), std::string::npos);
    std::string back;
    ASSERT_TRUE(cli::UnescapeCell(escaped, back)) << escaped;
    EXPECT_EQ(back, all);
}

TEST(UnescapeCellTest, ReadsEachEscapeAndRefusesWhatNoCellHolds) {
    std::string cell;
    ASSERT_TRUE(cli::UnescapeCell("a\\tb\\\\c\\x1b\\u009b\\x00", cell));
    EXPECT_EQ(cell, std::string("a\tb\\c\x1b\xC2\x9B\0", 9));
    for (const char* bad : {"end\\", "\\q", "\\x1", "\\xZZ", "\\u0041", "\\u00a0", "\\u009"})
        EXPECT_FALSE(cli::UnescapeCell(bad, cell)) << bad;
    // The text ends where its view ends, not at a NUL after it.
    EXPECT_FALSE(cli::UnescapeCell(std::string_view("\\x1b", 3), cell));
}

TEST(EscapeMessageTest, KeepsTheMessagesOwnLinesTabsAndBackslashes) {
    EXPECT_EQ(EscapeMessage("Error opening MSI database!\n\n\t- File is read-only.\tC:\\x"),
              "Error opening MSI database!\n\n\t- File is read-only.\tC:\\x");
    EXPECT_EQ(EscapeMessage("Can't export table \x1b[2J!\r"), "Can't export table \\x1b[2J!\\r");
    EXPECT_EQ(EscapeMessage("\xC2\x9B\x9B"), "\\u009b\\x9b");
}

TEST(JsonStringTest, EscapesQuotesBackslashesAndEveryControlCharacter) {
    EXPECT_EQ(JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(JsonString("k1\tk2\r\n"), "\"k1\\tk2\\r\\n\"");
    EXPECT_EQ(JsonString(std::string("\x01\x1f\x1b\x7f", 4)), "\"\\u0001\\u001f\\u001b\\u007f\"");
    EXPECT_EQ(JsonString("\xC2\x9B\xC2\x85"), "\"\\u009b\\u0085\"");
    // A blank is a value (a null key in a row), not null.
    EXPECT_EQ(JsonString(" "), "\" \"");
}

TEST(JsonStringTest, KeepsUtf8AndReplacesBytesThatAreNotUtf8) {
    EXPECT_EQ(JsonString("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"),
              "\"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80\"");
    // A cp1252 "é" alone, a stray continuation byte, an overlong "/", a
    // surrogate, a sequence cut short, and a code point beyond U+10FFFF.
    EXPECT_EQ(JsonString("caf\xE9"), "\"caf\\ufffd\"");
    EXPECT_EQ(JsonString("\x80x"), "\"\\ufffdx\"");
    EXPECT_EQ(JsonString("\xC0\xAF"), "\"\\ufffd\\ufffd\"");
    EXPECT_EQ(JsonString("\xED\xA0\x80"), "\"\\ufffd\\ufffd\\ufffd\"");
    EXPECT_EQ(JsonString("\xE2\x82"), "\"\\ufffd\\ufffd\"");
    EXPECT_EQ(JsonString("\xF4\x90\x80\x80"), "\"\\ufffd\\ufffd\\ufffd\\ufffd\"");
    // No lead byte beyond F4; overlong three- and four-byte forms.
    EXPECT_EQ(JsonString("\xF5\x80\x80\x80"), "\"\\ufffd\\ufffd\\ufffd\\ufffd\"");
    EXPECT_EQ(JsonString("\xE0\x9F\xBF"), "\"\\ufffd\\ufffd\\ufffd\"");
    EXPECT_EQ(JsonString("\xF0\x8F\xBF\xBF"), "\"\\ufffd\\ufffd\\ufffd\\ufffd\"");
}

TEST(DisplayWidthTest, CountsCharactersNotBytes) {
    EXPECT_EQ(cli::DisplayWidth("caf\xC3\xA9"), 4u);
    EXPECT_EQ(cli::DisplayWidth("\xE2\x82\xAC\xF0\x9F\x98\x80"), 2u);
    EXPECT_EQ(cli::DisplayWidth(""), 0u);
}

}  // namespace
