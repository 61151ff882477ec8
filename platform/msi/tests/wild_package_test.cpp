// Packages as they come from the wild, made here at test time by msitools'
// msibuild (an independent producer) and by our engine, and read as the
// installer reads them: text in each language's database code page whatever
// the summary says, more than 65,535 strings (3-byte references) in every
// kind of table, a string longer than 64 KiB, column types our own tables
// never use, and streams the engine does not know, kept by a commit.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "format/stream_name.h"
#include "interop_util.h"
#include "msiquery.h"
#include "storage/compound_file.h"
#include "storage/compound_writer.h"
#include "storage/stream_reader.h"
#include "test_support.h"

namespace msi_interop {
namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;

// A row as msiinfo exports it: a stream cell as the stream's name, the table
// and the row's `keys` first cells joined by dots.
std::string Cells(const ApiTable& table, size_t row, const std::string& name = "",
                  size_t keys = 0) {
    const auto& cells = table.rows.at(row);
    std::string line, stream_name = name;
    for (size_t k = 0; k < keys; ++k) stream_name += "." + MsiinfoText(cells[k]);
    for (size_t c = 0; c < cells.size(); ++c) {
        if (c > 0) line += '\t';
        line += cells[c].kind == Cell::Kind::kStream ? stream_name : MsiinfoText(cells[c]);
    }
    return line;
}

// Text in the language of each code page, in a database of that code page
// whose summary names another one (as packages localised by patching the
// pool do): msitools' reader decodes the pool by the database's code page
// and shows the text written, and so do we.
TEST(WildPackage, TextIsStoredInTheDatabaseCodePageWhateverTheSummarySays) {
    VSB_REQUIRE_PROGRAM("msiinfo");
    const struct {
        UINT code_page;
        const char* text;
    } cases[] = {
        {949, "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4 \xEC\x84\xA4\xEC\xB9\x98"},  // Korean
        {936, "\xE5\xAE\x89\xE8\xA3\x85\xE7\xA8\x8B\xE5\xBA\x8F"},  // Simplified Chinese
        {950, "\xE5\xAE\x89\xE8\xA3\x9D\xE7\xA8\x8B\xE5\xBC\x8F"},  // Traditional Chinese
        {1251, "\xD0\xA3\xD1\x81\xD1\x82\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2\xD0\xBA\xD0\xB0"},
        {1253,
         "\xCE\x95\xCE\xB3\xCE\xBA\xCE\xB1\xCF\x84\xCE\xAC\xCF\x83\xCF\x84\xCE\xB1\xCF\x83\xCE"
         "\xB7"},
        {65001, "\xE2\x9C\x93 \xE6\x97\xA5\xE6\x9C\xAC \xD0\x96"},
        {0, "plain text"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code_page);
        TempDir dir;
        const fs::path path = dir.path() / "cp.msi";
        {
            Handle db;
            ASSERT_EQ(MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_CREATE, db.out()), ERROR_SUCCESS);
            testing_support::WriteFile(
                dir.path() / "cp.idt",
                "\r\n\r\n" + std::to_string(c.code_page) + "\t_ForceCodepage\r\n");
            ASSERT_EQ(MsiDatabaseImportA(db.get(), dir.path().c_str(), "cp.idt"), ERROR_SUCCESS);
            ASSERT_EQ(Exec(db.get(),
                           "CREATE TABLE `T` (`K` CHAR(8) NOT NULL, `V` CHAR(0) PRIMARY KEY `K`)"),
                      ERROR_SUCCESS);
            Handle rec(MsiCreateRecord(1));
            MsiRecordSetStringA(rec.get(), 1, c.text);
            ASSERT_EQ(Exec(db.get(), "INSERT INTO `T` (`K`, `V`) VALUES ('k', ?)", rec.get()),
                      ERROR_SUCCESS);
            Handle summary;
            ASSERT_EQ(MsiGetSummaryInformationA(db.get(), nullptr, 2, summary.out()),
                      ERROR_SUCCESS);
            ASSERT_EQ(MsiSummaryInfoSetPropertyA(summary.get(), PID_CODEPAGE, VT_I2, 1252, nullptr,
                                                 nullptr),
                      ERROR_SUCCESS);
            ASSERT_EQ(MsiSummaryInfoPersist(summary.get()), ERROR_SUCCESS);
            ASSERT_EQ(MsiDatabaseCommit(db.get()), ERROR_SUCCESS);
        }
        Handle db;
        ASSERT_EQ(MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_READONLY, db.out()), ERROR_SUCCESS);
        const ApiTable ours = ReadTable(db.get(), "T");
        ASSERT_EQ(ours.rows.size(), 1u);
        EXPECT_EQ(Cells(ours, 0), std::string("k\t") + c.text);
        TempDir scratch;
        const auto exported =
            testing_support::Run({"msiinfo", "export", path.string(), "T"},
                                 testing_support::RunOptions().In(scratch.path()));
        ASSERT_TRUE(exported.ok());
        EXPECT_EQ(MsiinfoRows(exported.out), std::vector<std::string>{std::string("k\t") + c.text});
    }
}

