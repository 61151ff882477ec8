// Every table of every real and generated package, read through the public
// C interface (SELECT * and MsiViewFetch), must give the rows and values that
// two independent readers give: Debian's msiinfo (export, cell by cell,
// binary cells by content) and the oracle (Wine's msi.dll: column names and
// types, every row, _Streams).
//
// Where msiinfo is known to be wrong the oracle alone decides: msiinfo's
// export writes CR and LF inside values raw, so such rows cannot be told
// apart from row ends; and libmsi reads strings of 64 KiB and more in its own
// writer's layout, not the installer's.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "interop_util.h"
#include "test_support.h"

namespace msi_interop {
namespace {

namespace fs = std::filesystem;

constexpr size_t kLongString = 65536;

// Strings reach the caller in UTF-8 whatever the package's code page. wixl
// stores windows-1252 bytes under the neutral code page 0; both peers read
// them as windows-1252, and so does the engine, which also writes neutral
// text that way where 1252 can hold it (format/code_page.h gives the
// reasons). So every row is compared, and
// NeutralCodePageBytesReadAsWindows1252 shows that package.
bool IsUtf8(const std::string& s) {
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        size_t extra = 0;
        if (c >= 0x80) {
            if ((c >> 5) == 6) {
                extra = 1;
            } else if ((c >> 4) == 14) {
                extra = 2;
            } else if ((c >> 3) == 30) {
                extra = 3;
            } else {
                return false;
            }
        }
        if (i + extra >= s.size() && extra > 0) return false;
        for (size_t k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2) return false;
        i += extra + 1;
    }
    return true;
}

// A value msiinfo cannot be trusted with (see the top of the file).
bool MsiinfoCannotShow(const Cell& cell) {
    if (cell.kind != Cell::Kind::kString) return false;
    return cell.bytes.size() >= kLongString ||
           cell.bytes.find_first_of("\r\n") != std::string::npos;
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    size_t pos = 0;
    for (;;) {
        const size_t tab = line.find('\t', pos);
        fields.push_back(
            line.substr(pos, tab == std::string::npos ? std::string::npos : tab - pos));
        if (tab == std::string::npos) return fields;
        pos = tab + 1;
    }
}

// Our row in msiinfo's form; a stream cell as its length and hash.
std::string OurMsiinfoLine(const std::vector<Cell>& row) {
    std::string line;
    for (size_t i = 0; i < row.size(); ++i) {
        if (i) line += '\t';
        line += row[i].kind == Cell::Kind::kStream ? OracleText(row[i]) : MsiinfoText(row[i]);
    }
    return line;
}

// msiinfo's row with each binary cell (a stream name) replaced by the length
// and hash of the file msiinfo wrote for it.
std::string TheirMsiinfoLine(const std::string& line, const std::vector<std::string>& types,
                             const fs::path& folder) {
    auto fields = SplitTabs(line);
    for (size_t i = 0; i < fields.size() && i < types.size(); ++i) {
        if (types[i].empty() || (types[i][0] != 'v' && types[i][0] != 'V')) continue;
        if (fields[i].empty()) continue;
        const fs::path file = folder / fields[i].substr(0, fields[i].find('.')) / fields[i];
        Cell stream{Cell::Kind::kStream, 0, testing_support::ReadFile(file)};
        fields[i] = OracleText(stream);
    }
    std::string out;
    for (size_t i = 0; i < fields.size(); ++i) out += (i ? "\t" : "") + fields[i];
    return out;
}

std::multiset<std::string> Lines(const std::string& text) {
    std::multiset<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        if (end > pos) lines.insert(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return lines;
}

class PackageReading : public ::testing::TestWithParam<const char*> {
  protected:
    void SetUp() override {
        path_ = testing_support::Fixture(GetParam());
        if (path_.empty()) GTEST_SKIP() << "fixture not available: " << GetParam();
        ASSERT_EQ(MsiOpenDatabaseA(path_.c_str(), MSIDBOPEN_READONLY, db_.out()), ERROR_SUCCESS);
        names_ = TableNames(db_.get());
        ASSERT_FALSE(names_.empty());
        for (const auto& name : names_) {
            tables_.push_back(ReadTable(db_.get(), name));
            ASSERT_EQ(tables_.back().status, 0u) << name;
        }
    }

    fs::path path_;
    Handle db_;
    std::vector<std::string> names_;
    std::vector<ApiTable> tables_;
};

TEST_P(PackageReading, TablesAndRowsMatchMsiinfoCellByCell) {
    VSB_REQUIRE_PROGRAM("msiinfo");
    testing_support::TempDir scratch;  // msiinfo writes binary cells into its working folder

    // The same tables (msiinfo adds its two pseudo tables).
    const testing_support::RunResult listed =
        testing_support::Run({"msiinfo", "tables", path_.string()});
    ASSERT_TRUE(listed.ok());
    auto theirs = Lines(listed.out);
    theirs.erase("_SummaryInformation");
    theirs.erase("_ForceCodepage");
    EXPECT_EQ(std::multiset<std::string>(names_.begin(), names_.end()), theirs);

    size_t cells = 0, left_to_oracle = 0;
    for (size_t t = 0; t < names_.size(); ++t) {
        const ApiTable& table = tables_[t];
        bool trusted = true;
        for (const auto& row : table.rows)
            for (const auto& cell : row) trusted &= !MsiinfoCannotShow(cell);
        if (!trusted) {
            ++left_to_oracle;
            continue;
        }
        const testing_support::RunResult exported =
            testing_support::Run({"msiinfo", "export", path_.string(), names_[t]},
                                 testing_support::RunOptions().In(scratch.path()));
        ASSERT_TRUE(exported.ok()) << names_[t];
        std::vector<std::string> ours, expected;
        for (const auto& row : table.rows) ours.push_back(OurMsiinfoLine(row));
        for (const auto& line : MsiinfoRows(exported.out))
            expected.push_back(TheirMsiinfoLine(line, table.types, scratch.path()));
        EXPECT_EQ(ours, expected) << GetParam() << " table " << names_[t];
        for (const auto& row : table.rows) cells += row.size();
    }
    EXPECT_GT(cells, 0u);
    RecordProperty("tables_left_to_oracle", int(left_to_oracle));
}

TEST_P(PackageReading, EveryStringCellIsUtf8) {
    for (size_t t = 0; t < names_.size(); ++t) {
        for (const auto& row : tables_[t].rows) {
            for (const auto& cell : row) {
                if (cell.kind == Cell::Kind::kString) {
                    EXPECT_TRUE(IsUtf8(cell.bytes)) << names_[t] << ": " << cell.bytes;
                }
            }
        }
    }
}

TEST_P(PackageReading, StreamsListTheStreamsMsiinfoLists) {
    VSB_REQUIRE_PROGRAM("msiinfo");
    const testing_support::RunResult listed =
        testing_support::Run({"msiinfo", "streams", path_.string()});
    ASSERT_TRUE(listed.ok());
    const ApiTable streams = ReadTable(db_.get(), "_Streams");
    ASSERT_EQ(streams.status, 0u);
    ASSERT_EQ(streams.names, (std::vector<std::string>{"Name", "Data"}));
    std::multiset<std::string> ours;
    for (const auto& row : streams.rows) {
        ours.insert(row[0].bytes);
        EXPECT_EQ(row[1].kind, Cell::Kind::kStream) << row[0].bytes;
    }
    // Compared as sets: putty's package holds two directory entries that both
    // decode to \005SummaryInformation; msiinfo lists both, the engine and the
    // oracle one.
    const auto theirs = Lines(listed.out);
    EXPECT_EQ(std::set<std::string>(ours.begin(), ours.end()),
              std::set<std::string>(theirs.begin(), theirs.end()));
    EXPECT_EQ(ours.size(), std::set<std::string>(ours.begin(), ours.end()).size())
        << "a stream listed twice";
}

TEST_P(PackageReading, NamesTypesRowsAndStreamsMatchTheOracle) {
    VSB_REQUIRE_ORACLE(script);
    std::vector<std::string> queries;
    for (const auto& name : names_) queries.push_back("SELECT * FROM `" + name + "`");
    queries.push_back("SELECT * FROM `_Streams`");
    bool ok = false;
    const auto results = OracleQuery(script, path_, queries, ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(results.size(), queries.size());
    for (size_t t = 0; t < names_.size(); ++t) {
        auto ours = AsOracleLines(tables_[t]);
        auto theirs = results[t];
        EXPECT_EQ(ours, theirs) << GetParam() << " table " << names_[t];
    }
    // _Streams: the same rows, compared without regard to order.
    const ApiTable streams = ReadTable(db_.get(), "_Streams");
    auto ours = AsOracleLines(streams);
    auto theirs = results.back();
    std::sort(ours.begin(), ours.end());
    std::sort(theirs.begin(), theirs.end());
    EXPECT_EQ(ours, theirs) << GetParam() << " _Streams";
}

INSTANTIATE_TEST_SUITE_P(Fixtures, PackageReading,
                         ::testing::ValuesIn(testing_support::FixturePackageNames()),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name = fs::path(info.param).stem().string();
                             for (char& c : name)
                                 if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

// Neutral-code-page bytes read as the peers read them: windows-1252.
TEST(PackageReadingNeutralText, NeutralCodePageBytesReadAsWindows1252) {
    VSB_REQUIRE_FIXTURE(path, "generated/wixl-hello.msi");
    Handle db;
    ASSERT_EQ(MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_READONLY, db.out()), ERROR_SUCCESS);
    const ApiTable table =
        ReadQuery(db.get(), "SELECT `Value` FROM `Property` WHERE `Property` = 'ACCENTS'");
    ASSERT_EQ(table.rows.size(), 1u);
    EXPECT_EQ(table.rows[0][0].bytes,
              "Cr\u00e8me br\u00fbl\u00e9e \u00e0 la fa\u00e7on \u2013 \u20ac 5 \u00a9 "
              "\u00ab\u00dcn\u00efc\u00f6d\u00e9\u00bb \u00df");
}

TEST(PackageReadingList, NamesEveryPackageOfTheFixtureFolders) {
    VSB_REQUIRE_FIXTURES(found, ".msi", ".msp");
    const fs::path base = testing_support::SharedDir() / "fixtures";
    const auto& names = testing_support::FixturePackageNames();
    const std::set<std::string> listed(names.begin(), names.end());
    for (const auto& path : found)
        EXPECT_TRUE(listed.count(fs::relative(path, base).string())) << path << " is not listed";
}

}  // namespace
}  // namespace msi_interop
