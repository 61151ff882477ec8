#include "msi_view.h"

#include "error_report.h"
#include "installer_test_support.h"
#include "msi_engine.h"
#include "msi_error_text.h"
#include "msiquery.h"

namespace {

using installer_test::ErrorLine;
using installer_test::InstallerTest;

class ViewTest : public InstallerTest {
  protected:
    void SetUp() override {
        InstallerTest::SetUp();
        package_ = installer_test::BuildSamplePackage(inputs_.path());
        ASSERT_TRUE(database_.Open(package_, 0));
    }
    void TearDown() override {
        database_.Shutdown();
        InstallerTest::TearDown();
    }

    std::string package_;
    CMsiDatabase database_;
};

TEST_F(ViewTest, ReadingLoopFetchesEveryRowIntoOneRecord) {
    CMsiView view;
    ASSERT_TRUE(view.Open(&database_, "SELECT `Item`, `Count` FROM `Items` ORDER BY `Item`"));
    ASSERT_TRUE(view.Execute(0));
    CMsiRecord record;
    std::vector<std::string> items;
    while (view.Fetch(record)) {
        std::string item;
        EXPECT_TRUE(record.GetString(0, item));
        items.push_back(item);
        // One row record at a time: the previous one was closed by the fetch.
        EXPECT_EQ(3u, msi::OpenHandleCount());
    }
    EXPECT_EQ((std::vector<std::string>{"alpha", "beta", "gamma"}), items);
    EXPECT_TRUE(view.Close());
    EXPECT_TRUE(trace_.Lines().empty());
}

TEST_F(ViewTest, FetchPastTheLastRowFailsWithoutReport) {
    CMsiView view;
    ASSERT_TRUE(view.Open(&database_, "SELECT * FROM `Items` WHERE `Item` = 'none'"));
    ASSERT_TRUE(view.Execute());
    CMsiRecord record;
    EXPECT_FALSE(view.Fetch(record));
    EXPECT_FALSE(view.Fetch(record));
    EXPECT_EQ(0u, record.GetHandle());
    EXPECT_TRUE(trace_.Lines().empty());
}

TEST_F(ViewTest, ColumnNamesAndTypesAsTheInstallerGivesThem) {
    CMsiView view;
    ASSERT_TRUE(view.Open(&database_, "SELECT * FROM Items"));
    EXPECT_EQ(5u, view.GetFieldCount());
    std::string name;
    std::string type;
    ASSERT_TRUE(view.GetFieldName(3, name));
    EXPECT_EQ("Items_Parent", name);
    ASSERT_TRUE(view.GetFieldType(0, type));
    EXPECT_EQ("s72", type);
    ASSERT_TRUE(view.GetFieldType(1, type));
    EXPECT_EQ("I4", type);
    ASSERT_TRUE(view.GetFieldType(4, type));
    EXPECT_EQ("V0", type);
}

TEST_F(ViewTest, IndexEqualToTheCountOrNegativeIsNoColumn) {
    CMsiView view;
    ASSERT_TRUE(view.Open(&database_, "SELECT * FROM Items"));
    std::string name = "unchanged";
    EXPECT_FALSE(view.GetFieldName(5, name));
    EXPECT_FALSE(view.GetFieldName(-1, name));
    EXPECT_FALSE(view.GetFieldType(-1, name));
    EXPECT_EQ("unchanged", name);
}

TEST_F(ViewTest, NamesAreAskedOnceUntilTheViewIsReset) {
    CMsiView view;
    ASSERT_TRUE(view.Open(&database_, "SELECT * FROM Items"));
    std::string name;
    ASSERT_TRUE(view.GetFieldName(0, name));
    // With the handle gone, only the cache can answer.
    const MSIHANDLE handle = view.GetHandle();
    MsiViewClose(handle);
    MsiCloseHandle(handle);
    EXPECT_TRUE(view.GetFieldName(1, name));
    EXPECT_EQ("Count", name);
    view.Reset();
    EXPECT_FALSE(view.GetFieldName(1, name));
}

TEST_F(ViewTest, OpeningASecondQueryClosesTheFirstView) {
    CMsiView view;
    ASSERT_TRUE(view.Open(&database_, "SELECT * FROM Items"));
    const MSIHANDLE first = view.GetHandle();
    ASSERT_TRUE(view.Open(&database_, "SELECT `Property` FROM `Property`"));
    EXPECT_EQ(2u, msi::OpenHandleCount());
    EXPECT_EQ(static_cast<UINT>(ERROR_INVALID_HANDLE), MsiCloseHandle(first));
    EXPECT_EQ(1u, view.GetFieldCount());
}

TEST_F(ViewTest, AFailedOpenIsReportedThroughTheDatabase) {
    database_.m_dwReportFlags = 2 | VSB_REPORT_MSGBOX;
    CMsiView view;
    EXPECT_FALSE(view.Open(&database_, "SELECT * FROM Nowhere"));
    EXPECT_EQ(std::vector<std::string>{ErrorLine(228)}, trace_.Lines());
    ASSERT_EQ(1u, boxes_.size());
    EXPECT_EQ(0u, boxes_[0].find("Error opening view [SELECT * FROM Nowhere], db: " + package_ +
                                 "\nMSI error: "));
}

TEST_F(ViewTest, ColumnCountOfAViewThatNeverOpenedIsZeroAndChecked) {
    CMsiView view;
    EXPECT_EQ(0u, view.GetFieldCount());
    EXPECT_EQ(std::vector<std::string>{ErrorLine(1490)}, trace_.Lines());
}

TEST_F(ViewTest, AFailedModifyIsReportedWithTheQuery) {
    database_.m_dwReportFlags = 2 | VSB_REPORT_MSGBOX;
    CMsiView view;
    ASSERT_TRUE(view.Open(&database_, "SELECT * FROM Items"));
    ASSERT_TRUE(view.Execute());
    CMsiRecord record;
    ASSERT_TRUE(record.Create(5));
    record.SetString(0, "new");
    // The database is read-only, so no insert can succeed.
    EXPECT_FALSE(view.Modify(MSIMODIFY_INSERT, record));
    EXPECT_EQ(std::vector<std::string>{ErrorLine(228)}, trace_.Lines());
    ASSERT_EQ(1u, boxes_.size());
    EXPECT_EQ(0u, boxes_[0].find("Error modifying view [SELECT * FROM Items], db: " + package_ +
                                 "\nMSI error: "));
}

}  // namespace
