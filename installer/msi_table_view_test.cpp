#include "msi_table_view.h"

#include <algorithm>

#include "installer_test_support.h"
#include "msi_column_type.h"
#include "msi_engine.h"

namespace {

using installer::kMsiColumnBinary;
using installer::kMsiColumnInteger;
using installer::kMsiColumnNullable;
using installer::kMsiColumnStream;
using installer::kMsiColumnString;
using installer_test::ErrorLine;
using installer_test::InstallerTest;
const std::int32_t kNull = static_cast<std::int32_t>(MSI_NULL_INTEGER);

class TableViewTest : public InstallerTest {
  protected:
    void SetUp() override {
        InstallerTest::SetUp();
        installer_test::IdtTable pairs{
            "Pairs", "Name\tNumber\r\nS72\ti2\r\nPairs\tName\r\none\t1\r\n", {}};
        package_ = installer_test::BuildSamplePackage(inputs_.path());
        pairs_package_ = installer_test::BuildPackage(inputs_.path(), "pairs.msi", {pairs});
        ASSERT_TRUE(database_.Open(package_, 0));
    }
    void TearDown() override {
        database_.Shutdown();
        InstallerTest::TearDown();
    }

    // The entry whose first field is `key`.
    static CMsiTableRecord* Find(MsiTableView& view, const char* key) {
        return dynamic_cast<CMsiTableRecord*>(view.FindEntry(key, 0));
    }

