#include "idt/archive_header.h"

#include <gtest/gtest.h>

#include "idt/summary_archive.h"
#include "idt/text_source.h"
#include "test_support.h"

namespace msi::idt {
namespace {

Result<ArchiveHeader> Parse(const std::string& text) {
    StringTextSource source("T.idt", text);
    return ReadArchiveHeader(source);
}

TEST(ArchiveHeaderTest, ReadsNamesTypesTableAndKeys) {
    auto h = Parse("K1\tK2\tV\r\ni2\ts32\tS64\r\nMulti\tK1\tK2\r\n");
    ASSERT_TRUE(h.ok()) << h.status().ToString();
    EXPECT_EQ((std::vector<std::string>{"K1", "K2", "V"}), h->column_names);
    EXPECT_EQ((std::vector<std::string>{"i2", "s32", "S64"}), h->column_types);
    EXPECT_EQ("Multi", h->table);
    EXPECT_EQ((std::vector<std::string>{"K1", "K2"}), h->keys);
    EXPECT_FALSE(h->code_page.has_value());
}

TEST(ArchiveHeaderTest, LineEndsMayBeLfOnly) {
    auto h = Parse("A\tB\ns72\tL0\nT\tA\n");
    ASSERT_TRUE(h.ok());
    EXPECT_EQ("L0", h->column_types[1]);
}

TEST(ArchiveHeaderTest, CodePageBeforeTheTableNameIsRecognised) {
    auto h = Parse("Action\tDescription\r\ns72\tL0\r\n1252\tActionText\tAction\r\n");
    ASSERT_TRUE(h.ok());
    EXPECT_EQ(1252u, h->code_page.value_or(0));
    EXPECT_EQ("ActionText", h->table);
    EXPECT_EQ((std::vector<std::string>{"Action"}), h->keys);
}

TEST(ArchiveHeaderTest, ForceCodepageHasTwoEmptyLines) {
    auto h = Parse("\r\n\r\n65001\t_ForceCodepage\r\n");
    ASSERT_TRUE(h.ok());
    EXPECT_EQ("_ForceCodepage", h->table);
    EXPECT_EQ(65001u, h->code_page.value_or(0));
}

TEST(ArchiveHeaderTest, ErrorsNameFileAndLine) {
    EXPECT_EQ("T.idt:2: the file ends inside the three header lines",
              Parse("A\r\ns72\r\n").status().message());
    EXPECT_EQ("T.idt:2: 1 types for 2 columns",
              Parse("A\tB\r\ns72\r\nT\tA\r\n").status().message());
    EXPECT_EQ("T.idt:3: key column C is not a column of the table",
              Parse("A\tB\r\ns72\ti2\r\nT\tC\r\n").status().message());
    EXPECT_EQ("T.idt:1: column A appears twice",
              Parse("A\tA\r\ns72\ti2\r\nT\tA\r\n").status().message());
    EXPECT_EQ("T.idt:3: _ForceCodepage: invalid code page",
              Parse("\r\n\r\nabc\t_ForceCodepage\r\n").status().message());
    EXPECT_EQ("T.idt:3: line 3 has no table name", Parse("A\r\ns72\r\n\r\n").status().message());
}

TEST(ArchiveHeaderTest, TooManyColumnsAreRefused) {
    std::string names, types;
    for (int i = 0; i < 300; ++i) {
        names += (i ? "\tC" : "C") + std::to_string(i);
        types += i ? "\ti2" : "i2";
    }
    auto h = Parse(names + "\r\n" + types + "\r\nT\tC0\r\n");
    EXPECT_FALSE(h.ok());
}

TEST(TextSourceTest, LineLongerThanTheLimitIsAnError) {
    StringTextSource source("big.idt", "short\r\n" + std::string(100, 'x') + "\r\n", 50);
    std::string line;
    ASSERT_TRUE(*source.ReadLine(line));
    auto second = source.ReadLine(line);
    ASSERT_FALSE(second.ok());
    EXPECT_EQ("big.idt:2: line is longer than the limit", second.status().message());
}

TEST(TextSourceTest, FileSourceReadsLinesAcrossBlocksAndALastLineWithoutEnd) {
    testing_support::TempDir dir;
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "row " + std::to_string(i) + "\r\n";
    text += "last";
    testing_support::WriteFile(dir.path() / "f.idt", text);
    auto source = FileTextSource::Open((dir.path() / "f.idt").string(), "f.idt");
    ASSERT_TRUE(source.ok());
    std::string line;
    int count = 0;
    std::string last;
    while (*(*source)->ReadLine(line)) {
        ++count;
        last = line;
        if (count == 12345) {
            EXPECT_EQ("row 12344", line);
        }
    }
    EXPECT_EQ(20001, count);
    EXPECT_EQ("last", last);
}

TEST(TextSourceTest, FileSourceRefusesAHugeLineWithoutReadingItAll) {
    testing_support::TempDir dir;
    testing_support::WriteFile(dir.path() / "f.idt", std::string(3 << 20, 'y'));
    auto source = FileTextSource::Open((dir.path() / "f.idt").string(), "f.idt", 1 << 20);
    ASSERT_TRUE(source.ok());
    std::string line;
    auto got = (*source)->ReadLine(line);
    ASSERT_FALSE(got.ok());
    EXPECT_EQ("f.idt:1: line is longer than the limit", got.status().message());
}

TEST(SummaryTimeTest, TimesFormatAndParseBothWays) {
    auto t = ParseFileTime("2024/01/02 03:04:05");
    ASSERT_TRUE(t.ok());
    EXPECT_EQ("2024/01/02 03:04:05", FormatFileTime(*t));
    // 1601-01-01 00:00:00 is tick 0.
    EXPECT_EQ(0u, ParseFileTime("1601/01/01 00:00:00")->ticks);
    EXPECT_EQ("2000/02/29 23:59:59", FormatFileTime(*ParseFileTime("2000/02/29 23:59:59")));
    // The documentation's double colons are read too.
    EXPECT_EQ(t->ticks, ParseFileTime("2024/01/02 03::04::05")->ticks);
}

TEST(SummaryTimeTest, InvalidTimesAreRefused) {
    EXPECT_FALSE(ParseFileTime("2023/02/29 00:00:00").ok());
    EXPECT_FALSE(ParseFileTime("2023/13/01 00:00:00").ok());
    EXPECT_FALSE(ParseFileTime("2023/01/01 24:00:00").ok());
    EXPECT_FALSE(ParseFileTime("2023/01/01").ok());
    EXPECT_FALSE(ParseFileTime("2023/01/01 00:00:00x").ok());
}

}  // namespace
}  // namespace msi::idt
