#include "working_copy_name.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

namespace fs = std::filesystem;

TEST(WorkingCopyNameTest, TakesThePlainNameWhenFreeAndNumbersTheNext) {
    testing_support::TempDir folder;
    const std::string first =
        installer::CreateUniqueTimeNamedFile(folder.str(), "wkmsi", 1700000000);
    const std::string second =
        installer::CreateUniqueTimeNamedFile(folder.str(), "wkmsi", 1700000000);
    const std::string third =
        installer::CreateUniqueTimeNamedFile(folder.str(), "wkmsi", 1700000000);
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

// Failures that no user's rights get around (the tests run as root, where
// folder modes do not stop a write): a missing folder, and a file in place of
// the folder. Neither gives a name, and nothing is created.
TEST(WorkingCopyNameTest, AFolderThatCannotHoldFilesGivesNoName) {
    testing_support::TempDir folder;
    EXPECT_EQ(
        "", installer::CreateUniqueTimeNamedFile((folder.path() / "missing").string(), "wkmsi", 1));
    const fs::path file = folder.path() / "plain-file";
    testing_support::WriteFile(file, "x");
    EXPECT_EQ("", installer::CreateUniqueTimeNamedFile(file.string(), "wkmsi", 1));
    EXPECT_EQ(std::vector<std::string>{"plain-file"}, folder.Entries());
}

}  // namespace
