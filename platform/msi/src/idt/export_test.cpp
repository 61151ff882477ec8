#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "api/api_objects.h"
#include "db/summary_info.h"
#include "idt/idt_test_util.h"
#include "idt/text_archive.h"
#include "msiquery.h"
#include "test_support.h"

namespace msi::idt {
namespace {

namespace fs = std::filesystem;
using test::AddRow;
using test::MakeTable;
using test::ReadBytes;

class ExportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        db_ = test::CreateDatabase((dir_.path() / "t.msi").string());
        ASSERT_TRUE(db_);
        out_ = (dir_.path() / "out").string();
        fs::create_directory(out_);
    }
    std::string Export(const std::string& table) {
        Status s = ExportArchive(*db_, table, out_, table + ".idt");
        EXPECT_TRUE(s.ok()) << s.ToString();
        return ReadBytes(out_ + "/" + table + ".idt");
    }

    testing_support::TempDir dir_;
    std::shared_ptr<db::Database> db_;
    std::string out_;
};

TEST_F(ExportTest, OrdinaryTableHasThreeHeaderLinesAndRowsInStoredOrder) {
    MakeTable(*db_, "Multi",
              {{"K1", "i2"}, {"K2", "s32"}, {"I2c", "I2"}, {"I4c", "I4"}, {"Sc", "S64"}}, 2);
    // Pool ids decide the order of string keys: "z" then "b" then "a".
    AddRow(*db_, "Multi", {"1", "b", "-1", "100000", "x"});
    AddRow(*db_, "Multi", {"-5", "z", "32767", "-2147483647", "y"});
    AddRow(*db_, "Multi", {"1", "a", std::nullopt, std::nullopt, std::nullopt});
    EXPECT_EQ(
        "K1\tK2\tI2c\tI4c\tSc\r\n"
        "i2\ts32\tI2\tI4\tS64\r\n"
        "Multi\tK1\tK2\r\n"
        "-5\tz\t32767\t-2147483647\ty\r\n"
        "1\tb\t-1\t100000\tx\r\n"
        "1\ta\t\t\t\r\n",
        Export("Multi"));
}

TEST_F(ExportTest, ControlCharactersInValuesAreTranslated) {
    MakeTable(*db_, "Property", {{"Property", "s72"}, {"Value", "l0"}}, 1);
    AddRow(*db_, "Property", {"MULTI", std::string("a\r\nb\tc\bd\fe\0f", 12)});
    EXPECT_EQ(
        "Property\tValue\r\ns72\tl0\r\nProperty\tProperty\r\n"
        "MULTI\ta\x11\x19"
        "b\x10"
        "c\x1B"
        "d\x18"
        "e\x15"
        "f\r\n",
        Export("Property"));
}

TEST_F(ExportTest, NonAsciiTextGetsTheCodePageOnLineThree) {
    ASSERT_TRUE(db_->pool().SetCodePage(1252).ok());
    MakeTable(*db_, "ActionText", {{"Action", "s72"}, {"Description", "L0"}}, 1);
    AddRow(*db_, "ActionText", {"Advertise", "Publication d'informations \xE9"});
    MakeTable(*db_, "Plain", {{"Action", "s72"}}, 1);
    AddRow(*db_, "Plain", {"Advertise"});
    EXPECT_EQ(
        "Action\tDescription\r\ns72\tL0\r\n1252\tActionText\tAction\r\n"
        "Advertise\tPublication d'informations \xE9\r\n",
        Export("ActionText"));
    EXPECT_EQ("Action\r\ns72\r\nPlain\tAction\r\nAdvertise\r\n", Export("Plain"));
}

TEST_F(ExportTest, NeutralDatabaseNeverWritesACodePage) {
    MakeTable(*db_, "T", {{"K", "s72"}}, 1);
    AddRow(*db_, "T", {"caf\xE9"});
    EXPECT_EQ("K\r\ns72\r\nT\tK\r\ncaf\xE9\r\n", Export("T"));
}

TEST_F(ExportTest, BinaryCellsBecomeIbdFilesInTheTablesFolder) {
    MakeTable(*db_, "Binary", {{"Name", "s72"}, {"Data", "V0"}}, 1);
    AddRow(*db_, "Binary", {"Books", std::string("bytes\0here", 10)});
    AddRow(*db_, "Binary", {"Empty", std::nullopt});
    EXPECT_EQ("Name\tData\r\ns72\tV0\r\nBinary\tName\r\nBooks\tBooks.ibd\r\nEmpty\t\r\n",
              Export("Binary"));
    EXPECT_EQ(std::string("bytes\0here", 10), ReadBytes(out_ + "/Binary/Books.ibd"));
    EXPECT_EQ(1u, test::ReadTree(out_ + "/Binary").size());
}

