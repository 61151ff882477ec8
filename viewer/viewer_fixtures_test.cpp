// For every fixture package: the viewer's rows of each table, with the
// grid's column names and types, are the rows tablesmith-cli exports for
// it; and viewing every table leaves the package's bytes as they were.
#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>

#include "msi_engine.h"
#include "package_view.h"
#include "test_support.h"
#include "viewer_test_support.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> SplitOn(const std::string& text, const std::string& cut) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(cut, start)) != std::string::npos; start = at + cut.size())
        parts.push_back(text.substr(start, at - start));
    parts.push_back(text.substr(start));
    return parts;
}

// The IDT file's control-character replacements, undone.
std::string Unescape(std::string cell) {
    static const std::map<char, char> kBack = {{'\x15', '\0'}, {'\x1b', '\b'}, {'\x10', '\t'},
                                               {'\x19', '\n'}, {'\x18', '\f'}, {'\x11', '\r'}};
    for (char& c : cell)
        if (auto found = kBack.find(c); found != kBack.end()) c = found->second;
    return cell;
}

// The grid's text is UTF-8; the export keeps the package's bytes. Bytes of
// a neutral package read as windows-1252, as the engine reads them.
std::string ToUtf8(const std::string& text, int code_page) {
    if (code_page == 0) code_page = 1252;
    if (code_page == 65001) return text;
    iconv_t convert = iconv_open("UTF-8", ("CP" + std::to_string(code_page)).c_str());
    if (convert == reinterpret_cast<iconv_t>(-1)) return text;
    std::string out(text.size() * 4 + 4, '\0');
    char* in = const_cast<char*>(text.data());
    char* to = out.data();
    std::size_t in_left = text.size(), out_left = out.size();
    iconv(convert, &in, &in_left, &to, &out_left);
    iconv_close(convert);
    out.resize(out.size() - out_left);
    return out;
}

struct Exported {
    int code_page = 0;  // given before the table's name in line 3; 0 when absent
    std::vector<std::string> names, types, keys;
    std::vector<std::vector<std::string>> rows;
};

Exported ReadExport(const fs::path& folder, const std::string& table, int database_code_page) {
    Exported table_file;
    std::string text = testing_support::ReadFile(folder / (table + ".tbl"));
    std::vector<std::string> lines = SplitOn(text, "\r\n");
    if (lines.size() < 3) return table_file;
    if (!lines[2].empty() && std::isdigit(static_cast<unsigned char>(lines[2][0])))
        table_file.code_page = std::atoi(lines[2].c_str());
    lines = SplitOn(ToUtf8(text, table_file.code_page ? table_file.code_page : database_code_page),
                    "\r\n");
    if (table_file.code_page != 0) lines[2].erase(0, lines[2].find('\t') + 1);
    table_file.names = SplitOn(lines[0], "\t");
    table_file.types = SplitOn(lines[1], "\t");
    table_file.keys = SplitOn(lines[2], "\t");
    table_file.keys.erase(table_file.keys.begin());
    for (std::size_t i = 3; i < lines.size(); ++i) {
        if (lines[i].empty() && i + 1 == lines.size()) break;
        std::vector<std::string> cells = SplitOn(lines[i], "\t");
        for (std::size_t c = 0; c < cells.size() && c < table_file.types.size(); ++c) {
            const char type = table_file.types[c].empty() ? 's' : table_file.types[c][0];
            // A stream is a file in the table's folder; the grid shows its size.
            if ((type == 'v' || type == 'V') && !cells[c].empty())
                cells[c] =
                    "[" + std::to_string(fs::file_size(folder / table / cells[c])) + " bytes]";
            else
                cells[c] = Unescape(cells[c]);
        }
        table_file.rows.push_back(std::move(cells));
    }
    return table_file;
}

class ViewerFixtures : public ::testing::TestWithParam<const char*> {};

TEST_P(ViewerFixtures, EveryTableShowsTheRowsTheCommandLineExports) {
    const fs::path package = testing_support::Fixture(GetParam());
    if (package.empty()) GTEST_SKIP() << "the shared fixtures are not here: " << GetParam();
    if (package.extension() == ".msp") GTEST_SKIP() << "a patch is no package to view";
    const std::string bytes = testing_support::ReadFile(package);
    testing_support::TempDir out;
    const auto run = testing_support::Run(
        {TABLESMITH_CLI, "export", "--all", "--folder", out.str(), package.string()});
    ASSERT_EQ(run.status, 0) << run.err;

    viewer_test::RecordingSink sink;
    auto view = viewer::PackageView::Open(package.string(), {}, {}, sink);
    ASSERT_TRUE(view);
    UINT database_code_page = 0;
    EXPECT_EQ(msi::DatabaseCodePage(view->Database(), &database_code_page), ERROR_SUCCESS);
    const int code_page = static_cast<int>(database_code_page);
    std::size_t compared = 0;
    for (std::size_t t = 0; t < view->Tables().size(); ++t) {
        const std::string& name = view->Tables()[t].name;
        const viewer::TableRows* rows = view->Rows(t);
        ASSERT_NE(rows, nullptr) << name << " " << view->Tables()[t].failure;
        EXPECT_EQ(view->Tables()[t].rows, rows->RowCount()) << name;
        if (!fs::exists(out.path() / (name + ".tbl"))) continue;
        const Exported exported = ReadExport(out.path(), name, code_page);
        // The export names the code page only for a table whose text needs one.
        if (exported.code_page != 0) {
            EXPECT_EQ(code_page, exported.code_page) << name;
        }
        std::vector<std::string> names, types, keys;
        for (const viewer::ColumnInfo& column : rows->Columns()) {
            names.push_back(column.name);
            types.push_back(column.type);
            if (column.key) keys.push_back(column.name);
        }
        EXPECT_EQ(names, exported.names) << name;
        EXPECT_EQ(types, exported.types) << name;
        EXPECT_EQ(keys, exported.keys) << name;
        std::vector<std::vector<std::string>> shown;
        for (std::size_t row = 0; row < rows->RowCount(); ++row)
            shown.push_back(rows->RowCells(row));
        std::vector<std::vector<std::string>> expected = exported.rows;
        std::sort(shown.begin(), shown.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(shown, expected) << name;
        ++compared;
    }
    EXPECT_GT(compared, 0u);
    view.reset();
    EXPECT_EQ(testing_support::ReadFile(package), bytes) << "the package changed";
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ViewerFixtures,
                         ::testing::ValuesIn(testing_support::FixturePackageNames()),
                         [](const auto& info) {
                             return testing_support::FixtureTestName(info.param);
                         });

}  // namespace
