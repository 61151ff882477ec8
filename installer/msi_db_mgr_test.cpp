#include "msi_db_mgr.h"

#include <sys/stat.h>

#include <filesystem>

#include "installer_test_support.h"
#include "msi_engine.h"
#include "msiquery.h"

namespace {

namespace fs = std::filesystem;
using installer_test::ErrorLine;
using installer_test::InstallerTest;

class DbMgrTest : public InstallerTest {
  protected:
    std::string Sample(const std::string& name = "sample.msi") {
        return installer_test::BuildSamplePackage(inputs_.path(), name);
    }
};

TEST_F(DbMgrTest, OpensThePackageInPlaceAndNeverDeletesIt) {
    const std::string package = Sample();
    {
        MsiDbMgr manager;
        ASSERT_TRUE(manager.Open(package.c_str(), "changes.mst", 1, true));
        ASSERT_NE(nullptr, manager.GetDatabase());
        EXPECT_TRUE(manager.GetDatabase()->IsOpen());
        EXPECT_EQ(MSIDBSTATE_WRITE, MsiGetDatabaseState(manager.GetDatabase()->GetHandle()));
        EXPECT_EQ(package, manager.GetOpenedPath());
        EXPECT_EQ("changes.mst", manager.GetTransformPath());
        EXPECT_EQ(MSIDBMGR_OPEN | MSIDBMGR_IN_PLACE, manager.GetFlags());
        EXPECT_EQ("{11111111-2222-3333-4444-555555555555}", manager.GetProductCode());
        EXPECT_EQ("Acme Widget 1.2.3", manager.GetProductDescription());
        EXPECT_EQ("MsiDbMgr: Opened " + package + " in mode MSIDBOPEN_TRANSACT",
                  trace_.Lines().back());
        EXPECT_TRUE(temp_.Entries().empty());
        EXPECT_TRUE(manager.Close());
        EXPECT_EQ(nullptr, manager.GetDatabase());
        EXPECT_EQ("", manager.GetPackagePath());
        // The identity stays readable after the close.
        EXPECT_EQ("Acme Widget 1.2.3", manager.GetProductDescription());
    }
    EXPECT_TRUE(fs::exists(package));
}

TEST_F(DbMgrTest, AWorkingCopyIsDeletedAtClose) {
    const std::string package = Sample();
    MsiDbMgr manager;
    ASSERT_TRUE(manager.Open(package.c_str(), nullptr, 2, false));
    const std::string copy = manager.GetOpenedPath();
    EXPECT_NE(package, copy);
    EXPECT_EQ(temp_.path(), fs::path(copy).parent_path());
    EXPECT_TRUE(fs::exists(copy));
    EXPECT_EQ("", manager.GetTransformPath());
    EXPECT_TRUE(manager.Close());
    EXPECT_FALSE(fs::exists(copy));
    EXPECT_TRUE(fs::exists(package));
}

TEST_F(DbMgrTest, AWorkingCopyIsDeletedAtDestruction) {
    const std::string package = Sample();
    std::string copy;
    {
        MsiDbMgr manager;
        ASSERT_TRUE(manager.Open(package.c_str(), nullptr, 1, false));
        copy = manager.GetOpenedPath();
    }
    EXPECT_FALSE(copy.empty());
    EXPECT_FALSE(fs::exists(copy));
}

TEST_F(DbMgrTest, OpenOnAnOpenManagerChangesNothing) {
    const std::string package = Sample();
    const std::string other = Sample("other.msi");
    MsiDbMgr manager;
    ASSERT_TRUE(manager.Open(package.c_str(), nullptr, 0, true));
    CMsiDatabase* database = manager.GetDatabase();
    trace_.Clear();
    EXPECT_TRUE(manager.Open(other.c_str(), "x.mst", 1, false));
    EXPECT_EQ(database, manager.GetDatabase());
    EXPECT_EQ(package, manager.GetPackagePath());
    EXPECT_EQ("", manager.GetTransformPath());
    EXPECT_TRUE(trace_.Lines().empty());
    EXPECT_TRUE(temp_.Entries().empty());
}

TEST_F(DbMgrTest, AFileThatIsNoPackageFailsBeforeAnyCopy) {
    const auto text_file = inputs_.path() / "notes.msi";
    testing_support::WriteFile(text_file, "not a package");
    MsiDbMgr manager;
    EXPECT_FALSE(manager.Open(text_file.string().c_str(), nullptr, 1, false));
    EXPECT_EQ(nullptr, manager.GetDatabase());
    EXPECT_TRUE(temp_.Entries().empty());
    EXPECT_EQ(
        std::vector<std::string>({"Checking if " + text_file.string() + " is a valid MSI package",
                                  ErrorLine(228), ErrorLine(2105)}),
        trace_.Lines());
}

TEST_F(DbMgrTest, ACopyIsDeletedEvenWhenTheDatabaseStepFailed) {
    const std::string package = Sample();
    MsiDbMgr manager;
    // 5 is no open mode: the database refuses it after the copy is made.
    EXPECT_FALSE(manager.Open(package.c_str(), nullptr, 5, false));
    EXPECT_EQ(nullptr, manager.GetDatabase());
    EXPECT_EQ(ErrorLine(2139), trace_.Lines().back());
    EXPECT_EQ(ErrorLine(228), trace_.Lines()[trace_.Lines().size() - 2]);
    EXPECT_EQ(1u, temp_.Entries().size());
    // A closed manager's Close does nothing; the destructor cleans up.
    EXPECT_TRUE(manager.Close());
    EXPECT_EQ(1u, temp_.Entries().size());
    manager.Cleanup();
    EXPECT_TRUE(temp_.Entries().empty());
}

TEST_F(DbMgrTest, ASecondOpenAfterAFailedOneLeavesNoCopyBehind) {
    const std::string package = Sample();
    MsiDbMgr manager;
    EXPECT_FALSE(manager.Open(package.c_str(), nullptr, 5, false));
    ASSERT_TRUE(manager.Open(package.c_str(), nullptr, 1, false));
    EXPECT_EQ(1u, temp_.Entries().size());
    EXPECT_TRUE(manager.Close());
    EXPECT_TRUE(temp_.Entries().empty());
}

TEST_F(DbMgrTest, AReadOnlyPackageGivesAWritableCopy) {
    const std::string package = Sample();
    ::chmod(package.c_str(), 0444);
    MsiDbMgr manager;
    ASSERT_TRUE(manager.Open(package.c_str(), nullptr, 1, false));
    EXPECT_NE(fs::perms::none,
              fs::status(manager.GetOpenedPath()).permissions() & fs::perms::owner_write);
    EXPECT_EQ(static_cast<UINT>(ERROR_SUCCESS),
              MsiDatabaseCommit(manager.GetDatabase()->GetHandle()));
}

TEST_F(DbMgrTest, ALongPropertyIsReportedButOpenSucceeds) {
    const std::string package = installer_test::BuildPackage(
        inputs_.path(), "long.msi",
        {installer_test::PropertyTable(std::string(300, 'm'), "Widget", "2.0", "{C}")});
    MsiDbMgr manager;
    ASSERT_TRUE(manager.Open(package.c_str(), nullptr, 0, true));
    EXPECT_EQ(" Widget 2.0", manager.GetProductDescription());
    EXPECT_EQ("{C}", manager.GetProductCode());
}

TEST_F(DbMgrTest, CloseClosesEveryInstallerHandleOfTheProcess) {
    const std::string package = Sample();
    MsiDbMgr manager;
    ASSERT_TRUE(manager.Open(package.c_str(), nullptr, 0, true));
    MsiCreateRecord(1);  // someone else's handle
    EXPECT_EQ(2u, msi::OpenHandleCount());
    EXPECT_TRUE(manager.Close());
    EXPECT_EQ(0u, msi::OpenHandleCount());
}

TEST_F(DbMgrTest, GetDatabaseOfAClosedManagerIsNone) {
    MsiDbMgr manager;
    EXPECT_EQ(nullptr, manager.GetDatabase());
    EXPECT_TRUE(manager.Close());
}

TEST(OpenModeNameTest, NamesTheFiveModesAndNothingElse) {
    EXPECT_EQ("MSIDBOPEN_READONLY", GetOpenModeName(0));
    EXPECT_EQ("MSIDBOPEN_TRANSACT", GetOpenModeName(1));
    EXPECT_EQ("MSIDBOPEN_DIRECT", GetOpenModeName(2));
    EXPECT_EQ("MSIDBOPEN_CREATE", GetOpenModeName(3));
    EXPECT_EQ("MSIDBOPEN_CREATEDIRECT", GetOpenModeName(4));
    EXPECT_EQ("UNDEFINED", GetOpenModeName(5));
    EXPECT_EQ("UNDEFINED", GetOpenModeName(-1));
}

}  // namespace