TEST_F(ExportTest, SeveralKeysJoinWithDotsInTheFileName) {
    MakeTable(*db_, "Pairs", {{"A", "s32"}, {"B", "i2"}, {"Data", "v0"}}, 2);
    AddRow(*db_, "Pairs", {"k", "7", "seven"});
    EXPECT_EQ("A\tB\tData\r\ns32\ti2\tv0\r\nPairs\tA\tB\r\nk\t7\tk.7.ibd\r\n", Export("Pairs"));
    EXPECT_EQ("seven", ReadBytes(out_ + "/Pairs/k.7.ibd"));
}

TEST_F(ExportTest, HostileKeysNeverNameAFileOutsideTheSubFolder) {
    MakeTable(*db_, "Binary", {{"Name", "s72"}, {"Data", "v0"}}, 1);
    AddRow(*db_, "Binary", {"../../escape", "1"});
    AddRow(*db_, "Binary", {"/abs", "2"});
    AddRow(*db_, "Binary", {".._.._escape", "3"});
    const std::string text = Export("Binary");
    const auto tree = test::ReadTree(dir_.str());
    // Only the archive and three files in out/Binary exist below the test
    // folder, beside the database the test made.
    std::vector<std::string> names;
    for (const auto& [path, bytes] : tree) names.push_back(path);
    EXPECT_EQ(
        (std::vector<std::string>{"out/Binary.idt", "out/Binary/.._.._escape.ibd",
                                  "out/Binary/.._.._escape~2.ibd", "out/Binary/_abs.ibd", "t.msi"}),
        names);
    // Each cell names the file that holds its own bytes.
    EXPECT_NE(std::string::npos, text.find("../../escape\t.._.._escape.ibd\r\n"));
    EXPECT_NE(std::string::npos, text.find(".._.._escape\t.._.._escape~2.ibd\r\n"));
    EXPECT_EQ("1", tree.at("out/Binary/.._.._escape.ibd"));
    EXPECT_EQ("3", tree.at("out/Binary/.._.._escape~2.ibd"));
    EXPECT_EQ("2", tree.at("out/Binary/_abs.ibd"));
}

TEST_F(ExportTest, TableNameThatIsNotAFileNameCannotExportStreams) {
    MakeTable(*db_, "..", {{"Name", "s72"}, {"Data", "v0"}}, 1);
    AddRow(*db_, "..", {"k", "1"});
    Status s = ExportArchive(*db_, "..", out_, "dots.idt");
    EXPECT_FALSE(s.ok());
    EXPECT_FALSE(fs::exists(out_ + "/dots.idt"));
    EXPECT_FALSE(fs::exists(dir_.path() / "k.ibd"));
}

TEST_F(ExportTest, SymbolicLinkInPlaceOfTheSubFolderIsRefused) {
    MakeTable(*db_, "Binary", {{"Name", "s72"}, {"Data", "v0"}}, 1);
    AddRow(*db_, "Binary", {"k", "1"});
    fs::create_directory(dir_.path() / "elsewhere");
    fs::create_directory_symlink(dir_.path() / "elsewhere", out_ + "/Binary");
    EXPECT_FALSE(ExportArchive(*db_, "Binary", out_, "Binary.idt").ok());
    EXPECT_TRUE(fs::is_empty(dir_.path() / "elsewhere"));
}

TEST_F(ExportTest, ForceCodepageIsTwoEmptyLinesAndTheCodePage) {
    ASSERT_TRUE(db_->pool().SetCodePage(1252).ok());
    EXPECT_EQ("\r\n\r\n1252\t_ForceCodepage\r\n", Export("_ForceCodepage"));
}

