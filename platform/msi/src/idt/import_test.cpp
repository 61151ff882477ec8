#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "api/api_objects.h"
#include "db/record.h"
#include "db/summary_info.h"
#include "idt/idt_test_util.h"
#include "idt/text_archive.h"
#include "msiquery.h"
#include "test_support.h"

namespace msi::idt {
namespace {

namespace fs = std::filesystem;
using testing_support::WriteFile;

class ImportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        db_ = test::CreateDatabase((dir_.path() / "t.msi").string());
        ASSERT_TRUE(db_);
        in_ = (dir_.path() / "in").string();
        fs::create_directory(in_);
    }
    Status Import(const std::string& file, const std::string& text) {
        WriteFile(in_ + "/" + file, text);
        return ImportArchive(*db_, in_, file);
    }
    // The table as its export writes it.
    std::string Exported(const std::string& table) {
        const std::string out = (dir_.path() / "out").string();
        fs::create_directories(out);
        Status s = ExportArchive(*db_, table, out, table + ".idt");
        EXPECT_TRUE(s.ok()) << s.ToString();
        return test::ReadBytes(out + "/" + table + ".idt");
    }
    std::string ErrorOf(const std::string& text) {
        Status s = Import("Bad.idt", text);
        EXPECT_FALSE(s.ok());
        return s.message();
    }

    testing_support::TempDir dir_;
    std::shared_ptr<db::Database> db_;
    std::string in_;
};

constexpr const char* kMulti =
    "K1\tK2\tI2c\tI4c\tSc\r\n"
    "i2\ts32\tI2\tI4\tS64\r\n"
    "Multi\tK1\tK2\r\n"
    "-5\tz\t32767\t-2147483647\ty\r\n"
    "1\tb\t-1\t100000\tx\r\n"
    "1\ta\t\t\t\r\n";

TEST_F(ImportTest, NewTableIsCreatedFromTheHeadersWithRowsInFileOrder) {
    ASSERT_TRUE(Import("Multi.idt", kMulti).ok());
    const db::TableSchema* schema = db_->Schema("Multi");
    ASSERT_NE(nullptr, schema);
    EXPECT_EQ(2u, schema->KeyCount());
    EXPECT_EQ("I4", schema->columns[3].type.ArchiveString());
    EXPECT_EQ(kMulti, Exported("Multi"));
    auto table = db_->GetTable("Multi");
    EXPECT_EQ(db::Record::kNullInteger, static_cast<int32_t>((*table)->rows()[2]->cells[2]));
}

TEST_F(ImportTest, LfLineEndsAndATrailingBlankLineAreAccepted) {
    ASSERT_TRUE(Import("T.idt", "K\tV\ns72\tS0\nT\tK\na\tone\nb\t\n\n").ok());
    EXPECT_EQ("K\tV\r\ns72\tS0\r\nT\tK\r\na\tone\r\nb\t\r\n", Exported("T"));
}

TEST_F(ImportTest, ControlCharacterCodesBecomeTheCharactersAgain) {
    ASSERT_TRUE(Import("P.idt",
                       "K\tV\r\ns72\tl0\r\nP\tK\r\nk\ta\x11\x19"
                       "b\x10"
                       "c\x15\r\n")
                    .ok());
    auto table = db_->GetTable("P");
    EXPECT_EQ(std::string("a\r\nb\tc\0", 7), *db_->pool().Lookup((*table)->rows()[0]->cells[1]));
}

TEST_F(ImportTest, ExistingTableIsReplacedByTheArchivesTable) {
    test::MakeTable(*db_, "T", {{"K", "s72"}, {"Old", "I2"}}, 1);
    test::AddRow(*db_, "T", {"old", "1"});
    ASSERT_TRUE(Import("T.idt", "K\tNew\r\ns72\tS255\r\nT\tK\r\nnew\tvalue\r\n").ok());
    EXPECT_EQ("K\tNew\r\ns72\tS255\r\nT\tK\r\nnew\tvalue\r\n", Exported("T"));
}

