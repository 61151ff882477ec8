// tablesmith-cli info, dump and the tables of a transform, run as a process
// over the shared fixtures and checked against msitools' msiinfo, the
// fixtures' own survey, python3's JSON reader and the engine itself.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "msiquery.h"
#include "test_support.h"
#include "text_escape.h"
#include "win32/codepage.h"

namespace facts_cli_test {

namespace fs = std::filesystem;
using testing_support::Run;
using testing_support::RunResult;

RunResult Cli(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {"timeout", "300", TABLESMITH_CLI};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return Run(argv);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// info --format tsv as section -> name -> value, cells unescaped.
std::map<std::string, std::map<std::string, std::string>> InfoRows(const std::string& tsv) {
    std::map<std::string, std::map<std::string, std::string>> rows;
    const auto lines = Lines(tsv);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::vector<std::string> cells;
        std::size_t start = 0;
        for (;;) {
            const std::size_t tab = lines[i].find('\t', start);
            std::string cell;
            EXPECT_TRUE(cli::UnescapeCell(lines[i].substr(start, tab - start), cell)) << lines[i];
            cells.push_back(cell);
            if (tab == std::string::npos) break;
            start = tab + 1;
        }
        if (cells.size() == 3) rows[cells[0]][cells[1]] = cells[2];
    }
    return rows;
}

// msiinfo's labels for the summary properties, by our names.
const std::map<std::string, std::string>& MsiinfoLabels() {
    static const std::map<std::string, std::string> labels = {
        {"Title", "Title"},
        {"Subject", "Subject"},
        {"Author", "Author"},
        {"Keywords", "Keywords"},
        {"Comments", "Comments"},
        {"Template", "Template"},
        {"Last author", "LastSavedBy"},
        {"Revision number (UUID)", "RevisionNumber"},
        {"Created", "CreateTime"},
        {"Last saved", "LastSaveTime"},
        {"Last printed", "LastPrinted"},
        {"Version", "PageCount"},
        {"Source", "WordCount"},
        {"Restrict", "CharacterCount"},
        {"Application", "CreatingApplication"},
        {"Security", "Security"},
    };
    return labels;
}

// What msiinfo suminfo prints, by our names and in our forms: times (it
// prints them in the C library's form, here in UTC) in ISO 8601, numbers
// without its hexadecimal echo, text from the summary's code page in UTF-8.
std::map<std::string, std::string> SummaryByMsiinfo(const fs::path& file, unsigned code_page) {
    std::map<std::string, std::string> summary;
    const RunResult run =
        Run({"msiinfo", "suminfo", file.string()}, testing_support::RunOptions().With("TZ=UTC"));
    EXPECT_TRUE(run.ok()) << run.err;
    for (const std::string& line : Lines(run.out)) {
        const std::size_t colon = line.find(": ");
        if (colon == std::string::npos) continue;
        const std::string label = line.substr(0, colon);
        std::string value = line.substr(colon + 2);
        const auto name = MsiinfoLabels().find(label);
        if (name == MsiinfoLabels().end()) {
            ADD_FAILURE() << "msiinfo label not known here: " << line;
            continue;
        }
        std::tm time{};
        const char* end = strptime(value.c_str(), "%a %b %d %H:%M:%S %Y", &time);
        if (end != nullptr && *end == '\0') {
            char iso[32];
            std::strftime(iso, sizeof iso, "%Y-%m-%dT%H:%M:%SZ", &time);
            value = iso;
        } else if (std::regex_match(value, std::regex("-?[0-9]+ \\([0-9a-f]+\\)"))) {
            value = value.substr(0, value.find(' '));
        } else {
            // Without a code page, bytes that are not UTF-8 are Windows-1252,
            // as both peers and the engine read them.
            std::string text;
            const bool utf8 = win32::ConvertCodePage(value, CP_UTF8, CP_UTF8, text);
            const unsigned from = code_page != 0 ? code_page : utf8 ? CP_UTF8 : 1252;
            if (win32::ConvertCodePage(value, from, CP_UTF8, text)) value = text;
        }
        summary[name->second] = value;
    }
    return summary;
}

// The Property table as msiinfo exports it.
std::map<std::string, std::string> PropertiesByMsiinfo(const fs::path& package) {
    std::map<std::string, std::string> properties;
    const testing_support::TempDir scratch;
    const RunResult run = Run({"msiinfo", "export", package.string(), "Property"},
                              testing_support::RunOptions().In(scratch.path()));
    const auto lines = Lines(run.out);
    for (std::size_t i = 3; i < lines.size(); ++i) {
        std::string line = lines[i];
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t tab = line.find('\t');
        if (tab != std::string::npos) properties[line.substr(0, tab)] = line.substr(tab + 1);
    }
    return properties;
}

TEST(InfoTest, SummaryAndPropertiesOfEveryFixtureAgreeWithMsiinfo) {
    VSB_REQUIRE_FIXTURES(files, ".msi", ".mst");
    VSB_REQUIRE_PROGRAM("msiinfo");
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        const RunResult info = Cli({"info", "--format", "tsv", file.string()});
        ASSERT_EQ(0, info.status) << info.err;
        auto rows = InfoRows(info.out);
        std::map<std::string, std::string>& ours = rows["summary"];
        const unsigned code_page =
            ours.count("Codepage") ? static_cast<unsigned>(std::stoul(ours["Codepage"])) : 0;
        ours.erase("Codepage");  // msiinfo does not print it
        EXPECT_EQ(SummaryByMsiinfo(file, code_page), ours);
        if (file.extension() != ".msi") continue;
        auto theirs = PropertiesByMsiinfo(file);
        for (const char* name : {"ProductName", "ProductCode", "ProductVersion", "UpgradeCode",
                                 "Manufacturer", "ProductLanguage"}) {
            EXPECT_EQ(theirs.count(name) ? theirs[name] : "<none>",
                      rows["property"].count(name) ? rows["property"][name] : "<none>")
                << name;
        }
    }
}

