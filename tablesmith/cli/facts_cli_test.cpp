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
#include <tuple>

#include "msiquery.h"
#include "test_support.h"
#include "text_escape.h"
#include "win32/codepage.h"

namespace facts_cli_test {

namespace fs = std::filesystem;
using testing_support::RunResult;

RunResult Cli(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {"timeout", "300", TABLESMITH_CLI};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return testing_support::Run(argv);
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
    const RunResult run = testing_support::Run({"msiinfo", "suminfo", file.string()},
                                               testing_support::RunOptions().With("TZ=UTC"));
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
    const RunResult run = testing_support::Run({"msiinfo", "export", package.string(), "Property"},
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
    VSB_REQUIRE_FIXTURES(files, ".msi", ".mst", ".msp");
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
        const auto summary = SummaryByMsiinfo(file, code_page);
        EXPECT_EQ(summary, ours);
        if (file.extension() == ".msp") {
            // A patch's template lists its targets; its last author its
            // transforms, ":NAME;:#NAME" a pair.
            EXPECT_EQ(summary.at("Template"), rows["patch"]["Targets"]);
            std::set<std::string> pairs;
            std::istringstream names(summary.at("LastSavedBy"));
            for (std::string name; std::getline(names, name, ';');)
                if (name.rfind(":#", 0) != 0) pairs.insert(name.substr(1));
            std::set<std::string> listed;
            for (const auto& [pair, target] : rows["pair"]) listed.insert(pair);
            EXPECT_EQ(pairs, listed);
        }
        if (file.extension() == ".mst") continue;
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
    std::istringstream manifest(
        testing_support::ReadFile(testing_support::SharedDir() / "fixtures" / "MANIFEST.md"));
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

// --- dump --------------------------------------------------------------------

std::string FromBase64(const std::string& text) {
    const std::string digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string bytes;
    unsigned group = 0;
    int bits = 0;
    for (char c : text) {
        const std::size_t value = digits.find(c);
        if (value == std::string::npos) continue;  // padding
        group = (group << 6) | static_cast<unsigned>(value);
        if ((bits += 6) >= 8) bytes += static_cast<char>((group >> (bits -= 8)) & 0xFF);
    }
    return bytes;
}

// A JSON string literal as the writers make it: short escapes and \uXXXX
// (no pair is needed: only controls are escaped).
std::string FromJsonString(const std::string& literal) {
    std::string text;
    for (std::size_t i = 1; i + 1 < literal.size(); ++i) {
        if (literal[i] != '\\') {
            text += literal[i];
            continue;
        }
        const char c = literal[++i];
        if (c == 'n')
            text += '\n';
        else if (c == 'r')
            text += '\r';
        else if (c == 't')
            text += '\t';
        else if (c == 'b')
            text += '\b';
        else if (c == 'f')
            text += '\f';
        else if (c != 'u')
            text += c;
        else {
            const unsigned code = std::stoul(literal.substr(i + 1, 4), nullptr, 16);
            i += 4;
            if (code < 0x80) {
                text += static_cast<char>(code);
            } else if (code < 0x800) {
                text += static_cast<char>(0xC0 | (code >> 6));
                text += static_cast<char>(0x80 | (code & 0x3F));
            } else {
                text += static_cast<char>(0xE0 | (code >> 12));
                text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                text += static_cast<char>(0x80 | (code & 0x3F));
            }
        }
    }
    return text;
}

// Runs dump's SQL into a new database at `path`, as a program that reads it
// would: one statement a line, each "-- ?N" line after it the value of a
// marker. "" when everything ran, else the first statement that did not.
std::string RunSql(const std::string& sql, const fs::path& path, const fs::path& scratch) {
    MSIHANDLE database = 0;
    if (MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_CREATE, &database) != ERROR_SUCCESS)
        return "cannot create " + path.string();
    std::string statement;
    std::vector<std::string> values;  // "t" + text or "b" + bytes
    std::string failed;
    const auto run = [&] {
        if (statement.empty() || !failed.empty()) return;
        MSIHANDLE record = MsiCreateRecord(static_cast<UINT>(values.size()));
        for (std::size_t i = 0; i < values.size(); ++i) {
            const UINT field = static_cast<UINT>(i + 1);
            if (values[i][0] == 't') {
                MsiRecordSetStringA(record, field, values[i].c_str() + 1);
            } else {
                const fs::path file = scratch / ("cell" + std::to_string(i));
                testing_support::WriteFile(file, values[i].substr(1));
                MsiRecordSetStreamA(record, field, file.c_str());
            }
        }
        MSIHANDLE view = 0;
        if (MsiDatabaseOpenViewA(database, statement.c_str(), &view) != ERROR_SUCCESS ||
            MsiViewExecute(view, record) != ERROR_SUCCESS)
            failed = statement;
        MsiCloseHandle(view);
        MsiCloseHandle(record);
    };
    for (const std::string& line : Lines(sql)) {
        if (line.rfind("-- ?", 0) == 0) {
            const std::string value = line.substr(line.find(' ', 4) + 1);
            values.push_back(value.rfind("base64 ", 0) == 0 ? "b" + FromBase64(value.substr(7))
                                                            : "t" + FromJsonString(value));
            continue;
        }
        run();
        statement = line.substr(0, line.size() - (!line.empty() && line.back() == ';'));
        values.clear();
    }
    run();
    if (failed.empty() && MsiDatabaseCommit(database) != ERROR_SUCCESS) failed = "the commit";
    MsiCloseHandle(database);
    return failed;
}

TEST(DumpTest, SqlOfEveryFixturePackageRunsIntoAnEqualDatabaseAndJsonParses) {
    VSB_REQUIRE_FIXTURES(packages, ".msi");
    VSB_REQUIRE_PROGRAM("python3");
    for (const fs::path& package : packages) {
        SCOPED_TRACE(package.string());
        const testing_support::TempDir scratch;
        const RunResult sql = Cli({"dump", "--format", "sql", package.string()});
        ASSERT_EQ(0, sql.status) << sql.err;
        const fs::path copy = scratch.path() / "again.msi";
        EXPECT_EQ("", RunSql(sql.out, copy, scratch.path()));
        const RunResult original = Cli({"dump", "--streams", package.string()});
        const RunResult again = Cli({"dump", "--streams", copy.string()});
        ASSERT_EQ(0, original.status) << original.err;
        EXPECT_TRUE(original.out == again.out) << "the databases differ";
        const RunResult parsed = testing_support::Run(
            {"python3", "-m", "json.tool"}, testing_support::RunOptions().Input(original.out));
        EXPECT_EQ(0, parsed.status) << parsed.err;
    }
}

// A package whose table Broken names a string its pool does not have, made
// with the engine, then damaged where the row's key cell lies: just before
// the row's integer (0x11223344, stored with its sign bit flipped).
std::string PackageWithDamagedTable(const fs::path& folder) {
    const fs::path path = folder / "damaged.msi";
    MSIHANDLE database = 0;
    if (MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_CREATE, &database) != ERROR_SUCCESS) return "";
    for (const char* statement :
         {"CREATE TABLE `Broken` (`Key` CHAR(8) NOT NULL, `Number` LONG PRIMARY KEY `Key`)",
          "INSERT INTO `Broken` (`Key`, `Number`) VALUES ('a', 287454020)",
          "CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL, `Value` CHAR(0) PRIMARY KEY "
          "`Property`)",
          "INSERT INTO `Property` (`Property`, `Value`) VALUES ('ProductName', 'Kept')"}) {
        MSIHANDLE view = 0;
        MsiDatabaseOpenViewA(database, statement, &view);
        MsiViewExecute(view, 0);
        MsiCloseHandle(view);
    }
    MsiDatabaseCommit(database);
    MsiCloseHandle(database);
    std::string bytes = testing_support::ReadFile(path);
    const std::size_t number = bytes.find("\x44\x33\x22\x91");
    if (number == std::string::npos || number < 2) return "";
    bytes.replace(number - 2, 2, "\xff\x7f");
    testing_support::WriteFile(path, bytes);
    return path.string();
}

TEST(DumpTest, ADamagedTableIsToldWithItsCauseAndTheOthersAreWritten) {
    const testing_support::TempDir folder;
    const std::string package = PackageWithDamagedTable(folder.path());
    ASSERT_NE("", package);
    const std::string told =
        "Can't read table Broken!\ncause: table Broken: row 1 refers to unknown string 32767\n";
    const fs::path out = folder.path() / "out";
    // The command, then where what was kept lands ("" for standard output) and a part of it.
    const std::tuple<std::vector<std::string>, std::string, std::string> cases[] = {
        {{"dump", package}, "", "\"Value\": \"Kept\""},
        {{"dump", "--format", "sql", package}, "", "VALUES ('ProductName', 'Kept');"},
        {{"dump", "--format", "csv", "--folder", out.string(), package},
         "Property.csv",
         "Property,Value\r\nProductName,Kept\r\n"},
        {{"dump", "--format", "idt", "--folder", out.string(), package},
         "Property.idt",
         "ProductName\tKept\r\n"},
        {{"info", "--format", "tsv", package}, "", "property\tProductName\tKept"},
    };
    for (const auto& [arguments, file, kept] : cases) {
        SCOPED_TRACE(testing_support::ShellLine(arguments));
        const RunResult run = Cli(arguments);
        EXPECT_EQ(1, run.status);
        EXPECT_EQ(told, run.err);
        const std::string written = file.empty() ? run.out : testing_support::ReadFile(out / file);
        EXPECT_NE(std::string::npos, written.find(kept)) << written;
    }
    std::set<std::string> files;
    for (const auto& entry : fs::directory_iterator(out)) files.insert(entry.path().filename());
    EXPECT_EQ((std::set<std::string>{"Property.csv", "Property.idt"}), files);
}

// --- a transform made here ---------------------------------------------------

// Runs the statements on a new database at `path`; false when one fails.
bool MakeDatabase(const fs::path& path, const std::vector<std::string>& statements) {
    MSIHANDLE database = 0;
    if (MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_CREATE, &database) != ERROR_SUCCESS) return false;
    bool made = true;
    for (const std::string& statement : statements) {
        MSIHANDLE view = 0;
        made = made && MsiDatabaseOpenViewA(database, statement.c_str(), &view) == ERROR_SUCCESS &&
               MsiViewExecute(view, 0) == ERROR_SUCCESS;
        MsiCloseHandle(view);
    }
    made = made && MsiDatabaseCommit(database) == ERROR_SUCCESS;
    MsiCloseHandle(database);
    return made;
}