TEST_F(ImportTest, FailedImportLeavesTheOldTableAlone) {
    test::MakeTable(*db_, "T", {{"K", "s72"}}, 1);
    test::AddRow(*db_, "T", {"kept"});
    EXPECT_FALSE(Import("T.idt", "K\r\ns72\r\nT\tK\r\na\r\na\r\n").ok());
    EXPECT_EQ("K\r\ns72\r\nT\tK\r\nkept\r\n", Exported("T"));
}

TEST_F(ImportTest, CodePageOfTheFileIsTakenByANeutralDatabase) {
    ASSERT_TRUE(Import("A.idt", "K\r\ns72\r\n1252\tA\tK\r\ncaf\xE9\r\n").ok());
    EXPECT_EQ(1252u, db_->pool().code_page());
    EXPECT_EQ("K\r\ns72\r\n1252\tA\tK\r\ncaf\xE9\r\n", Exported("A"));
}

TEST_F(ImportTest, TextIsConvertedFromTheFilesCodePageToTheDatabases) {
    ASSERT_TRUE(db_->pool().SetCodePage(65001).ok());
    ASSERT_TRUE(Import("A.idt", "K\r\ns72\r\n1252\tA\tK\r\ncaf\xE9\r\n").ok());
    auto table = db_->GetTable("A");
    EXPECT_EQ("caf\xC3\xA9", *db_->pool().Lookup((*table)->rows()[0]->cells[0]));
}

TEST_F(ImportTest, ForceCodepageSetsThePoolsCodePage) {
    ASSERT_TRUE(Import("_ForceCodepage.idt", "\r\n\r\n1251\t_ForceCodepage\r\n").ok());
    EXPECT_EQ(1251u, db_->pool().code_page());
    EXPECT_FALSE(Import("_ForceCodepage.idt", "\n\n12345\t_ForceCodepage\n").ok());
    // msitools' export ends the file with a stray NUL byte.
    ASSERT_TRUE(
        Import("_ForceCodepage.idt", std::string("\r\n\r\n1252\t_ForceCodepage\r\n\0", 26)).ok());
    EXPECT_EQ(1252u, db_->pool().code_page());
}

TEST_F(ImportTest, SummaryInformationWritesTheSummaryStream) {
    ASSERT_TRUE(Import("_SummaryInformation.idt",
                       "PropertyId\tValue\r\ni2\tl255\r\n_SummaryInformation\tPropertyId\r\n"
                       "1\t1252\r\n2\tInstallation Database\r\n12\t2024/01/02 03:04:05\r\n"
                       "14\t200\r\n")
                    .ok());
    auto stream = db_->streams().Get(db::SummaryInfo::kStreamName);
    ASSERT_TRUE(stream);
    auto bytes = db::ReadAll(*stream);
    auto set = format::SummaryPropertySet::Decode(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()));
    ASSERT_TRUE(set.ok());
    EXPECT_EQ(int16_t{1252}, std::get<int16_t>(set->properties.at(1)));
    EXPECT_EQ("Installation Database", std::get<std::string>(set->properties.at(2)));
    EXPECT_EQ(int32_t{200}, std::get<int32_t>(set->properties.at(14)));
    EXPECT_EQ(
        "PropertyId\tValue\r\ni2\tl255\r\n_SummaryInformation\tPropertyId\r\n"
        "1\t1252\r\n2\tInstallation Database\r\n12\t2024/01/02 03:04:05\r\n14\t200\r\n",
        Exported("_SummaryInformation"));
}

TEST_F(ImportTest, SummaryRowsWithUnknownIdsOrBadValuesAreRefused) {
    const std::string head = "PropertyId\tValue\r\ni2\tl255\r\n_SummaryInformation\tPropertyId\r\n";
    EXPECT_EQ("Bad.idt:4: property 20 is not a summary property", ErrorOf(head + "20\tx\r\n"));
    EXPECT_EQ("Bad.idt:4: a time reads YYYY/MM/DD hh:mm:ss", ErrorOf(head + "12\tyesterday\r\n"));
    EXPECT_EQ("Bad.idt:4: not a number: \"many\"", ErrorOf(head + "14\tmany\r\n"));
}

