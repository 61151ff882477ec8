#include "cabinet_file_match.h"

#include <gtest/gtest.h>

#include <map>

#include "test_support.h"

namespace tablesmith {
namespace {

class CabinetFileMatchTest : public testing::Test {
  protected:
    // A missing folder stays closed: nothing is found in it.
    static ExportFolder Opened(const std::filesystem::path& path) {
        ExportFolder folder;
        folder.Open(path.string());
        return folder;
    }
    testing_support::TempDir folder_;
};

TEST_F(CabinetFileMatchTest, ExactNameIsKept) {
    testing_support::WriteFile(folder_.path() / "Data1.cab", "x");
    testing_support::WriteFile(folder_.path() / "data1.cab", "y");
    EXPECT_EQ("Data1.cab", FindCabinetFile(Opened(folder_.path()), "Data1.cab"));
}

TEST_F(CabinetFileMatchTest, OtherCaseFindsTheLowerCasedFileExportWrote) {
    testing_support::WriteFile(folder_.path() / "data1.cab", "x");
    EXPECT_EQ("data1.cab", FindCabinetFile(Opened(folder_.path()), "Data1.cab"));
    EXPECT_EQ("data1.cab", FindCabinetFile(Opened(folder_.path()), "DATA1.CAB"));
}

TEST_F(CabinetFileMatchTest, SeveralCandidatesGiveTheFirstInByteOrder) {
    testing_support::WriteFile(folder_.path() / "dAta.cab", "x");
    testing_support::WriteFile(folder_.path() / "Data.cab", "y");
    EXPECT_EQ("Data.cab", FindCabinetFile(Opened(folder_.path()), "DATA.CAB"));
}

TEST_F(CabinetFileMatchTest, MissingFileOrFolderGivesNothing) {
    EXPECT_EQ("", FindCabinetFile(Opened(folder_.path()), "none.cab"));
    EXPECT_EQ("", FindCabinetFile(Opened(folder_.path() / "absent"), "none.cab"));
}

TEST_F(CabinetFileMatchTest, FolderOfTheNameDoesNotCount) {
    std::filesystem::create_directory(folder_.path() / "dir.cab");
    EXPECT_EQ("", FindCabinetFile(Opened(folder_.path()), "dir.cab"));
}

TEST_F(CabinetFileMatchTest, NameThatLeavesTheFolderIsNeverMatched) {
    std::filesystem::create_directory(folder_.path() / "sub");
    testing_support::WriteFile(folder_.path() / "sub" / "a.cab", "x");
    EXPECT_EQ("", FindCabinetFile(Opened(folder_.path()), "sub/a.cab"));
    EXPECT_EQ("", FindCabinetFile(Opened(folder_.path() / "sub"), "../sub/a.cab"));
}

TEST_F(CabinetFileMatchTest, LowerCasedFileComesBeforeOtherSpellings) {
    // Export wrote the lower-cased name for the stream that claimed it, and
    // "DATA.cab" under its own spelling.
    testing_support::WriteFile(folder_.path() / "DATA.cab", "x");
    testing_support::WriteFile(folder_.path() / "data.cab", "y");
    EXPECT_EQ("data.cab", FindCabinetFile(Opened(folder_.path()), "Data.cab"));
    EXPECT_EQ("DATA.cab", FindCabinetFile(Opened(folder_.path()), "DATA.cab"));
}

TEST(CabinetFileNamesTest, EachStreamGetsItsLowerCasedNameWhenNoOtherClaimsIt) {
    const auto files = CabinetFileNames({"Data1.cab", "_1_Module.msm", "x.CAB"});
    EXPECT_EQ(
        (std::map<std::string, std::string>{
            {"Data1.cab", "data1.cab"}, {"_1_Module.msm", "_1_module.msm"}, {"x.CAB", "x.cab"}}),
        files);
}

TEST(CabinetFileNamesTest, NamesThatDifferOnlyInCaseGetDistinctFiles) {
    EXPECT_EQ((std::map<std::string, std::string>{{"A.cab", "a.cab"}, {"A.CAB", "A.CAB"}}),
              CabinetFileNames({"A.cab", "A.CAB"}));
    // A stream already in lower case claims the name, wherever it comes.
    EXPECT_EQ((std::map<std::string, std::string>{
                  {"A.cab", "A.cab"}, {"A.CAB", "A.CAB"}, {"a.cab", "a.cab"}}),
              CabinetFileNames({"A.cab", "A.CAB", "a.cab"}));
}

TEST_F(CabinetFileMatchTest, CabFileOrCabinetSignatureCountsAsACabinetFile) {
    EXPECT_FALSE(HoldsCabinetFile(Opened(folder_.path())));
    EXPECT_FALSE(HoldsCabinetFile(Opened(folder_.path() / "absent")));
    testing_support::WriteFile(folder_.path() / "Property.tbl", "Property\tValue");
    testing_support::WriteFile(folder_.path() / "short", "MSC");
    std::filesystem::create_directory(folder_.path() / "dir.cab");
    EXPECT_FALSE(HoldsCabinetFile(Opened(folder_.path())));

    testing_support::WriteFile(folder_.path() / "_1_module.msm", "MSCF....");
    EXPECT_TRUE(HoldsCabinetFile(Opened(folder_.path())));
    std::filesystem::remove(folder_.path() / "_1_module.msm");
    testing_support::WriteFile(folder_.path() / "EXTERNAL.CAB", "");
    EXPECT_TRUE(HoldsCabinetFile(Opened(folder_.path())));
}

}  // namespace
}  // namespace tablesmith
