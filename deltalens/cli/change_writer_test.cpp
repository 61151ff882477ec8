#include "change_writer.h"

#include <gtest/gtest.h>

#include <sstream>

#include "change_columns.h"
#include "entry_list.h"
#include "string_array_entry.h"

namespace {

using deltalens::OutputFormat;

class ChangeWriterTest : public testing::Test {
  protected:
    ChangeWriterTest() { deltalens::NameChangeColumns(list_); }

    void Add(const char* table, const char* column, const char* row, const char* data,
             const char* current) {
        list_.AddEntry(new CStringArrayEntry(table, column, row, data, current));
    }

    std::string Write(OutputFormat format) {
        std::ostringstream out;
        deltalens::WriteChanges(list_, format, out);
        return out.str();
    }

    CEntryList list_;
};

// --- tsv ------------------------------------------------------------------------

TEST_F(ChangeWriterTest, TsvStartsWithTheFiveColumnNames) {
    EXPECT_EQ(Write(OutputFormat::kTsv), "Table\tColumn\tRow\tData\tCurrent\n");
}

TEST_F(ChangeWriterTest, TsvWritesOneLinePerEntryInListOrder) {
    Add("Property", "Value", "ProductName", "New", "Old");
    Add("Items", "DELETE", "beta", "", "");
    EXPECT_EQ(Write(OutputFormat::kTsv),
              "Table\tColumn\tRow\tData\tCurrent\n"
              "Property\tValue\tProductName\tNew\tOld\n"
              "Items\tDELETE\tbeta\t\t\n");
}

TEST_F(ChangeWriterTest, TsvEscapesTabsLineBreaksAndBackslashesInsideValues) {
    // A key of two columns is joined by TAB; a value may hold a path and lines.
    Add("Registry", "Value", "reg1\tHKLM", "C:\\Program Files\\x", "line1\r\nline2");
    EXPECT_EQ(Write(OutputFormat::kTsv),
              "Table\tColumn\tRow\tData\tCurrent\n"
              "Registry\tValue\treg1\\tHKLM\tC:\\\\Program Files\\\\x\tline1\\r\\nline2\n");
}

TEST_F(ChangeWriterTest, InvalidEntriesAreNotWritten) {
    Add("Shown", "c", "r", "d", "c");
    auto* hidden = new CStringArrayEntry("Hidden", "c", "r", "d", "c");
    hidden->SetFlags(0x80000000u, true);  // the top flag marks an entry not valid
    list_.AddEntry(hidden);
    EXPECT_EQ(Write(OutputFormat::kTsv), "Table\tColumn\tRow\tData\tCurrent\nShown\tc\tr\td\tc\n");
}

TEST(EscapeCellTest, LeavesOtherBytesAlone) {
    EXPECT_EQ(deltalens::EscapeCell("caf\xC3\xA9 \"q\" 100%"), "caf\xC3\xA9 \"q\" 100%");
    EXPECT_EQ(deltalens::EscapeCell(""), "");
    EXPECT_EQ(deltalens::EscapeCell("\\t"), "\\\\t");
}

// --- table ----------------------------------------------------------------------

TEST_F(ChangeWriterTest, TableOfAnEmptyListIsHeaderAndRule) {
    EXPECT_EQ(Write(OutputFormat::kTable),
              "Table  Column  Row  Data  Current\n"
              "-----  ------  ---  ----  -------\n");
}

TEST_F(ChangeWriterTest, TableAlignsColumnsToTheWidestCell) {
    Add("Property", "Value", "ProductName", "New", "Old");
    Add("Items", "INSERT", "b", "", "");
    EXPECT_EQ(Write(OutputFormat::kTable),
              "Table     Column  Row          Data  Current\n"
              "--------  ------  -----------  ----  -------\n"
              "Property  Value   ProductName  New   Old\n"
              "Items     INSERT  b\n");
}

TEST_F(ChangeWriterTest, TableKeepsABlankThatEndsAValue) {
    // A null key of a row is shown as one blank; it is data, not padding.
    Add("T", "C", " ", "", "");
    Add("Table", "Column", "r", "", "");
    EXPECT_EQ(Write(OutputFormat::kTable),
              "Table  Column  Row  Data  Current\n"
              "-----  ------  ---  ----  -------\n"
              "T      C        \n"
              "Table  Column  r\n");
}

TEST_F(ChangeWriterTest, TableCountsCharactersNotBytes) {
    // "é" is two bytes and one character; "Ж" too.
    Add("T", "C", "caf\xC3\xA9", "\xD0\x96", "x");
    Add("T", "C", "tea", "ab", "y");
    EXPECT_EQ(Write(OutputFormat::kTable),
              "Table  Column  Row   Data  Current\n"
              "-----  ------  ----  ----  -------\n"
              "T      C       caf\xC3\xA9  \xD0\x96     x\n"
              "T      C       tea   ab    y\n");
}

TEST_F(ChangeWriterTest, TableEscapesCellsSoEachEntryStaysOnOneLine) {
    Add("T", "C", "k1\tk2", "a\nb", "");
    const std::string text = Write(OutputFormat::kTable);
    EXPECT_NE(text.find("k1\\tk2  a\\nb"), std::string::npos) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
}

// --- json -----------------------------------------------------------------------

TEST_F(ChangeWriterTest, JsonOfAnEmptyListIsAnEmptyArray) {
    EXPECT_EQ(Write(OutputFormat::kJson), "[]\n");
}

TEST_F(ChangeWriterTest, JsonWritesOneObjectPerEntryWithTheFiveKeysAndNullForEmpty) {
    Add("Property", "Value", "ProductName", "New", "Old");
    Add("Items", "DELETE", "beta", "", "");
    EXPECT_EQ(Write(OutputFormat::kJson),
              "[\n"
              "  {\"Table\": \"Property\", \"Column\": \"Value\", \"Row\": \"ProductName\", "
              "\"Data\": \"New\", \"Current\": \"Old\"},\n"
              "  {\"Table\": \"Items\", \"Column\": \"DELETE\", \"Row\": \"beta\", \"Data\": null, "
              "\"Current\": null}\n"
              "]\n");
}

TEST(JsonStringTest, EscapesQuotesBackslashesAndControlCharacters) {
    EXPECT_EQ(deltalens::JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(deltalens::JsonString("k1\tk2\r\n"), "\"k1\\tk2\\r\\n\"");
    EXPECT_EQ(deltalens::JsonString(std::string("\x01\x1f", 2)), "\"\\u0001\\u001f\"");
    // A blank is a value (a null key in a row), not null.
    EXPECT_EQ(deltalens::JsonString(" "), "\" \"");
}

TEST(JsonStringTest, KeepsUtf8AndReplacesBytesThatAreNotUtf8) {
    EXPECT_EQ(deltalens::JsonString("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"),
              "\"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80\"");
    // A cp1252 "é" alone, a stray continuation byte, an overlong "/", a
    // surrogate and a sequence cut short.
    EXPECT_EQ(deltalens::JsonString("caf\xE9"), "\"caf\\ufffd\"");
    EXPECT_EQ(deltalens::JsonString("\x80x"), "\"\\ufffdx\"");
    EXPECT_EQ(deltalens::JsonString("\xC0\xAF"), "\"\\ufffd\\ufffd\"");
    EXPECT_EQ(deltalens::JsonString("\xED\xA0\x80"), "\"\\ufffd\\ufffd\\ufffd\"");
    EXPECT_EQ(deltalens::JsonString("\xE2\x82"), "\"\\ufffd\\ufffd\"");
}

// --- format names ---------------------------------------------------------------

TEST(OutputFormatTest, NamesReadBackToTheirFormats) {
    for (OutputFormat format : deltalens::AllOutputFormats())
        EXPECT_EQ(deltalens::ParseOutputFormat(deltalens::OutputFormatName(format)), format);
    EXPECT_FALSE(deltalens::ParseOutputFormat("TSV").has_value());
    EXPECT_FALSE(deltalens::ParseOutputFormat("csv").has_value());
}

}  // namespace