TEST_F(ImportTest, BinaryCellsAreReadFromTheTablesSubFolder) {
    fs::create_directory(in_ + "/Binary");
    WriteFile(in_ + "/Binary/Books.ibd", std::string("\0\1\2", 3));
    ASSERT_TRUE(Import("Binary.idt",
                       "Name\tData\r\ns72\tv0\r\nBinary\tName\r\nBooks\tBooks.ibd\r\nNone\t\r\n")
                    .ok());
    auto stream = db_->streams().Get("Binary.Books");
    ASSERT_TRUE(stream);
    EXPECT_EQ(3u, stream->Size());
    EXPECT_FALSE(db_->streams().Has("Binary.None"));
}

// Binary cells name files in the folder named after the archive file without
// its extension, whatever the table is called.
TEST_F(ImportTest, BinaryCellsAreReadFromTheFolderNamedAfterTheArchiveFile) {
    fs::create_directory(in_ + "/bin_import");
    WriteFile(in_ + "/bin_import/filename1.ibd", "just some words");
    ASSERT_TRUE(Import("bin_import.idt",
                       "Name\tData\r\ns72\tV0\r\nBinary\tName\r\nfilename1\tfilename1.ibd\r\n")
                    .ok());
    auto stream = db_->streams().Get("Binary.filename1");
    ASSERT_TRUE(stream);
    EXPECT_EQ(15u, stream->Size());
}

// A carriage return that does not end a line is dropped from the value; a
// NUL byte reads as a line feed; a bare CR ends no line.
TEST_F(ImportTest, StrayCarriageReturnsAreDroppedAndNulBytesAreLineFeeds) {
    ASSERT_TRUE(Import("T.idt",
                       "A\tB\tC\r\ns72\ts72\tS255\r\nT\tA\r\n"
                       "a\tb\tc\n"
                       "g\th\t\rj\r\n"
                       "k\tl\t" +
                           std::string("Abc\0Def", 7) + "\r\n")
                    .ok());
    // The line feed of the last value is escaped again on export.
    EXPECT_EQ(
        "A\tB\tC\r\ns72\ts72\tS255\r\nT\tA\r\na\tb\tc\r\ng\th\tj\r\nk\tl\tAbc\x19"
        "Def\r\n",
        Exported("T"));
    // A header line ended by a bare CR runs into the next one.
    EXPECT_FALSE(Import("T2.idt", "A\tB\rs72\ts72\nT2\tA\r\na\tb\r\n").ok());
    EXPECT_FALSE(db_->HasTable("T2"));
}

// The archive Bad.idt keeps its binary cells' files in Bad/.
TEST_F(ImportTest, BinaryCellsOutsideTheSubFolderAreRefused) {
    WriteFile(dir_.path() / "secret", "secret");
    fs::create_directory(in_ + "/Bad");
    fs::create_symlink(dir_.path() / "secret", in_ + "/Bad/link.ibd");
    const std::string head = "Name\tData\r\ns72\tv0\r\nBinary\tName\r\n";
    EXPECT_EQ("Bad.idt:4: Data: stream file \"../../secret\" is not a plain file name",
              ErrorOf(head + "k\t../../secret\r\n"));
    EXPECT_EQ("Bad.idt:4: Data: stream file \"/etc/passwd\" is not a plain file name",
              ErrorOf(head + "k\t/etc/passwd\r\n"));
    EXPECT_EQ("Bad.idt:4: Data: stream file \"..\" is not a plain file name",
              ErrorOf(head + "k\t..\r\n"));
    EXPECT_NE(std::string::npos, ErrorOf(head + "k\tlink.ibd\r\n").find("not a regular file"));
    EXPECT_NE(std::string::npos, ErrorOf(head + "k\tmissing.ibd\r\n").find("no file"));
    EXPECT_FALSE(db_->HasTable("Binary"));
}

