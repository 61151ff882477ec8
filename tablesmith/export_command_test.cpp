#include "export_command.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "messages.h"
#include "tablesmith_test_support.h"

namespace tablesmith {
namespace {

using tablesmith_test::CommandTest;
using tablesmith_test::kInformation;
using tablesmith_test::kStop;
using tablesmith_test::Message;
namespace fs = std::filesystem;

class ExportCommandTest : public CommandTest {
  protected:
    void SetUp() override {
        CommandTest::SetUp();
        package_ = tablesmith_test::BuildPackage(inputs_.path(), "product.msi",
                                                 tablesmith_test::SamplePackage());
        ASSERT_FALSE(package_.empty());
        settings_.msi_file = package_;
        settings_.tables = {"Feature", "Media", "Property"};
        settings_.selected_table = "Feature";
        folder_ = ExportFolder("product");
    }

    std::vector<std::string> FolderEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    Message TableMessage(const std::string& table) const {
        return {FillMessage(kExportedTable, {table, folder_.string()}), kInformation};
    }
    Message AllTablesMessage() const {
        return {FillMessage(kExportedAllTables, {folder_.string()}), kInformation};
    }
    Message CabsMessage() const {
        return {FillMessage(kExportedAllCabs, {folder_.string()}), kInformation};
    }

