// The change list reaches the row writer whole: its column names, its valid
// entries in list order; entries handed over one at a time print as they
// come. The formats themselves are cli/row_writer's tests.
#include "change_writer.h"

#include <gtest/gtest.h>

#include <sstream>

#include "change_columns.h"
#include "entry_list.h"
#include "string_array_entry.h"

namespace {

using ::cli::OutputFormat;

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

TEST_F(ChangeWriterTest, WritesTheFiveColumnNamesThenEveryValidEntryInListOrder) {
    Add("Property", "Value", "ProductName", "New", "Old");
    auto* hidden = new CStringArrayEntry("Hidden", "c", "r", "d", "c");
    hidden->SetFlags(0x80000000u, true);  // the top flag marks an entry not valid
    list_.AddEntry(hidden);
    Add("Items", "DELETE", "beta", "", "");
    EXPECT_EQ(Write(OutputFormat::kTsv),
              "Table\tColumn\tRow\tData\tCurrent\n"
              "Property\tValue\tProductName\tNew\tOld\n"
              "Items\tDELETE\tbeta\t\t\n");
}

TEST_F(ChangeWriterTest, JsonShowsNullForTheEmptyCellsOfADeletedRow) {
    Add("Items", "DELETE", "beta", "", "");
    EXPECT_EQ(Write(OutputFormat::kJson),
              "[\n  {\"Table\": \"Items\", \"Column\": \"DELETE\", \"Row\": \"beta\", \"Data\": "
              "null, \"Current\": null}\n]\n");
}

TEST_F(ChangeWriterTest, AnEmptyListIsStillADocumentInEveryFormat) {
    EXPECT_EQ(Write(OutputFormat::kJson), "[]\n");
    EXPECT_EQ(Write(OutputFormat::kTable),
              "Table  Column  Row  Data  Current\n"
              "-----  ------  ---  ----  -------\n");
}

TEST_F(ChangeWriterTest, EntriesHandedOverOneAtATimePrintBeforeTheEndAndOnlyValidOnesCount) {
    std::ostringstream out;
    deltalens::ChangeWriter writer(list_, OutputFormat::kTsv, out);
    writer.Add(CStringArrayEntry("Property", "Value", "ProductName", "New", "Old"));
    CStringArrayEntry hidden("Hidden", "c", "r", "d", "c");
    hidden.SetFlags(0x80000000u, true);
    writer.Add(hidden);
    EXPECT_EQ(out.str(),
              "Table\tColumn\tRow\tData\tCurrent\n"
              "Property\tValue\tProductName\tNew\tOld\n");
    writer.Add(CStringArrayEntry("Items", "DELETE", "beta", "", ""));
    writer.Finish();
    EXPECT_EQ(writer.count(), 2u);
    EXPECT_EQ(list_.GetCount(), 0);  // the list gave its names and holds nothing
    EXPECT_EQ(out.str(),
              "Table\tColumn\tRow\tData\tCurrent\n"
              "Property\tValue\tProductName\tNew\tOld\n"
              "Items\tDELETE\tbeta\t\t\n");
}

}  // namespace
