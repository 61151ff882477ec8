// Another user who may rename entries in the folder above the export folder
// (a shared folder open to all, without the sticky bit) swaps the export
// folder for a link once the command has checked it. The commands must go on
// in the folder they checked: nothing may land where the link points.
#include <unistd.h>

#include <filesystem>

#include "export_command.h"
#include "export_folder.h"
#include "generate_command.h"
#include "tablesmith_test_support.h"

namespace tablesmith {
namespace {

using tablesmith_test::CommandTest;
using tablesmith_test::FolderEntries;
namespace fs = std::filesystem;

class FolderSwapTest : public CommandTest {
  protected:
    void SetUp() override {
        CommandTest::SetUp();
        tablesmith_test::PackageContents contents = tablesmith_test::SamplePackage();
        // A binary cell, so that the table's sub-folder is made as well.
        contents.tables.push_back(
            {"Binary", "Name\tData\r\ns72\tv0\r\nBinary\tName\r\nIcon\tIcon.ibd\r\n"});
        fs::create_directories(inputs_.path() / "product.msi.src" / "Binary");
        testing_support::WriteFile(inputs_.path() / "product.msi.src" / "Binary" / "Icon.ibd",
                                   "icon bytes");
        package_ = tablesmith_test::BuildPackage(inputs_.path(), "product.msi", contents);
        ASSERT_FALSE(package_.empty());
        target_ = inputs_.path() / "victim";
        fs::create_directory(target_);
    }
    void TearDown() override {
        SetFolderCheckedHook(nullptr);
        CommandTest::TearDown();
    }

    // From the next check on, the checked folder is moved aside and a link
    // to the victim's folder takes its path.
    void SwapAfterCheck() {
        SetFolderCheckedHook([this](const std::string& folder) {
            SetFolderCheckedHook(nullptr);
            fs::rename(folder, moved_);
            fs::create_directory_symlink(target_, folder);
        });
    }

    ExportSettings AllAndCabinets() const {
        ExportSettings settings;
        settings.msi_file = package_;
        settings.tables = tables_;
        settings.export_all = true;
        settings.export_cab = true;
        return settings;
    }

    const std::vector<std::string> tables_ = {"Binary", "Feature", "Media", "Property"};
    std::string package_;
    fs::path target_;
    fs::path moved_ = temp_.path() / "moved";
};

TEST_F(FolderSwapTest, ExportGoesOnInTheFolderItChecked) {
    SwapAfterCheck();
    EXPECT_TRUE(RunExport(AllAndCabinets(), sink_));
    EXPECT_EQ(std::vector<std::string>{}, FolderEntries(target_));
    EXPECT_EQ((std::vector<std::string>{"Binary", "Binary.tbl", "Feature.tbl", "Media.tbl",
                                        "Property.tbl", "data1.cab", "other.cab"}),
              FolderEntries(moved_));
    EXPECT_EQ((std::vector<std::string>{"Icon.ibd"}), FolderEntries(moved_ / "Binary"));
}

TEST_F(FolderSwapTest, GenerateReadsAndWritesTheFolderItChecked) {
    ASSERT_TRUE(RunExport(AllAndCabinets(), sink_));
    // The victim's folder holds an export of its own, which must not be read.
    for (const char* name : {"Property.tbl", "data1.cab"})
        fs::copy_file(ExportFolder("product") / name, target_ / name);
    const std::vector<std::string> before = FolderEntries(target_);
    SwapAfterCheck();
    EXPECT_TRUE(RunGenerate(GenerateSettings{package_, tables_}, sink_));
    EXPECT_EQ(before, FolderEntries(target_));
    EXPECT_TRUE(fs::is_regular_file(moved_ / "product.msi"));
    EXPECT_EQ(tablesmith_test::MsiinfoExport(package_, "Binary"),
              tablesmith_test::MsiinfoExport((moved_ / "product.msi").string(), "Binary"));
}

}  // namespace
}  // namespace tablesmith