    std::string package_;
    ExportSettings settings_;
    fs::path folder_;
};

TEST_F(ExportCommandTest, EmptyPackagePathDoesNothing) {
    settings_.msi_file.clear();
    EXPECT_FALSE(RunExport(settings_, sink_));
    EXPECT_TRUE(sink_.messages.empty());
    EXPECT_TRUE(temp_.Entries().empty());
}

TEST_F(ExportCommandTest, PackageThatDoesNotOpenIsToldAndLeavesNoFolder) {
    testing_support::WriteFile(inputs_.path() / "broken.msi", "not a package");
    settings_.msi_file = (inputs_.path() / "broken.msi").string();
    settings_.export_cab = true;
    EXPECT_FALSE(RunExport(settings_, sink_));
    EXPECT_EQ((std::vector<Message>{{kCantOpenPackage, kStop}}), sink_.messages);
    EXPECT_TRUE(temp_.Entries().empty());
    // A folder that was there before stays as it was.
    fs::create_directory(ExportFolder("broken"));
    testing_support::WriteFile(ExportFolder("broken") / "left.txt", "from before");
    EXPECT_FALSE(RunExport(settings_, sink_));
    EXPECT_EQ((std::vector<std::string>{"left.txt"}),
              tablesmith_test::FolderEntries(ExportFolder("broken")));
}

TEST_F(ExportCommandTest, SelectedTableIsWrittenAsTblFile) {
    EXPECT_TRUE(RunExport(settings_, sink_));
    EXPECT_EQ((std::vector<Message>{TableMessage("Feature")}), sink_.messages);
    EXPECT_EQ((std::vector<std::string>{"Feature.tbl"}), FolderEntries());
    // The installer's export format: column names, types, table and keys.
    const std::string text = testing_support::ReadFile(folder_ / "Feature.tbl");
    EXPECT_EQ(0u, text.find("Feature\tFeature_Parent\tTitle")) << text;
    EXPECT_NE(std::string::npos, text.find("Complete\t\tEverything")) << text;
}

TEST_F(ExportCommandTest, FailedSingleTableIsAStopMessage) {
    settings_.selected_table = "Missing";
    EXPECT_FALSE(RunExport(settings_, sink_));
    EXPECT_EQ((std::vector<Message>{{FillMessage(kCantExportTable, {"Missing"}), kStop}}),
              sink_.messages);
}

TEST_F(ExportCommandTest, NoSelectionExportsNoTable) {
    settings_.selected_table.clear();
    EXPECT_TRUE(RunExport(settings_, sink_));
    EXPECT_TRUE(sink_.messages.empty());
    EXPECT_TRUE(FolderEntries().empty());
}

TEST_F(ExportCommandTest, AllListedTablesAreWrittenWithOneMessage) {
    settings_.export_all = true;
    EXPECT_TRUE(RunExport(settings_, sink_));
    EXPECT_EQ((std::vector<Message>{AllTablesMessage()}), sink_.messages);
    EXPECT_EQ((std::vector<std::string>{"Feature.tbl", "Media.tbl", "Property.tbl"}),
              FolderEntries());
}

TEST_F(ExportCommandTest, ATableThatFailsStopsNoOtherAndTheSummaryIsAStop) {
    settings_.export_all = true;
    settings_.tables = {"Feature", "Gone", "Property"};
    EXPECT_FALSE(RunExport(settings_, sink_));
    EXPECT_EQ((std::vector<Message>{{kExportAllFailed, kStop}}), sink_.messages);
    const std::vector<std::string> entries = FolderEntries();
    EXPECT_TRUE(std::find(entries.begin(), entries.end(), "Feature.tbl") != entries.end());
    EXPECT_TRUE(std::find(entries.begin(), entries.end(), "Property.tbl") != entries.end());
}

TEST_F(ExportCommandTest, EmptyListWithAllTablesExportsNothingAndSaysSuccess) {
    settings_.export_all = true;
    settings_.tables.clear();
    EXPECT_TRUE(RunExport(settings_, sink_));
    EXPECT_EQ((std::vector<Message>{AllTablesMessage()}), sink_.messages);
    EXPECT_TRUE(FolderEntries().empty());
}

TEST_F(ExportCommandTest, SelectedTableThenCabinetsTellTwoMessagesInOrder) {
    settings_.export_cab = true;
    EXPECT_TRUE(RunExport(settings_, sink_));
    EXPECT_EQ((std::vector<Message>{TableMessage("Feature"), CabsMessage()}), sink_.messages);
    EXPECT_EQ((std::vector<std::string>{"Feature.tbl", "data1.cab", "other.cab"}), FolderEntries());
}

TEST_F(ExportCommandTest, AllTablesThenCabinetsTellTwoMessagesInOrder) {
    settings_.export_all = true;
    settings_.export_cab = true;
    EXPECT_TRUE(RunExport(settings_, sink_));
    EXPECT_EQ((std::vector<Message>{AllTablesMessage(), CabsMessage()}), sink_.messages);
    EXPECT_EQ((std::vector<std::string>{"Feature.tbl", "Media.tbl", "Property.tbl", "data1.cab",
                                        "other.cab"}),
              FolderEntries());
}

TEST_F(ExportCommandTest, OnlyCabinetsWritesNoTableWhateverAllSays) {
    for (bool all : {false, true}) {
        SCOPED_TRACE(all ? "all tables ticked" : "all tables not ticked");
        fs::remove_all(folder_);
        sink_.messages.clear();
        settings_.export_all = all;
        settings_.export_cab = true;
        settings_.only_cab = true;
        EXPECT_TRUE(RunExport(settings_, sink_));
        EXPECT_EQ((std::vector<Message>{CabsMessage()}), sink_.messages);
        EXPECT_EQ((std::vector<std::string>{"data1.cab", "other.cab"}), FolderEntries());
    }
}

TEST_F(ExportCommandTest, SecondExportReusesTheFolderWithWhatItHolds) {
    fs::create_directories(folder_);
    testing_support::WriteFile(folder_ / "left.txt", "from before");
    EXPECT_TRUE(RunExport(settings_, sink_));
    settings_.selected_table = "Property";
    EXPECT_TRUE(RunExport(settings_, sink_));
    EXPECT_EQ((std::vector<std::string>{"Feature.tbl", "Property.tbl", "left.txt"}),
              FolderEntries());
}

TEST_F(ExportCommandTest, PackagesOfOneNameInDifferentFoldersShareTheExportFolder) {
    fs::create_directories(inputs_.path() / "other");
    tablesmith_test::PackageContents contents;
    contents.tables = {tablesmith_test::PropertyTable()};
    const std::string second =
        tablesmith_test::BuildPackage(inputs_.path() / "other", "product.msi", contents);
    ASSERT_FALSE(second.empty());
    EXPECT_TRUE(RunExport(settings_, sink_));
    settings_.msi_file = second;
    settings_.selected_table = "Property";
    EXPECT_TRUE(RunExport(settings_, sink_));
    EXPECT_EQ((std::vector<std::string>{"Feature.tbl", "Property.tbl"}), FolderEntries());
    EXPECT_EQ((std::vector<std::string>{"product"}), temp_.Entries());
}

TEST_F(ExportCommandTest, FileOfTheFolderNameIsRefusedAndKept) {
    testing_support::WriteFile(folder_, "in the way");
    settings_.export_all = true;
    EXPECT_FALSE(RunExport(settings_, sink_));
    EXPECT_EQ((std::vector<Message>{{FillMessage(kFolderNotAFolder, {folder_.string()}), kStop}}),
              sink_.messages);
    EXPECT_EQ("in the way", testing_support::ReadFile(folder_));
}

// Someone who expects the export can make its folder first, as a link to a
// folder of the user's or as a folder of their own: nothing is written there.
TEST_F(ExportCommandTest, FolderThatIsALinkIsRefusedAndNothingIsWrittenThrough) {
    const fs::path elsewhere = inputs_.path() / "elsewhere";
    fs::create_directory(elsewhere);
    fs::create_directory_symlink(elsewhere, folder_);
    settings_.export_all = true;
    settings_.export_cab = true;
    EXPECT_FALSE(RunExport(settings_, sink_));
    EXPECT_EQ((std::vector<Message>{{FillMessage(kFolderNotAFolder, {folder_.string()}), kStop}}),
              sink_.messages);
    EXPECT_TRUE(fs::is_empty(elsewhere));
}

TEST_F(ExportCommandTest, FolderOthersMayWriteToIsRefusedUnlessSticky) {
    fs::create_directory(folder_);
    fs::permissions(folder_, fs::perms::all);
    EXPECT_FALSE(RunExport(settings_, sink_));
    EXPECT_EQ((std::vector<Message>{{FillMessage(kFolderOpenToOthers, {folder_.string()}), kStop}}),
              sink_.messages);
    EXPECT_TRUE(fs::is_empty(folder_));
    // With the sticky bit no one but the owner may replace the files.
    fs::permissions(folder_, fs::perms::all | fs::perms::sticky_bit);
    sink_.messages.clear();
    EXPECT_TRUE(RunExport(settings_, sink_));
    EXPECT_EQ((std::vector<Message>{TableMessage("Feature")}), sink_.messages);
}

TEST_F(ExportCommandTest, FolderOfAnotherUserIsRefused) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can give a folder to another user";
    fs::create_directory(folder_);
    ASSERT_EQ(0, ::chown(folder_.c_str(), 65534, 65534));
    EXPECT_FALSE(RunExport(settings_, sink_));
    EXPECT_EQ((std::vector<Message>{{FillMessage(kFolderNotOwned, {folder_.string()}), kStop}}),
              sink_.messages);
    EXPECT_TRUE(fs::is_empty(folder_));
}

TEST_F(ExportCommandTest, NewFolderIsPrivateToTheUser) {
    const mode_t old_mask = ::umask(022);
    EXPECT_TRUE(RunExport(settings_, sink_));
    ::umask(old_mask);
    struct stat st {};
    ASSERT_EQ(0, ::lstat(folder_.c_str(), &st));
    EXPECT_EQ(0700u, st.st_mode & 07777);
}

// A link placed in the folder under the name of a file the export writes is
// replaced by the file; the file it pointed to is never written.
TEST_F(ExportCommandTest, LinksAtTheNamesOfExportedFilesAreReplacedNotFollowed) {
    fs::create_directory(folder_);
    const fs::path victim = inputs_.path() / "victim.txt";
    testing_support::WriteFile(victim, "precious");
    fs::create_symlink(victim, folder_ / "Feature.tbl");
    fs::create_symlink(victim, folder_ / "data1.cab");
    settings_.export_cab = true;
    EXPECT_TRUE(RunExport(settings_, sink_));
    EXPECT_EQ("precious", testing_support::ReadFile(victim));
    EXPECT_FALSE(fs::is_symlink(folder_ / "Feature.tbl"));
    EXPECT_FALSE(fs::is_symlink(folder_ / "data1.cab"));
    EXPECT_EQ(tablesmith_test::FakeCabinet("first cabinet"),
              testing_support::ReadFile(folder_ / "data1.cab"));
    EXPECT_EQ((std::vector<std::string>{"Feature.tbl", "data1.cab", "other.cab"}), FolderEntries());
}

TEST_F(ExportCommandTest, UnusableTitlesGetAFolderOfTheirOwnInTheTemporaryFolder) {
    struct Case {
        const char* file;
        const char* folder;
    };
    for (const Case& c : {Case{".msi", "_"}, Case{"..msi", "_."}, Case{"...msi", "_.."}}) {
        SCOPED_TRACE(c.file);
        const fs::path copy = inputs_.path() / c.file;
        fs::copy_file(package_, copy, fs::copy_options::overwrite_existing);
        settings_.msi_file = copy.string();
        sink_.messages.clear();
        EXPECT_TRUE(RunExport(settings_, sink_));
        const fs::path folder = temp_.path() / c.folder;
        EXPECT_EQ((std::vector<Message>{
                      {FillMessage(kExportedTable, {"Feature", folder.string()}), kInformation}}),
                  sink_.messages);
        EXPECT_TRUE(fs::is_regular_file(folder / "Feature.tbl"));
    }
    // Nothing went into the temporary folder itself or above it.
    EXPECT_EQ((std::vector<std::string>{"_", "_.", "_.."}), temp_.Entries());
    EXPECT_FALSE(fs::exists(temp_.path().parent_path() / "Feature.tbl"));
}

TEST_F(ExportCommandTest, UnknownTemporaryFolderIsAStopMessage) {
    setenv("TMPDIR", ("/" + std::string(700, 'x')).c_str(), 1);
    EXPECT_FALSE(RunExport(settings_, sink_));
    EXPECT_EQ((std::vector<Message>{{kNoTempFolder, kStop}}), sink_.messages);
}

}  // namespace
}  // namespace tablesmith