    std::string package_;
    std::string pairs_package_;
    CMsiDatabase database_;
};

TEST_F(TableViewTest, LoadsEveryRowWithNamedColumns) {
    MsiTableView view;
    ASSERT_TRUE(view.Load(&database_, "Items"));
    EXPECT_EQ(3, view.GetCount());
    EXPECT_EQ(5, view.GetColumnCount());
    EXPECT_EQ("Item", view.GetColumnName(0));
    EXPECT_EQ("Data", view.GetColumnName(4));
    EXPECT_EQ(2, view.GetColumnIndex("Note"));
    EXPECT_EQ(-1, view.GetColumnIndex("note"));
    EXPECT_EQ(&database_, view.GetDatabase());
    EXPECT_EQ("Items", view.GetTableName());
    EXPECT_EQ("SELECT * FROM Items", view.GetAssocView().GetQuery());
    EXPECT_TRUE(trace_.Lines().empty());
}

TEST_F(TableViewTest, ColumnTypesAndAttributesFollowTheTypeLetters) {
    MsiTableView view;
    ASSERT_TRUE(view.Load(&database_, "Items"));
    EXPECT_EQ(static_cast<int>(kMsiColumnString), view.GetColumnType(0));
    EXPECT_EQ(0u, view.GetColumnAttributes(0));
    EXPECT_EQ(static_cast<int>(kMsiColumnInteger), view.GetColumnType(1));
    EXPECT_EQ(kMsiColumnNullable, view.GetColumnAttributes(1));
    EXPECT_EQ(kMsiColumnNullable, view.GetColumnAttributes(2));
    EXPECT_EQ(static_cast<int>(kMsiColumnBinary), view.GetColumnType(4));
    // Loading a binary column replaces the nullable bit of its "V".
    EXPECT_EQ(kMsiColumnStream, view.GetColumnAttributes(4));
    EXPECT_EQ(0, view.GetColumnType(5));
    EXPECT_EQ(0u, view.GetColumnAttributes(-1));
}

TEST_F(TableViewTest, UpperCaseStringThenLowerCaseIntegerColumn) {
    CMsiDatabase pairs;
    ASSERT_TRUE(pairs.Open(pairs_package_, 0));
    {
        MsiTableView view;
        ASSERT_TRUE(view.Load(&pairs, "Pairs"));
        EXPECT_EQ(static_cast<int>(kMsiColumnString), view.GetColumnType(0));
        EXPECT_EQ(static_cast<int>(kMsiColumnInteger), view.GetColumnType(1));
        EXPECT_EQ(kMsiColumnNullable, view.GetColumnAttributes(0));
        EXPECT_EQ(0u, view.GetColumnAttributes(1));
        EXPECT_EQ(-1, view.GetParentColumn());
    }
    pairs.Shutdown();
}

TEST_F(TableViewTest, FieldsLoadByTheirColumnTypes) {
    MsiTableView view;
    ASSERT_TRUE(view.Load(&database_, "Items"));
    CMsiTableRecord* alpha = Find(view, "alpha");
    CMsiTableRecord* beta = Find(view, "beta");
    CMsiTableRecord* gamma = Find(view, "gamma");
    ASSERT_TRUE(alpha && beta && gamma);
    EXPECT_EQ(0u, alpha->GetFlags());
    EXPECT_EQ("1", alpha->GetFieldText(1));
    EXPECT_EQ(1, alpha->GetIntegerValue(1));
    EXPECT_EQ("first", alpha->GetFieldText(2));
    EXPECT_EQ("[Binary]", alpha->GetFieldText(4));
    ASSERT_NE(nullptr, alpha->GetBinary(4));
    EXPECT_EQ(std::string("A\0B", 3),
              std::string(alpha->GetBinary(4)->GetData(), alpha->GetBinary(4)->GetCount()));
    // Nulls load as empty cells.
    EXPECT_EQ("", beta->GetFieldText(1));
    EXPECT_EQ(kNull, beta->GetIntegerValue(1));
    EXPECT_EQ("", beta->GetFieldText(2));
    EXPECT_EQ("", beta->GetFieldText(4));
    EXPECT_EQ(std::string(300, 'x'), gamma->GetFieldText(2));
    EXPECT_EQ(&view, alpha->GetTableView());
}

TEST_F(TableViewTest, ParentColumnIsFoundByItsExactName) {
    MsiTableView view;
    ASSERT_TRUE(view.Load(&database_, "Items"));
    EXPECT_EQ(3, view.GetParentColumn());
}

TEST_F(TableViewTest, MissingTableIsReportedAndLoadsNothing) {
    MsiTableView view;
    EXPECT_FALSE(view.Load(&database_, "Nowhere"));
    EXPECT_EQ(0, view.GetCount());
    EXPECT_EQ(nullptr, view.GetDatabase());
    EXPECT_EQ(std::vector<std::string>{ErrorLine(228)}, trace_.Lines());
}

TEST_F(TableViewTest, LoadAddsToTheEntriesAlreadyThere) {
    MsiTableView view;
    ASSERT_TRUE(view.Open(&database_, "Items"));
    ASSERT_TRUE(view.Load(&database_, "Items"));
    EXPECT_EQ(6, view.GetCount());
    // The database and the one view: loading again closed the first view.
    EXPECT_EQ(2u, msi::OpenHandleCount());
}

TEST_F(TableViewTest, ColumnNamesCannotBeSet) {
    MsiTableView view;
    ASSERT_TRUE(view.Load(&database_, "Items"));
    EXPECT_EQ(0, view.SetColumnName(0, "Other"));
    EXPECT_EQ(0, view.SetColumnName(0, std::string("Other")));
    EXPECT_EQ("Item", view.GetColumnName(0));
}

TEST_F(TableViewTest, ColumnNameOutsideTheTableIsCheckedAndEmpty) {
    MsiTableView view;
    ASSERT_TRUE(view.Load(&database_, "Items"));
    EXPECT_EQ("", view.GetColumnName(9));
    EXPECT_EQ(std::vector<std::string>{ErrorLine(1310)}, trace_.Lines());
}

TEST_F(TableViewTest, AddEntryBindsANewRecordAndRefusesOtherEntries) {
    MsiTableView view;
    ASSERT_TRUE(view.Load(&database_, "Items"));
    std::unique_ptr<CEntry> made(view.CreateEntry());
    auto* record = dynamic_cast<CMsiTableRecord*>(made.get());
    ASSERT_NE(nullptr, record);
    EXPECT_EQ(nullptr, record->GetTableView());
    record->SetStringValue(0, "delta");
    ASSERT_TRUE(view.AddEntry(made.release()));
    EXPECT_EQ(&view, record->GetTableView());
    EXPECT_TRUE(record->HasFlags(CMsiTableRecord::kNew));
    EXPECT_EQ("delta", record->GetFieldText(0));
    EXPECT_EQ("", record->GetFieldText(4));
    CEntry plain;
    EXPECT_FALSE(view.AddEntry(&plain));
    EXPECT_EQ(4, view.GetCount());
}

TEST_F(TableViewTest, MarkDeletedSetsTheDeletedBit) {
    MsiTableView view;
    ASSERT_TRUE(view.Load(&database_, "Items"));
    CMsiTableRecord* beta = Find(view, "beta");
    view.MarkDeleted(beta);
    EXPECT_EQ(CMsiTableRecord::kDeleted, beta->GetFlags());
}

TEST_F(TableViewTest, AuxiliaryListDoesNotOwnItsEntries) {
    MsiTableView view;
    ASSERT_TRUE(view.Load(&database_, "Items"));
    view.GetAuxiliaryList().AddEntry(Find(view, "alpha"));
    view.DetachAuxiliaryEntries();
    EXPECT_EQ(0, view.GetAuxiliaryList().GetCount());
    ASSERT_NE(nullptr, Find(view, "alpha"));
    // Left in the auxiliary list, the entry is still deleted only once.
    view.GetAuxiliaryList().AddEntry(Find(view, "beta"));
}

TEST_F(TableViewTest, ExportToolListsTableNamesFromTheTablesTable) {
    MsiTableView view;
    ASSERT_TRUE(view.Open(&database_, "_Tables"));
    std::vector<std::string> names;
    for (POSITION position = view.GetHeadPosition(); position != nullptr;)
        names.push_back(dynamic_cast<CEntry*>(view.GetNext(position))->GetFieldText(0));
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::string>{"Items", "Property"}), names);
}

}  // namespace
