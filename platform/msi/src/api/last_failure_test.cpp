// The reasons the package and transform-making calls leave for
// msi::LastFailureText: what a tool adds under its fixed message.
#include <gtest/gtest.h>

#include <string>

#include "msi_engine.h"
#include "msiquery.h"
#include "test_support.h"

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class LastFailureTest : public ::testing::Test {
  protected:
    // A package with a Property table, and optionally its ProductCode.
    std::string Package(const std::string& name, bool product_code) {
        const std::string path = (dir_.path() / name).string();
        MSIHANDLE db = 0;
        EXPECT_EQ(MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_CREATE, &db), ERROR_SUCCESS);
        std::vector<std::string> statements = {
            "CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL, `Value` CHAR(0) PRIMARY KEY "
            "`Property`)",
            "INSERT INTO `Property` (`Property`, `Value`) VALUES ('ProductVersion', '1.0')"};
        if (product_code)
            statements.push_back(
                "INSERT INTO `Property` (`Property`, `Value`) VALUES ('ProductCode', '{1}')");
        statements.push_back("INSERT INTO `Property` (`Property`, `Value`) VALUES ('Name', '" +
                             name + "')");
        for (const std::string& statement : statements) {
            MSIHANDLE view = 0;
            EXPECT_EQ(MsiDatabaseOpenViewA(db, statement.c_str(), &view), ERROR_SUCCESS);
            EXPECT_EQ(MsiViewExecute(view, 0), ERROR_SUCCESS);
            MsiCloseHandle(view);
        }
        EXPECT_EQ(MsiDatabaseCommit(db), ERROR_SUCCESS);
        MsiCloseHandle(db);
        return path;
    }

    testing_support::TempDir dir_;
};

TEST_F(LastFailureTest, PackageCallsSayWhyAFileIsNoPackage) {
    const std::string missing = dir_.str() + "/missing.msi";
    EXPECT_EQ(MsiVerifyPackageA(missing.c_str()), ERROR_INSTALL_PACKAGE_OPEN_FAILED);
    EXPECT_EQ(msi::LastFailureText(), "cannot open " + missing + ": No such file or directory");
    EXPECT_EQ(MsiVerifyPackageA(dir_.str().c_str()), ERROR_INSTALL_PACKAGE_OPEN_FAILED);
    EXPECT_TRUE(Contains(msi::LastFailureText(), "not a regular file")) << msi::LastFailureText();

    const std::string text = dir_.str() + "/notes.msi";
    testing_support::WriteFile(text, "plain text, no compound file");
    MSIHANDLE product = 0;
    EXPECT_EQ(MsiOpenPackageA(text.c_str(), &product), ERROR_INSTALL_PACKAGE_INVALID);
    EXPECT_NE(msi::LastFailureText(), "");
    EXPECT_FALSE(Contains(msi::LastFailureText(), "No such file")) << msi::LastFailureText();

    const std::string package = Package("good.msi", true);
    EXPECT_EQ(MsiVerifyPackageA(package.c_str()), ERROR_SUCCESS);
    EXPECT_EQ(msi::LastFailureText(), "") << "a good package leaves no old reason behind";
}

TEST_F(LastFailureTest, TransformMakingCallsSayWhyTheyFailed) {
    const std::string old_path = Package("old.msi", false);
    const std::string new_path = Package("new.msi", false);
    MSIHANDLE old_db = 0;
    MSIHANDLE new_db = 0;
    ASSERT_EQ(MsiOpenDatabaseA(old_path.c_str(), MSIDBOPEN_READONLY, &old_db), ERROR_SUCCESS);
    ASSERT_EQ(MsiOpenDatabaseA(new_path.c_str(), MSIDBOPEN_READONLY, &new_db), ERROR_SUCCESS);

    const std::string nowhere = dir_.str() + "/no-folder/t.mst";
    EXPECT_EQ(MsiDatabaseGenerateTransformA(new_db, old_db, nowhere.c_str(), 0, 0),
              ERROR_CREATE_FAILED);
    EXPECT_TRUE(Contains(msi::LastFailureText(), "No such file or directory"))
        << msi::LastFailureText();

    const std::string transform = dir_.str() + "/t.mst";
    ASSERT_EQ(MsiDatabaseGenerateTransformA(new_db, old_db, transform.c_str(), 0, 0),
              ERROR_SUCCESS);
    EXPECT_EQ(msi::LastFailureText(), "");
    EXPECT_EQ(MsiCreateTransformSummaryInfoA(new_db, old_db, transform.c_str(), 0, 0),
              ERROR_INSTALL_PACKAGE_INVALID);
    EXPECT_TRUE(Contains(msi::LastFailureText(), "ProductCode")) << msi::LastFailureText();
    MsiCloseHandle(old_db);
    MsiCloseHandle(new_db);
}

}  // namespace