TEST_F(ExportTest, SummaryInformationWritesEveryPropertyPresent) {
    format::SummaryPropertySet set;
    set.properties[1] = int16_t{1252};
    set.properties[2] = std::string("Installation Database");
    set.properties[7] = std::string("Intel;1033");
    set.properties[9] = std::string("{00000000-0000-0000-0000-000000000001}");
    set.properties[12] = format::FileTime{133486382450000000ULL};
    set.properties[14] = int32_t{200};
    set.properties[15] = int32_t{2};
    set.properties[18] = std::string("tab\there");
    set.properties[19] = int32_t{4};
    const auto bytes = set.Encode();
    std::vector<std::byte> copy(bytes.size());
    std::memcpy(copy.data(), bytes.data(), bytes.size());
    db_->streams().Put(db::SummaryInfo::kStreamName,
                       std::make_shared<db::MemoryStreamSource>(std::move(copy)));
    EXPECT_EQ(
        "PropertyId\tValue\r\ni2\tl255\r\n_SummaryInformation\tPropertyId\r\n"
        "1\t1252\r\n2\tInstallation Database\r\n7\tIntel;1033\r\n"
        "9\t{00000000-0000-0000-0000-000000000001}\r\n12\t2024/01/02 03:04:05\r\n"
        "14\t200\r\n15\t2\r\n18\ttab\x10here\r\n19\t4\r\n",
        Export("_SummaryInformation"));
}

TEST_F(ExportTest, CatalogTablesHaveNoKeyNamesOnLineThree) {
    MakeTable(*db_, "T", {{"K", "s72"}, {"V", "I2"}}, 1);
    EXPECT_EQ("Name\r\ns64\r\n_Tables\r\nT\r\n", Export("_Tables"));
    EXPECT_EQ(
        "Table\tNumber\tName\tType\r\ns64\ti2\ts64\ti2\r\n_Columns\r\n"
        "T\t1\tK\t11592\r\nT\t2\tV\t5378\r\n",
        Export("_Columns"));
}

TEST_F(ExportTest, UnknownTableFailsAndLeavesNoFile) {
    ArchiveFailure failure;
    EXPECT_FALSE(ExportArchive(*db_, "NoSuch", out_, "NoSuch.idt", &failure).ok());
    EXPECT_EQ(ArchiveFailure::kUnknownTable, failure);
    EXPECT_TRUE(fs::is_empty(out_));
}

TEST_F(ExportTest, ExistingFileIsReplacedWithoutLeftovers) {
    MakeTable(*db_, "T", {{"K", "s72"}}, 1);
    testing_support::WriteFile(out_ + "/T.idt", "old content that is longer than the new one");
    EXPECT_EQ("K\r\ns72\r\nT\tK\r\n", Export("T"));
    EXPECT_EQ(1u, test::ReadTree(out_).size());
}

TEST_F(ExportTest, FileNameWithAFolderPartIsRefused) {
    MakeTable(*db_, "T", {{"K", "s72"}}, 1);
    ArchiveFailure failure;
    EXPECT_FALSE(ExportArchive(*db_, "T", out_, "../T.idt", &failure).ok());
    EXPECT_EQ(ArchiveFailure::kBadPath, failure);
    EXPECT_FALSE(fs::exists(dir_.path() / "T.idt"));
}

class ExportApiTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string path = (dir_.path() / "api.msi").string();
        ASSERT_EQ(ERROR_SUCCESS, MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_CREATE, &handle_));
        auto db = api::GetDatabase(handle_);
        ASSERT_TRUE(db);
        MakeTable(*db, "T", {{"K", "s72"}}, 1);
        AddRow(*db, "T", {"row"});
    }
    void TearDown() override { MsiCloseHandle(handle_); }

    testing_support::TempDir dir_;
    MSIHANDLE handle_ = 0;
};

TEST_F(ExportApiTest, ResultCodesFollowTheInstaller) {
    const std::string folder = dir_.str();
    EXPECT_EQ(ERROR_SUCCESS, MsiDatabaseExportA(handle_, "T", folder.c_str(), "T.idt"));
    EXPECT_EQ("K\r\ns72\r\nT\tK\r\nrow\r\n", ReadBytes(folder + "/T.idt"));
    EXPECT_EQ(ERROR_BAD_QUERY_SYNTAX, MsiDatabaseExportA(handle_, "No", folder.c_str(), "No.idt"));
    EXPECT_FALSE(fs::exists(folder + "/No.idt"));
    EXPECT_EQ(ERROR_BAD_PATHNAME,
              MsiDatabaseExportA(handle_, "T", (folder + "/missing").c_str(), "T.idt"));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, MsiDatabaseExportA(handle_, nullptr, folder.c_str(), "x"));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, MsiDatabaseExportA(handle_, "T", nullptr, "x"));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, MsiDatabaseExportA(handle_, "T", folder.c_str(), nullptr));
    EXPECT_EQ(ERROR_INVALID_HANDLE, MsiDatabaseExportA(0, "T", folder.c_str(), "T.idt"));
}

}  // namespace
}  // namespace msi::idt