// A package msibuild makes from text archives, with more than 65,535 strings
// so that every table's string references are 3 bytes wide (_Validation and
// _Streams among them), tables of every stored column type (keys of each
// kind, nullable keys, localizable and binary columns), no summary of ours,
// a cabinet gcab made, a document summary and a stream nobody knows.
class MsibuildPackage : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir();
        const fs::path in = dir_->path() / "in";
        fs::create_directories(in / "Types");
        std::string many = "Id\tText\r\ns72\tL0\r\nMany\tId\r\n";
        for (int i = 0; i < kManyRows; ++i)
            many += "m" + std::to_string(i) + "\tstring number " + std::to_string(i) + "\r\n";
        testing_support::WriteFile(in / "Many.idt", many);
        testing_support::WriteFile(in / "Types" / "blob", "binary cell bytes");
        testing_support::WriteFile(in / "Types.idt",
                                   "K1\tK2\tK3\tK4\tA\tB\tC\tD\tE\tF\tBin\r\n"
                                   "s8\ti2\ti4\tl16\tS0\tL0\tI2\tI4\ts255\tl255\tV0\r\n"
                                   "Types\tK1\tK2\tK3\tK4\r\n"
                                   "a\t-32767\t-2147483647\tloc\t\t\t\t\tx\ty\tblob\r\n"
                                   "b\t32767\t2147483647\tloc\ts\tl\t1\t-1\tx\ty\t\r\n");
        testing_support::WriteFile(in / "NullKeys.idt",
                                   "K1\tK2\tK3\tK4\tV\r\n"
                                   "S8\tI2\tI4\tL16\tS0\r\n"
                                   "NullKeys\tK1\tK2\tK3\tK4\r\n"
                                   "\t\t\t\tall keys null\r\n"
                                   "k\t1\t\tl\tsome\r\n");
        testing_support::WriteFile(
            in / "_Validation.idt",
            "Table\tColumn\tNullable\tMinValue\tMaxValue\tKeyTable\tKeyColumn\tCategory\tSet\t"
            "Description\r\n"
            "s32\ts32\ts4\tI4\tI4\tS255\tI2\tS32\tS255\tS255\r\n"
            "_Validation\tTable\tColumn\r\n"
            "Many\tId\tN\t\t\t\t\tIdentifier\t\tkey of the many rows\r\n"
            "Many\tText\tY\t\t\t\t\tText\t\ta text\r\n");
        testing_support::WriteFile(in / "file.txt", "a file in a cabinet\n");
        testing_support::WriteFile(in / "docsum", std::string("\xFE\xFF\0\0opaque", 10));
        testing_support::WriteFile(in / "unknown", "bytes nobody reads");
        const fs::path cab = in / "data.cab";
        ASSERT_TRUE(
            testing_support::Run({"gcab", "-c", "-n", cab.string(), (in / "file.txt").string()})
                .ok());
        path_ = dir_->path() / "wild.msi";
        const auto built = testing_support::Run(
            {"msibuild", path_.string(), "-i", (in / "Many.idt").string(), "-i",
             (in / "Types.idt").string(), "-i", (in / "NullKeys.idt").string(), "-i",
             (in / "_Validation.idt").string(), "-a", "data.cab", cab.string(), "-a",
             "\x05"
             "DocumentSummaryInformation",
             (in / "docsum").string(), "-a", "Unknown.Stream", (in / "unknown").string()},
            testing_support::RunOptions().In(in));
        ASSERT_TRUE(built.ok()) << built.err;
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    void SetUp() override {
        VSB_REQUIRE_PROGRAM("msibuild");
        VSB_REQUIRE_PROGRAM("gcab");
        ASSERT_TRUE(fs::exists(path_)) << "the package could not be made";
    }

    static constexpr int kManyRows = 66000;
    // The binary cell of Types and the cabinet in _Streams read back whole.
    static void ExpectStreamsRead(MSIHANDLE db) {
        const ApiTable types = ReadTable(db, "Types");
        ASSERT_EQ(types.rows.size(), 2u);
        EXPECT_EQ(types.rows[0][10].bytes, "binary cell bytes");
        const ApiTable streams =
            ReadQuery(db, "SELECT * FROM `_Streams` WHERE `Name` = 'data.cab'");
        ASSERT_EQ(streams.rows.size(), 1u);
        EXPECT_EQ(streams.rows[0][1].bytes,
                  testing_support::ReadFile(dir_->path() / "in" / "data.cab"));
    }

    static TempDir* dir_;
    static fs::path path_;
};