TEST(InfoTest, ATransformsChangesOfTablesAndItsConditionsAreToldInWords) {
    const testing_support::TempDir folder;
    const std::string property =
        "CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL, `Value` CHAR(0) PRIMARY KEY "
        "`Property`)";
    const auto product = [](const char* version) {
        return std::vector<std::string>{
            "INSERT INTO `Property` (`Property`, `Value`) VALUES ('ProductCode', '{1}')",
            "INSERT INTO `Property` (`Property`, `Value`) VALUES ('ProductLanguage', '1033')",
            std::string(
                "INSERT INTO `Property` (`Property`, `Value`) VALUES ('ProductVersion', '") +
                version + "')"};
    };
    std::vector<std::string> old_statements = {
        property, "CREATE TABLE `Gone` (`K` CHAR(8) NOT NULL PRIMARY KEY `K`)",
        "CREATE TABLE `Wider` (`K` CHAR(8) NOT NULL PRIMARY KEY `K`)",
        "INSERT INTO `Wider` (`K`) VALUES ('a')"};
    std::vector<std::string> new_statements = {
        property, "CREATE TABLE `Fresh` (`K` CHAR(8) NOT NULL PRIMARY KEY `K`)",
        "CREATE TABLE `Wider` (`K` CHAR(8) NOT NULL, `More` SHORT PRIMARY KEY `K`)",
        "INSERT INTO `Wider` (`K`, `More`) VALUES ('a', 2)"};
    for (const std::string& statement : product("1.0")) old_statements.push_back(statement);
    for (const std::string& statement : product("2.0")) new_statements.push_back(statement);
    const fs::path old_path = folder.path() / "old.msi";
    const fs::path new_path = folder.path() / "new.msi";
    const fs::path transform = folder.path() / "t.mst";
    ASSERT_TRUE(MakeDatabase(old_path, old_statements));
    ASSERT_TRUE(MakeDatabase(new_path, new_statements));
    MSIHANDLE old_db = 0;
    MSIHANDLE new_db = 0;
    ASSERT_EQ(ERROR_SUCCESS, MsiOpenDatabaseA(old_path.c_str(), MSIDBOPEN_READONLY, &old_db));
    ASSERT_EQ(ERROR_SUCCESS, MsiOpenDatabaseA(new_path.c_str(), MSIDBOPEN_READONLY, &new_db));
    EXPECT_EQ(ERROR_SUCCESS,
              MsiDatabaseGenerateTransformA(new_db, old_db, transform.c_str(), 0, 0));
    EXPECT_EQ(ERROR_SUCCESS,
              MsiCreateTransformSummaryInfoA(
                  new_db, old_db, transform.c_str(),
                  MSITRANSFORM_ERROR_ADDEXISTINGROW | MSITRANSFORM_ERROR_CHANGECODEPAGE,
                  MSITRANSFORM_VALIDATE_LANGUAGE | MSITRANSFORM_VALIDATE_PRODUCT |
                      MSITRANSFORM_VALIDATE_NEWGREATERBASEVERSION));
    MsiCloseHandle(old_db);
    MsiCloseHandle(new_db);

    const RunResult info = Cli({"info", "--format", "tsv", transform.string()});
    ASSERT_EQ(0, info.status) << info.err;
    auto rows = InfoRows(info.out);
    EXPECT_EQ((std::map<std::string, std::string>{
                  {"TargetProductCode", "{1}"},
                  {"TargetVersion", "1.0"},
                  {"UpgradedProductCode", "{1}"},
                  {"UpgradedVersion", "2.0"},
                  {"UpgradeCode", ""},
                  {"Validation", "language, product code, new version > base version"},
                  {"ErrorConditions", "add existing row, change code page"}}),
              rows["transform"]);
    EXPECT_EQ((std::map<std::string, std::string>{{"Fresh", "added"},
                                                  {"Gone", "dropped"},
                                                  {"Property", "rows changed"},
                                                  {"Wider", "columns added, rows changed"}}),
              rows["table"]);
}

}  // namespace facts_cli_test
