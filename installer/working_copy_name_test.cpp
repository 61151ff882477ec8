#include "working_copy_name.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

namespace fs = std::filesystem;

TEST(WorkingCopyNameTest, TakesThePlainNameWhenFreeAndNumbersTheNext) {
    testing_support::TempDir folder;
    const std::string first = installer::CreateUniqueTimeNamedFile(folder.str(), "wkmsi", 1700000000);
    const std::string second = installer::CreateUniqueTimeNamedFile(folder.str(), "wkmsi", 1700000000);
    const std::string third = installer::CreateUniqueTimeNamedFile(folder.str(), "wkmsi", 1700000000);
    EXPECT_EQ((folder.path() / "wkmsi1700000000.tmp").string(), first);
    EXPECT_EQ((folder.path() / "wkmsi1700000000-1.tmp").string(), second);
    EXPECT_EQ((folder.path() / "wkmsi1700000000-2.tmp").string(), third);
    EXPECT_EQ(3u, folder.Entries().size());
}

TEST(WorkingCopyNameTest, NegativeSecondsKeepTheirSign) {
    testing_support::TempDir folder;
    EXPECT_EQ((folder.path() / "wkmsi-5.tmp").string(),
              installer::CreateUniqueTimeNamedFile(folder.str(), "wkmsi", -5));
}

TEST(WorkingCopyNameTest, AnEmptyFolderGivesNoName) {
    EXPECT_EQ("", installer::CreateUniqueTimeNamedFile("", "wkmsi", 1));
}

TEST(WorkingCopyNameTest, AFolderThatCannotBeWrittenGivesNoName) {
    testing_support::TempDir folder;
    const fs::path locked = folder.path() / "locked";
    fs::create_directory(locked);
    ::chmod(locked.c_str(), 0500);
    if (::access(locked.c_str(), W_OK) == 0) GTEST_SKIP() << "running with rights that ignore modes";
    EXPECT_EQ("", installer::CreateUniqueTimeNamedFile(locked.string(), "wkmsi", 1));
}

}  // namespace