TEST_F(ImportTest, StreamFilesThatAreNotRegularFilesInARealFolderAreRefused) {
    const std::string head = "Name\tData\r\ns72\tv0\r\nBinary\tName\r\n";
    // The archive's folder as a symbolic link to a folder elsewhere.
    const fs::path elsewhere = dir_.path() / "elsewhere";
    fs::create_directory(elsewhere);
    WriteFile(elsewhere / "x.ibd", "outside");
    fs::create_directory_symlink(elsewhere, in_ + "/Bad");
    EXPECT_NE(std::string::npos, ErrorOf(head + "k\tx.ibd\r\n").find("no folder"));
    fs::remove(in_ + "/Bad");
    // A folder, and a named pipe (whose open would wait for a writer).
    fs::create_directories(in_ + "/Bad/sub");
    ASSERT_EQ(0, ::mkfifo((in_ + "/Bad/pipe").c_str(), 0600));
    EXPECT_NE(std::string::npos, ErrorOf(head + "k\tsub\r\n").find("not a regular file"));
    EXPECT_NE(std::string::npos, ErrorOf(head + "k\tpipe\r\n").find("not a regular file"));
    // A control character or a backslash in the cell.
    EXPECT_NE(std::string::npos,
              ErrorOf(head + "k\t..\\x.ibd\r\n").find("is not a plain file name"));
    EXPECT_FALSE(db_->HasTable("Binary"));
}

TEST_F(ImportTest, StreamsRowsNamingFilesOutsideOrUnstorableNamesAreRefused) {
    fs::create_directory(in_ + "/Bad");
    WriteFile(in_ + "/Bad/ok.ibd", "cab");
    fs::create_directory(in_ + "/S");
    WriteFile(in_ + "/S/ok.ibd", "cab");
    const std::string head = "Name\tData\r\ns62\tV0\r\n_Streams\tName\r\n";
    EXPECT_EQ("Bad.idt:4: stream file is not a plain file name",
              ErrorOf(head + "a.cab\t../ok.ibd\r\n"));
    EXPECT_EQ("Bad.idt:4: invalid stream name", ErrorOf(head + "\tok.ibd\r\n"));
    EXPECT_EQ("Bad.idt:4: invalid stream name",
              ErrorOf(head + std::string(70, 'n') + "\tok.ibd\r\n"));
    EXPECT_EQ("Bad.idt:4: a _Streams row has two fields", ErrorOf(head + "a.cab\r\n"));
    EXPECT_FALSE(db_->streams().Has("a.cab"));
    ASSERT_TRUE(Import("S.idt", head + "a.cab\tok.ibd\r\n").ok());
    EXPECT_TRUE(db_->streams().Has("a.cab"));
}

TEST_F(ImportTest, ColumnTypesOutsideTheInstallersAreRefused) {
    for (const char* type : {"s256", "i3", "i8", "s", "v", "sx", "q4", "l1000"}) {
        const std::string error = ErrorOf(std::string("K\r\n") + type + "\r\nT\tK\r\n");
        EXPECT_EQ(0u, error.find("Bad.idt:2: column type")) << type << ": " << error;
    }
    EXPECT_EQ("Bad.idt:2: 1 types for 2 columns", ErrorOf("K\tV\r\ns72\r\nT\tK\r\n"));
    EXPECT_FALSE(db_->HasTable("T"));
}

TEST_F(ImportTest, HostileRowsGetErrorsNamingFileAndLine) {
    const std::string head = "K\tN\r\ns72\tI2\r\nT\tK\r\n";
    EXPECT_EQ("Bad.idt:4: 1 fields for 2 columns", ErrorOf(head + "a\r\n"));
    EXPECT_EQ("Bad.idt:5: 3 fields for 2 columns", ErrorOf(head + "a\t1\r\nb\t2\t3\r\n"));
    EXPECT_EQ("Bad.idt:4: N: not a number: \"12x\"", ErrorOf(head + "a\t12x\r\n"));
    EXPECT_EQ("Bad.idt:4: N: number out of range: \"32768\"", ErrorOf(head + "a\t32768\r\n"));
    EXPECT_EQ("Bad.idt:4: N: number out of range: \"-99999999999999999999\"",
              ErrorOf(head + "a\t-99999999999999999999\r\n"));
    EXPECT_EQ("Bad.idt:5: duplicate key", ErrorOf(head + "a\t1\r\na\t2\r\n"));
    EXPECT_EQ("Bad.idt:2: column type \"x9\" does not start with s, l, i or v",
              ErrorOf("K\r\nx9\r\nT\tK\r\n"));
    EXPECT_EQ("Bad.idt:3: the table has no key column", ErrorOf("K\r\ns72\r\nT\r\n"));
    EXPECT_EQ("Bad.idt:3: key columns must be the first columns, in order",
              ErrorOf("K\tV\r\ns72\ti2\r\nT\tV\r\n"));
    EXPECT_EQ("Bad.idt:3: unknown code page 4242", ErrorOf("K\r\ns72\r\n4242\tT\tK\r\n"));
    EXPECT_EQ("Bad.idt:3: table name cannot be stored: " + std::string(70, 'T'),
              ErrorOf("K\r\ns72\r\n" + std::string(70, 'T') + "\tK\r\n"));
    EXPECT_FALSE(db_->HasTable("T"));
}