TempDir* MsibuildPackage::dir_ = nullptr;
fs::path MsibuildPackage::path_;

TEST_F(MsibuildPackage, EveryTableReadsAsMsitoolsReadsIt) {
    {  // The pool's header announces 3-byte references (the top bit of its first dword).
        auto file = msi::storage::CompoundFile::Open(path_.string());
        ASSERT_TRUE(file.ok());
        const auto name = msi::format::EncodeStreamName("_StringPool", true);
        const auto id = (*file)->Find(msi::storage::CompoundFile::kRootId, *name);
        ASSERT_TRUE(id.has_value());
        auto pool = (*file)->OpenStream(*id);
        ASSERT_TRUE(pool.ok());
        const auto bytes = *pool->ReadAll();
        ASSERT_GE(bytes.size(), 4u);
        EXPECT_TRUE(bytes[3] & 0x80);
    }
    Handle db;
    ASSERT_EQ(MsiOpenDatabaseA(path_.c_str(), MSIDBOPEN_READONLY, db.out()), ERROR_SUCCESS);
    for (const auto& [table, keys] :
         {std::pair{"Many", 1}, {"Types", 4}, {"NullKeys", 4}, {"_Validation", 2}}) {
        SCOPED_TRACE(table);
        TempDir scratch;
        const auto exported =
            testing_support::Run({"msiinfo", "export", path_.string(), table},
                                 testing_support::RunOptions().In(scratch.path()));
        ASSERT_TRUE(exported.ok());
        auto theirs = MsiinfoRows(exported.out);
        const ApiTable ours = ReadTable(db.get(), table);
        ASSERT_EQ(ours.status, static_cast<UINT>(ERROR_SUCCESS));
        std::vector<std::string> lines;
        for (size_t r = 0; r < ours.rows.size(); ++r)
            lines.push_back(Cells(ours, r, table, size_t(keys)));
        std::sort(lines.begin(), lines.end());
        std::sort(theirs.begin(), theirs.end());
        EXPECT_EQ(lines, theirs);
    }
    EXPECT_EQ(ReadTable(db.get(), "Many").rows.size(), size_t(kManyRows));
    EXPECT_EQ(ReadTable(db.get(), "Types").types,
              (std::vector<std::string>{"s8", "i2", "i4", "l16", "S0", "L0", "I2", "I4", "s255",
                                        "l255", "V0"}));
    ExpectStreamsRead(db.get());
}