// The tables each fixture transform touches, as the fixtures' survey lists
// the table streams it carries ("touches A, B, _Tables").
std::map<std::string, std::set<std::string>> TouchedBySurvey() {
    std::map<std::string, std::set<std::string>> touched;
    const std::regex row("^\\| `([^`]+\\.mst)` \\|.*\\| touches ([^|]+) \\|");
    std::istringstream manifest(testing_support::ReadFile(testing_support::SharedDir() /
                                                          "fixtures" / "MANIFEST.md"));
    for (std::string line; std::getline(manifest, line);) {
        std::smatch match;
        if (!std::regex_search(line, match, row)) continue;
        std::set<std::string>& tables = touched[match[1]];
        std::istringstream names(match[2].str());
        for (std::string name; std::getline(names, name, ',');) {
            name.erase(0, name.find_first_not_of(' '));
            name.erase(name.find_last_not_of(' ') + 1);
            if (name != "_Tables" && name != "_Columns") tables.insert(name);
        }
    }
    return touched;
}

TEST(TablesTest, ATransformListsTheTablesItTouchesAndHowAsTheSurveyFindsThem) {
    VSB_REQUIRE_FIXTURES(transforms, ".mst");
    const auto survey = TouchedBySurvey();
    ASSERT_FALSE(survey.empty());
    for (const fs::path& transform : transforms) {
        const std::string name = fs::relative(transform, testing_support::SharedDir() / "fixtures");
        SCOPED_TRACE(name);
        const RunResult tables = Cli({"tables", "--format", "tsv", transform.string()});
        ASSERT_EQ(0, tables.status) << tables.err;
        const auto lines = Lines(tables.out);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ("Table\tChange", lines[0]);
        std::set<std::string> listed;
        std::set<std::string> added;
        for (std::size_t i = 1; i < lines.size(); ++i) {
            const std::string table = lines[i].substr(0, lines[i].find('\t'));
            listed.insert(table);
            if (lines[i].substr(table.size() + 1) == "added") added.insert(table);
        }
        ASSERT_TRUE(survey.count(name)) << "the survey does not list " << name;
        EXPECT_EQ(survey.at(name), listed);
        // The survey's words for the two transforms that add tables.
        if (name.find("adobe-reader/") != std::string::npos)
            EXPECT_EQ((std::set<std::string>{"EnterpriseFiles", "EnterpriseRegistries",
                                             "ShortcutBackUp"}),
                      added);
        else
            EXPECT_TRUE(added.empty());
    }
}

}  // namespace facts_cli_test
