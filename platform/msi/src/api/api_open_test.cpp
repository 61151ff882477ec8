// Opening and closing databases and their summary information: which files
// exist when, and the small contracts scripts compare.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "msi_engine.h"
#include "msiquery.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

class OpenApi : public ::testing::Test {
  protected:
    void SetUp() override {
        baseline_ = msi::OpenHandleCount();
        source_ = (dir_.path() / "source.msi").string();
        output_ = (dir_.path() / "output.msi").string();
        MSIHANDLE db = 0;
        ASSERT_EQ(MsiOpenDatabaseA(source_.c_str(), MSIDBOPEN_CREATE, &db), ERROR_SUCCESS);
        MSIHANDLE view = 0;
        ASSERT_EQ(MsiDatabaseOpenViewA(db, "CREATE TABLE `T` (`A` SHORT PRIMARY KEY `A`)", &view),
                  ERROR_SUCCESS);
        ASSERT_EQ(MsiViewExecute(view, 0), ERROR_SUCCESS);
        MsiCloseHandle(view);
        ASSERT_EQ(MsiDatabaseCommit(db), ERROR_SUCCESS);
        MsiCloseHandle(db);
    }
    void TearDown() override { EXPECT_EQ(msi::OpenHandleCount(), baseline_); }

    testing_support::TempDir dir_;
    std::string source_, output_;
    size_t baseline_ = 0;
};

TEST_F(OpenApi, CreateMakesTheFileAtOnceAndCloseWithoutCommitRemovesIt) {
    const std::string path = (dir_.path() / "new.msi").string();
    MSIHANDLE db = 0;
    ASSERT_EQ(MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_CREATE, &db), ERROR_SUCCESS);
    EXPECT_TRUE(fs::exists(path));
    // Until the commit it is an empty database others can open.
    MSIHANDLE other = 0;
    ASSERT_EQ(MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_READONLY, &other), ERROR_SUCCESS);
    MsiCloseHandle(other);
    MsiCloseHandle(db);
    EXPECT_FALSE(fs::exists(path));

    ASSERT_EQ(MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_CREATEDIRECT, &db), ERROR_SUCCESS);
    ASSERT_EQ(MsiDatabaseCommit(db), ERROR_SUCCESS);
    MsiCloseHandle(db);
    EXPECT_TRUE(fs::exists(path));
}

TEST_F(OpenApi, AnOutputPathExistsWhileOpenAndOnlyACommitKeepsIt) {
    MSIHANDLE db = 0;
    ASSERT_EQ(MsiOpenDatabaseA(source_.c_str(), output_.c_str(), &db), ERROR_SUCCESS);
    EXPECT_TRUE(fs::exists(output_));
    ASSERT_EQ(MsiDatabaseCommit(db), ERROR_SUCCESS);
    MsiCloseHandle(db);
    EXPECT_TRUE(fs::exists(output_));

    // A later open that is not committed leaves no stale output behind.
    ASSERT_EQ(MsiOpenDatabaseA(source_.c_str(), output_.c_str(), &db), ERROR_SUCCESS);
    MsiCloseHandle(db);
    EXPECT_FALSE(fs::exists(output_));
    EXPECT_TRUE(fs::exists(source_));

    // The file goes only if it is still the one the open made.
    ASSERT_EQ(MsiOpenDatabaseA(source_.c_str(), output_.c_str(), &db), ERROR_SUCCESS);
    const std::string elsewhere = (dir_.path() / "someone-elses").string();
    testing_support::WriteFile(elsewhere, "not ours");
    fs::rename(elsewhere, output_);
    MsiCloseHandle(db);
    EXPECT_EQ(testing_support::ReadFile(output_), "not ours");
}

TEST_F(OpenApi, SummaryInformationContracts) {
    MSIHANDLE si = 0;
    EXPECT_EQ(MsiGetSummaryInformationA(0, "", 0, &si), ERROR_INSTALL_PACKAGE_OPEN_FAILED);
    EXPECT_EQ(si, 0u);
    MSIHANDLE db = 0;
    ASSERT_EQ(MsiOpenDatabaseA(source_.c_str(), MSIDBOPEN_TRANSACT, &db), ERROR_SUCCESS);
    // With a database handle the path is not looked at.
    ASSERT_EQ(MsiGetSummaryInformationA(db, "", 0, &si), ERROR_SUCCESS);
    EXPECT_EQ(MsiSummaryInfoGetPropertyCount(si, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(MsiSummaryInfoGetPropertyCount(0, nullptr), ERROR_INVALID_HANDLE);
    // Opened with an update count of 0, nothing can be set.
    EXPECT_EQ(MsiSummaryInfoSetPropertyA(si, PID_TITLE, VT_LPSTR, 0, nullptr, "Mike"),
              ERROR_FUNCTION_FAILED);
    EXPECT_EQ(MsiSummaryInfoSetPropertyA(si, PID_CODEPAGE, VT_I2, 1252, nullptr, nullptr),
              ERROR_FUNCTION_FAILED);
    MsiCloseHandle(si);
    ASSERT_EQ(MsiGetSummaryInformationA(db, nullptr, 1, &si), ERROR_SUCCESS);
    ASSERT_EQ(MsiSummaryInfoSetPropertyA(si, PID_AUTHOR, VT_LPSTR, 0, nullptr, "Mike"),
              ERROR_SUCCESS);
    ASSERT_EQ(MsiSummaryInfoPersist(si), ERROR_SUCCESS);
    MsiCloseHandle(si);
    ASSERT_EQ(MsiDatabaseCommit(db), ERROR_SUCCESS);
    MsiCloseHandle(db);
    // An existing property cannot be set either, by path with count 0.
    ASSERT_EQ(MsiGetSummaryInformationA(0, source_.c_str(), 0, &si), ERROR_SUCCESS);
    UINT count = 0;
    EXPECT_EQ(MsiSummaryInfoGetPropertyCount(si, &count), ERROR_SUCCESS);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(MsiSummaryInfoSetPropertyA(si, PID_AUTHOR, VT_LPSTR, 0, nullptr, "Other"),
              ERROR_FUNCTION_FAILED);
    EXPECT_EQ(MsiSummaryInfoPersist(si), ERROR_FUNCTION_FAILED);
    MsiCloseHandle(si);
}

}  // namespace
