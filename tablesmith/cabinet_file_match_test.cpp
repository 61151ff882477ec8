#include "cabinet_file_match.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace tablesmith {
namespace {

class CabinetFileMatchTest : public testing::Test {
  protected:
    testing_support::TempDir folder_;
};

TEST_F(CabinetFileMatchTest, ExactNameIsKept) {
    testing_support::WriteFile(folder_.path() / "Data1.cab", "x");
    testing_support::WriteFile(folder_.path() / "data1.cab", "y");
    EXPECT_EQ("Data1.cab", FindCabinetFile(folder_.str(), "Data1.cab"));
}

TEST_F(CabinetFileMatchTest, OtherCaseFindsTheLowerCasedFileExportWrote) {
    testing_support::WriteFile(folder_.path() / "data1.cab", "x");
    EXPECT_EQ("data1.cab", FindCabinetFile(folder_.str(), "Data1.cab"));
    EXPECT_EQ("data1.cab", FindCabinetFile(folder_.str(), "DATA1.CAB"));
}

TEST_F(CabinetFileMatchTest, SeveralCandidatesGiveTheFirstInByteOrder) {
    testing_support::WriteFile(folder_.path() / "dAta.cab", "x");
    testing_support::WriteFile(folder_.path() / "Data.cab", "y");
    EXPECT_EQ("Data.cab", FindCabinetFile(folder_.str(), "DATA.CAB"));
}

TEST_F(CabinetFileMatchTest, MissingFileOrFolderGivesNothing) {
    EXPECT_EQ("", FindCabinetFile(folder_.str(), "none.cab"));
    EXPECT_EQ("", FindCabinetFile((folder_.path() / "absent").string(), "none.cab"));
}

TEST_F(CabinetFileMatchTest, FolderOfTheNameDoesNotCount) {
    std::filesystem::create_directory(folder_.path() / "dir.cab");
    EXPECT_EQ("", FindCabinetFile(folder_.str(), "dir.cab"));
}

TEST_F(CabinetFileMatchTest, NameThatLeavesTheFolderIsNeverMatched) {
    std::filesystem::create_directory(folder_.path() / "sub");
    testing_support::WriteFile(folder_.path() / "sub" / "a.cab", "x");
    EXPECT_EQ("", FindCabinetFile(folder_.str(), "sub/a.cab"));
    EXPECT_EQ("", FindCabinetFile((folder_.path() / "sub").string(), "../sub/a.cab"));
}

}  // namespace
}  // namespace tablesmith