TEST_F(ImportTest, LineOfManyMegabytesIsRefused) {
    const std::string head = "K\tV\r\ns72\tl0\r\nT\tK\r\n";
    EXPECT_EQ("Bad.idt:4: line is longer than the limit",
              ErrorOf(head + "k\t" + std::string(20 << 20, 'x') + "\r\n"));
}

TEST_F(ImportTest, CatalogTablesCannotBeImported) {
    EXPECT_EQ("_Tables cannot be imported", ErrorOf("Name\r\ns64\r\n_Tables\r\nT\r\n"));
}

TEST_F(ImportTest, MissingFileAndFolderFail) {
    ArchiveFailure failure;
    EXPECT_FALSE(ImportArchive(*db_, in_, "none.idt", &failure).ok());
    EXPECT_EQ(ArchiveFailure::kFailed, failure);
    EXPECT_FALSE(ImportArchive(*db_, in_ + "/none", "T.idt", &failure).ok());
    EXPECT_EQ(ArchiveFailure::kBadPath, failure);
    EXPECT_FALSE(ImportArchive(*db_, in_, "../t.msi", &failure).ok());
    EXPECT_EQ(ArchiveFailure::kBadPath, failure);
}

TEST(ImportApiTest, ImportedTablesAreQueryableAndCommitted) {
    testing_support::TempDir dir;
    const std::string path = (dir.path() / "api.msi").string();
    const std::string folder = dir.str();
    WriteFile(dir.path() / "Property.idt",
              "Property\tValue\r\ns72\tl0\r\nProperty\tProperty\r\nProductName\tDemo\r\n");
    MSIHANDLE db = 0;
    ASSERT_EQ(ERROR_SUCCESS, MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_CREATE, &db));
    EXPECT_EQ(ERROR_SUCCESS, MsiDatabaseImportA(db, folder.c_str(), "Property.idt"));
    EXPECT_EQ(ERROR_FUNCTION_FAILED, MsiDatabaseImportA(db, folder.c_str(), "none.idt"));
    EXPECT_EQ(ERROR_BAD_PATHNAME, MsiDatabaseImportA(db, (folder + "/no").c_str(), "x.idt"));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, MsiDatabaseImportA(db, nullptr, "x.idt"));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, MsiDatabaseImportA(db, folder.c_str(), nullptr));
    EXPECT_EQ(ERROR_INVALID_HANDLE, MsiDatabaseImportA(0, folder.c_str(), "Property.idt"));
    EXPECT_EQ(ERROR_SUCCESS, MsiDatabaseCommit(db));
    MsiCloseHandle(db);

    ASSERT_EQ(ERROR_SUCCESS, MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_READONLY, &db));
    MSIHANDLE view = 0, record = 0;
    ASSERT_EQ(ERROR_SUCCESS, MsiDatabaseOpenViewA(db, "SELECT `Value` FROM `Property`", &view));
    ASSERT_EQ(ERROR_SUCCESS, MsiViewExecute(view, 0));
    ASSERT_EQ(ERROR_SUCCESS, MsiViewFetch(view, &record));
    char value[32];
    DWORD size = sizeof value;
    EXPECT_EQ(ERROR_SUCCESS, MsiRecordGetStringA(record, 1, value, &size));
    EXPECT_STREQ("Demo", value);
    // A read-only database refuses an import.
    EXPECT_EQ(ERROR_FUNCTION_FAILED, MsiDatabaseImportA(db, folder.c_str(), "Property.idt"));
    MsiCloseHandle(record);
    MsiCloseHandle(view);
    MsiCloseHandle(db);
}

}  // namespace
}  // namespace msi::idt
