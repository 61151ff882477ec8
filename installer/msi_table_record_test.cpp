#include "msi_table_record.h"

#include "installer_test_support.h"
#include "msi_column_type.h"
#include "msi_table_view.h"

namespace {

using installer_test::ErrorLine;
using installer_test::InstallerTest;
const std::int32_t kNull = static_cast<std::int32_t>(MSI_NULL_INTEGER);

class TableRecordTest : public InstallerTest {};

TEST_F(TableRecordTest, SettersMarkTheRecordModified) {
    CMsiTableRecord record;
    record.SetStringValue(0, "a");
    EXPECT_TRUE(record.HasFlags(CMsiTableRecord::kModified));
    record.Clear();
    EXPECT_EQ(0u, record.GetFlags());
    record.SetIntegerValue(1, 5);
    EXPECT_TRUE(record.HasFlags(CMsiTableRecord::kModified));
}

TEST_F(TableRecordTest, AnEmptyTextLeavesTheCellEmpty) {
    CMsiTableRecord record;
    record.SetStringValue(0, "value");
    record.SetStringValue(0, "");
    EXPECT_EQ("", record.GetFieldText(0));
    record.SetStringValue(0, nullptr);
    EXPECT_EQ("", record.GetStringValue(0));
}

TEST_F(TableRecordTest, IndicesOutsideTheValuesReadAsEmpty) {
    CMsiTableRecord record;
    EXPECT_EQ("", record.GetFieldText(3));
    EXPECT_EQ("", record.GetFieldText(-1));
    EXPECT_EQ(kNull, record.GetIntegerValue(7));
    EXPECT_EQ("", record.GetStringValue(-2));
    record.FreeValue(9);
    record.SetStringValue(-1, "ignored");
    EXPECT_EQ("", record.GetStringValue(-1));
}

TEST_F(TableRecordTest, AnUnboundRecordShowsItsValuesByWhatTheyAre) {
    CMsiTableRecord record;
    record.SetIntegerValue(0, -12);
    record.SetStringValue(1, "text");
    CMsiBinaryValue bytes;
    bytes.Assign("\x01\x02", 2);
    record.SetBinaryValue(2, bytes);
    EXPECT_EQ("-12", record.GetFieldText(0));
    EXPECT_EQ("text", record.GetFieldText(1));
    EXPECT_EQ("[Binary]", record.GetFieldText(2));
    ASSERT_NE(nullptr, record.GetBinary(2));
    EXPECT_EQ(2u, record.GetBinary(2)->GetCount());
}

TEST_F(TableRecordTest, TheNullIntegerIsNoValue) {
    CMsiTableRecord record;
    record.SetIntegerValue(0, kNull);
    EXPECT_EQ("", record.GetFieldText(0));
    EXPECT_EQ(kNull, record.GetIntegerValue(0));
}

TEST_F(TableRecordTest, FieldTextSetOnAnIntegerReadsAsItsNumber) {
    CMsiTableRecord record;
    record.SetFieldText(0, "42");
    EXPECT_EQ(42, record.GetIntegerValue(0));
    record.SetFieldText(0, "42x");
    EXPECT_EQ(kNull, record.GetIntegerValue(0));
    record.SetFieldText(0, "99999999999");
    EXPECT_EQ(kNull, record.GetIntegerValue(0));
}

TEST_F(TableRecordTest, GetBinaryOfACellWithoutBytesIsChecked) {
    CMsiTableRecord record;
    record.SetStringValue(0, "not bytes");
    EXPECT_EQ(nullptr, record.GetBinary(0));
    EXPECT_EQ(nullptr, record.GetBinary(5));
    EXPECT_EQ((std::vector<std::string>{ErrorLine(689), ErrorLine(689)}), trace_.Lines());
}

TEST_F(TableRecordTest, ColumnTextIsTheStringValue) {
    CMsiTableRecord record;
    record.SetIntegerValue(0, 7);
    EXPECT_EQ("7", record.GetColumnText(0));
}

TEST_F(TableRecordTest, FreeValuesEmptiesEveryCellAndClearsTheState) {
    CMsiTableRecord record;
    record.SetStringValue(0, "a");
    record.SetIntegerValue(1, 2);
    record.SetFlags(CMsiTableRecord::kDeleted, true);
    record.FreeValues();
    EXPECT_EQ(0u, record.GetFlags());
    EXPECT_EQ("", record.GetFieldText(0));
    EXPECT_EQ(kNull, record.GetIntegerValue(1));
}

TEST_F(TableRecordTest, AnUnboundRecordFillsARecordOfItsOwnCells) {
    CMsiTableRecord record;
    record.SetStringValue(0, "key");
    record.SetIntegerValue(2, 9);
    CMsiRecord installer_record;
    record.FillMsiRecord(installer_record);
    EXPECT_EQ(3u, installer_record.GetFieldCount());
    std::string text;
    EXPECT_TRUE(installer_record.GetString(0, text));
    EXPECT_EQ("key", text);
    std::int32_t number = 0;
    EXPECT_FALSE(installer_record.GetInteger(1, number));
    EXPECT_TRUE(installer_record.GetInteger(2, number));
    EXPECT_EQ(9, number);
}

TEST_F(TableRecordTest, ABinaryValueWithoutADatabaseMakesNoTemporaryFile) {
    CMsiTableRecord record;
    CMsiBinaryValue bytes;
    bytes.Assign("xyz", 3);
    record.SetBinaryValue(0, bytes);
    auto installer_record = record.CreateMsiRecord();
    EXPECT_EQ(1u, installer_record->GetFieldCount());
    EXPECT_TRUE(temp_.Entries().empty());
    EXPECT_EQ(std::vector<std::string>{ErrorLine(862)}, trace_.Lines());
}

}  // namespace
