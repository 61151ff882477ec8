// The changes reach the row writer whole: the five column names, then each
// change as it is handed over. The formats themselves are cli/row_writer's
// tests.
#include "change_writer.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace {

using ::cli::OutputFormat;

std::string Write(OutputFormat format, const std::vector<deltalens::ChangeRow>& changes) {
    std::ostringstream out;
    deltalens::ChangeWriter writer(format, out);
    for (const deltalens::ChangeRow& change : changes) writer.Add(change);
    writer.Finish();
    return out.str();
}

TEST(ChangeWriterTest, WritesTheFiveColumnNamesThenEveryChangeInOrder) {
    EXPECT_EQ(Write(OutputFormat::kTsv, {{"Property", "Value", "ProductName", "New", "Old"},
                                         {"Items", "DELETE", "beta", "", ""}}),
              "Table\tColumn\tRow\tData\tCurrent\n"
              "Property\tValue\tProductName\tNew\tOld\n"
              "Items\tDELETE\tbeta\t\t\n");
}

TEST(ChangeWriterTest, JsonShowsNullForTheEmptyCellsOfADeletedRow) {
    EXPECT_EQ(Write(OutputFormat::kJson, {{"Items", "DELETE", "beta", "", ""}}),
              "[\n  {\"Table\": \"Items\", \"Column\": \"DELETE\", \"Row\": \"beta\", \"Data\": "
              "null, \"Current\": null}\n]\n");
}

TEST(ChangeWriterTest, NoChangeIsStillADocumentInEveryFormat) {
    EXPECT_EQ(Write(OutputFormat::kJson, {}), "[]\n");
    EXPECT_EQ(Write(OutputFormat::kTable, {}),
              "Table  Column  Row  Data  Current\n"
              "-----  ------  ---  ----  -------\n");
}

TEST(ChangeWriterTest, ChangesHandedOverOneAtATimePrintBeforeTheEnd) {
    std::ostringstream out;
    deltalens::ChangeWriter writer(OutputFormat::kTsv, out);
    writer.Add({"Property", "Value", "ProductName", "New", "Old"});
    EXPECT_EQ(out.str(),
              "Table\tColumn\tRow\tData\tCurrent\n"
              "Property\tValue\tProductName\tNew\tOld\n");
    writer.Add({"Items", "DELETE", "beta", "", ""});
    writer.Finish();
    EXPECT_EQ(writer.count(), 2u);
    EXPECT_EQ(out.str(),
              "Table\tColumn\tRow\tData\tCurrent\n"
              "Property\tValue\tProductName\tNew\tOld\n"
              "Items\tDELETE\tbeta\t\t\n");
}

}  // namespace