// A transacted edit rewrites the tables and carries every other stream, the
// document summary and the unknown one among them, byte for byte.
TEST_F(MsibuildPackage, StreamsTheEngineDoesNotKnowSurviveACommit) {
    const fs::path copy = dir_->path() / "edited.msi";
    fs::copy_file(path_, copy, fs::copy_options::overwrite_existing);
    {
        Handle db;
        ASSERT_EQ(MsiOpenDatabaseA(copy.c_str(), MSIDBOPEN_TRANSACT, db.out()), ERROR_SUCCESS);
        ASSERT_EQ(Exec(db.get(), "INSERT INTO `Many` (`Id`, `Text`) VALUES ('new', 'row')"),
                  ERROR_SUCCESS);
        ASSERT_EQ(MsiDatabaseCommit(db.get()), ERROR_SUCCESS);
    }
    auto before = msi::storage::CompoundFile::Open(path_.string());
    auto after = msi::storage::CompoundFile::Open(copy.string());
    ASSERT_TRUE(before.ok() && after.ok());
    size_t carried = 0;
    for (msi::storage::EntryId id : (*before)->Children(msi::storage::CompoundFile::kRootId)) {
        const auto& entry = (*before)->entry(id);
        if ((!entry.name.empty() && entry.name[0] == 0x4840) ||
            entry.name == u"\u0005SummaryInformation")
            continue;  // tables and the summary are written anew
        const auto other = (*after)->Find(msi::storage::CompoundFile::kRootId, entry.name);
        ASSERT_TRUE(other.has_value());
        auto a = (*before)->OpenStream(id);
        auto b = (*after)->OpenStream(*other);
        ASSERT_TRUE(a.ok() && b.ok());
        EXPECT_EQ(*b->ReadAll(), *a->ReadAll());
        ++carried;
    }
    // The cabinet, the document summary, the unknown stream and the binary cell.
    EXPECT_EQ(carried, 4u);
    Handle db;
    ASSERT_EQ(MsiOpenDatabaseA(copy.c_str(), MSIDBOPEN_READONLY, db.out()), ERROR_SUCCESS);
    EXPECT_EQ(ReadTable(db.get(), "Many").rows.size(), size_t(kManyRows) + 1);
}

// Some writers store the streams of binary cells and of _Streams under their
// plain names, without the packing table names get: the package read back
// from such a copy finds them under either form.
TEST_F(MsibuildPackage, StreamsStoredUnderPlainNamesAreFound) {
    auto file = msi::storage::CompoundFile::Open(path_.string());
    ASSERT_TRUE(file.ok());
    msi::storage::CompoundWriter writer;
    writer.SetRootInfo({.clsid = (*file)->root_clsid()});
    size_t renamed = 0;
    for (msi::storage::EntryId id : (*file)->Children(msi::storage::CompoundFile::kRootId)) {
        std::u16string name = (*file)->entry(id).name;
        auto decoded = msi::format::DecodeStreamName(name);
        ASSERT_TRUE(decoded.ok());
        if (!decoded->is_table && name[0] != 0x0005) {
            name = std::u16string(decoded->name.begin(), decoded->name.end());  // ASCII here
            renamed += name != (*file)->entry(id).name;
        }
        auto stream = (*file)->OpenStream(id);
        ASSERT_TRUE(stream.ok());
        ASSERT_TRUE(
            writer.AddStream(msi::storage::CompoundWriter::kRoot, name, *stream->ReadAll()).ok());
    }
    ASSERT_EQ(renamed, 3u);  // the cabinet, the binary cell, the unknown stream
    const fs::path plain = dir_->path() / "plain.msi";
    ASSERT_TRUE(writer.WriteFile(plain.string()).ok());

    Handle db;
    ASSERT_EQ(MsiOpenDatabaseA(plain.c_str(), MSIDBOPEN_READONLY, db.out()), ERROR_SUCCESS);
    ExpectStreamsRead(db.get());
}

}  // namespace
}  // namespace msi_interop
