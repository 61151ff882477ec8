#include "row_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace {

using cli::OutputFormat;
using Rows = std::vector<std::vector<std::string>>;

const std::vector<std::string> kColumns = {"Table", "Column", "Row", "Data", "Current"};

std::string Write(OutputFormat format, const Rows& rows,
                  const std::vector<std::string>& columns = kColumns) {
    std::ostringstream out;
    cli::RowWriter writer(format, columns, out);
    for (const auto& row : rows) writer.Add(row);
    writer.Finish();
    return out.str();
}

// --- csv ----------------------------------------------------------------------

TEST(RowWriterTest, CsvQuotesWhatACommaOrQuoteWouldCutAndEscapesAsTsvDoes) {
    EXPECT_EQ(Write(OutputFormat::kCsv, {}), "Table,Column,Row,Data,Current\r\n");
    EXPECT_EQ(Write(OutputFormat::kCsv, {{"Property", "Value", "a,b", "say \"hi\"", "x\ty\r\n"},
                                         {"Items", "DELETE", "beta"}}),  // cells left out
              "Table,Column,Row,Data,Current\r\n"
              "Property,Value,\"a,b\",\"say \"\"hi\"\"\",x\\ty\\r\\n\r\n"
              "Items,DELETE,beta,,\r\n");
}

// --- tsv ----------------------------------------------------------------------

TEST(RowWriterTest, TsvIsTheNamesThenOneLinePerRowInOrder) {
    EXPECT_EQ(Write(OutputFormat::kTsv, {}), "Table\tColumn\tRow\tData\tCurrent\n");
    EXPECT_EQ(Write(OutputFormat::kTsv, {{"Property", "Value", "ProductName", "New", "Old"},
                                         {"Items", "DELETE", "beta"}}),  // cells left out
              "Table\tColumn\tRow\tData\tCurrent\n"
              "Property\tValue\tProductName\tNew\tOld\n"
              "Items\tDELETE\tbeta\t\t\n");
}

TEST(RowWriterTest, TsvEscapesCellsSoTheyReadBack) {
    // A key of two columns is joined by TAB; a value may hold a path and lines.
    EXPECT_EQ(Write(OutputFormat::kTsv,
                    {{"Registry", "Value", "reg1\tHKLM", "C:\\x", "line1\r\n\x1b[1Aline2"}}),
              "Table\tColumn\tRow\tData\tCurrent\n"
              "Registry\tValue\treg1\\tHKLM\tC:\\\\x\tline1\\r\\n\\x1b[1Aline2\n");
}

// --- table --------------------------------------------------------------------

TEST(RowWriterTest, TableOfNoRowsIsHeaderAndRule) {
    EXPECT_EQ(Write(OutputFormat::kTable, {}),
              "Table  Column  Row  Data  Current\n"
              "-----  ------  ---  ----  -------\n");
    // A column without a name or a value takes no room but its separators.
    EXPECT_EQ(Write(OutputFormat::kTable, {{"a", "", "1"}}, {"Name", "", "Value"}),
              "Name    Value\n"
              "----    -----\n"
              "a       1\n");
}

TEST(RowWriterTest, TableAlignsColumnsToTheWidestCellAndEndsNoLineInPadding) {
    EXPECT_EQ(Write(OutputFormat::kTable, {{"Property", "Value", "ProductName", "New", "Old"},
                                           {"Items", "INSERT", "b"}}),  // cells left out
              "Table     Column  Row          Data  Current\n"
              "--------  ------  -----------  ----  -------\n"
              "Property  Value   ProductName  New   Old\n"
              "Items     INSERT  b\n");
}

TEST(RowWriterTest, TableKeepsABlankThatEndsAValue) {
    // A null key of a row is shown as one blank; it is data, not padding.
    EXPECT_EQ(
        Write(OutputFormat::kTable, {{"T", "C", " ", "", ""}, {"Table", "Column", "r", "", ""}}),
        "Table  Column  Row  Data  Current\n"
        "-----  ------  ---  ----  -------\n"
        "T      C        \n"
        "Table  Column  r\n");
}

TEST(RowWriterTest, TableCountsCharactersOfTheEscapedCells) {
    // "é" is two bytes and one character; ESC becomes four characters.
    EXPECT_EQ(Write(OutputFormat::kTable, {{"caf\xC3\xA9", "\x1b"}, {"tea", "ab"}}, {"A", "B"}),
              "A     B\n"
              "----  ----\n"
              "caf\xC3\xA9  \\x1b\n"
              "tea   ab\n");
}

TEST(RowWriterTest, TableKeepsEveryRowOnOneLine) {
    const std::string text = Write(OutputFormat::kTable, {{"T", "C", "k1\tk2", "a\nb", ""}});
    EXPECT_NE(text.find("k1\\tk2  a\\nb"), std::string::npos) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
}

// --- json ---------------------------------------------------------------------

TEST(RowWriterTest, JsonOfNoRowsIsAnEmptyArray) {
    EXPECT_EQ(Write(OutputFormat::kJson, {}), "[]\n");
}

TEST(RowWriterTest, JsonWritesOneObjectPerRowWithNullForEmptyCells) {
    EXPECT_EQ(Write(OutputFormat::kJson, {{"Property", "Value", "ProductName", "New", "Old"},
                                          {"Items", "DELETE", "beta", "", ""}}),
              "[\n"
              "  {\"Table\": \"Property\", \"Column\": \"Value\", \"Row\": \"ProductName\", "
              "\"Data\": \"New\", \"Current\": \"Old\"},\n"
              "  {\"Table\": \"Items\", \"Column\": \"DELETE\", \"Row\": \"beta\", \"Data\": null, "
              "\"Current\": null}\n"
              "]\n");
}

// --- format names -------------------------------------------------------------

TEST(OutputFormatTest, NamesReadBackToTheirFormats) {
    for (OutputFormat format : cli::AllOutputFormats())
        EXPECT_EQ(cli::ParseOutputFormat(cli::OutputFormatName(format)), format);
    EXPECT_FALSE(cli::ParseOutputFormat("TSV").has_value());
    EXPECT_FALSE(cli::ParseOutputFormat("xml").has_value());
}

}  // namespace
