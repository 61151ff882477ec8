// Our export against Wine's msi.dll (the oracle), table by table, for every
// fixture package. Runs only when VSB_ORACLE names the oracle's run script.
//
// Differences that are ours on purpose, normalised before comparing:
//  - control characters: we translate all six of the installer's table,
//    Wine none; in the rows our codes are turned back into the raw
//    characters;
//  - binary cells: we write `<key>.ibd` as Windows does, Wine `<first key>`;
//    the cells are compared by the bytes of the files they name;
//  - _SummaryInformation: we write every property present.
// Faults of the oracle, each undone only where it applies:
//  - it never writes the code page on line 3, which marks a file holding
//    non-ASCII text; ours is removed when it is the database's code page
//    and the file has a byte above 0x7F;
//  - it writes text in its ANSI code page (1252), not the database's: a
//    character 1252 lacks comes out as '?'. For a database in another code
//    page our rows are put through the same conversion;
//  - _SummaryInformation: it writes only the properties whose id is below
//    the number of properties present; its rows must be exactly ours with
//    such ids.
//  - _Streams: it stops with 1627 at the stream \005SummaryInformation,
//    whose name cannot be a file name, leaving that row unfinished; the
//    rows it finished must be ours (in any order: the listing follows the
//    storage's directory, not the table).
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>

#include "db/summary_info.h"
#include "format/code_page.h"
#include "idt/archive_header.h"
#include "idt/idt_test_util.h"
#include "idt/text_archive.h"
#include "test_support.h"
#include "win32/codepage.h"

namespace msi::idt {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::string RawControls(std::string text) {
    for (char& c : text) {
        switch (c) {
            case '\x10':
                c = '\t';
                break;
            case '\x11':
                c = '\r';
                break;
            case '\x19':
                c = '\n';
                break;
            case '\x18':
                c = '\f';
                break;
            case '\x1B':
                c = '\b';
                break;
            case '\x15':
                c = '\0';
                break;
            default:
                break;
        }
    }
    return text;
}

// Replaces binary cells by the bytes of the files they name, so that the
// two naming schemes compare equal when the streams do.
void ResolveBinaryCells(std::vector<std::string>& lines, const std::string& folder,
                        const std::string& table) {
    if (lines.size() < 3) return;
    const auto types = SplitFields(lines[1]);
    for (size_t r = 3; r < lines.size(); ++r) {
        auto fields = SplitFields(lines[r]);
        std::string rebuilt;
        for (size_t c = 0; c < fields.size(); ++c) {
            if (c > 0) rebuilt += '\t';
            const bool binary =
                c < types.size() && !types[c].empty() && (types[c][0] == 'v' || types[c][0] == 'V');
            if (binary && !fields[c].empty()) {
                const std::string bytes =
                    test::ReadBytes(folder + "/" + table + "/" + std::string(fields[c]));
                rebuilt += "<stream " + std::to_string(bytes.size()) + " " +
                           std::to_string(std::hash<std::string>()(bytes)) + ">";
            } else {
                rebuilt += std::string(fields[c]);
            }
        }
        lines[r] = rebuilt;
    }
}

std::string Join(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\r\n";
    return out;
}

// The oracle's ANSI code page, in which it writes every text.
constexpr uint32_t kOracleAnsiCodePage = 1252;

bool HasHighByte(const std::string& text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return true;
    return false;
}

// Text of the database's code page as the oracle writes it: each character
// in its ANSI code page, '?' for one that has no form there.
std::string AsOracleAnsi(const std::string& bytes, uint32_t code_page) {
    if (!HasHighByte(bytes)) return bytes;
    std::string utf8;
    if (!win32::ConvertCodePage(bytes, code_page, CP_UTF8, utf8)) return bytes;
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        size_t length = 1;
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        if (lead >= 0xF0)
            length = 4;
        else if (lead >= 0xE0)
            length = 3;
        else if (lead >= 0xC0)
            length = 2;
        std::string one;
        if (win32::ConvertCodePage(utf8.substr(i, length), CP_UTF8, kOracleAnsiCodePage, one))
            out += one;
        else
            out += length == 4 ? "??" : "?";  // two UTF-16 units, two defaults
        i += length;
    }
    return out;
}

// Empty when equal after the normalisations above, else what differs.
std::string Compare(const std::string& table, const std::string& ours_dir,
                    const std::string& wine_dir, uint32_t code_page) {
    const std::string ours = test::ReadBytes(ours_dir + "/" + table + ".idt");
    const std::string wine = test::ReadBytes(wine_dir + "/" + table + ".idt");
    if (ours == wine) return "";
    auto a = SplitLines(ours);
    auto b = SplitLines(wine);
    if (table == kSummaryTable) {
        if (a.size() < 3 || b.size() < 3 || !std::equal(a.begin(), a.begin() + 3, b.begin()))
            return "the header lines differ";
        const size_t present = a.size() - 3;
        std::vector<std::string> kept(a.begin(), a.begin() + 3);
        for (size_t i = 3; i < a.size(); ++i) {
            const auto id = ParseCodePage(a[i].substr(0, a[i].find('\t')));
            if (id && *id < present) kept.push_back(a[i]);
        }
        return kept == b ? ""
                         : "Wine's rows are not ours with ids below " + std::to_string(present);
    }
    if (table == "_Streams") {
        if (!b.empty() && b.back().rfind("\x05", 0) == 0) b.pop_back();
        ResolveBinaryCells(a, ours_dir, table);
        ResolveBinaryCells(b, wine_dir, table);
        if (a.size() < 3 || b.size() < 3 || !std::equal(a.begin(), a.begin() + 3, b.begin()))
            return "the header lines differ";
        for (size_t i = 3; i < b.size(); ++i)
            if (std::find(a.begin() + 3, a.end(), b[i]) == a.end())
                return "Wine's row is not ours: " + b[i];
        return "";
    }
    const std::string stamp = std::to_string(code_page) + "\t";
    if (a.size() >= 3 && b.size() >= 3 && a[2] != b[2] && a[2].rfind(stamp, 0) == 0 &&
        HasHighByte(ours))
        a[2] = a[2].substr(stamp.size());
    ResolveBinaryCells(a, ours_dir, table);
    ResolveBinaryCells(b, wine_dir, table);
    for (size_t r = 3; r < a.size(); ++r) {
        a[r] = RawControls(a[r]);
        if (code_page != format::kNeutralCodePage && code_page != kOracleAnsiCodePage)
            a[r] = AsOracleAnsi(a[r], code_page);
    }
    const std::string na = Join(a);
    const std::string nb = Join(b);
    if (na == nb) return "";
    size_t at = 0;
    while (at < na.size() && at < nb.size() && na[at] == nb[at]) ++at;
    return "first difference at byte " + std::to_string(at) + ": ours \"" +
           na.substr(at > 40 ? at - 40 : 0, 80) + "\" Wine's \"" +
           nb.substr(at > 40 ? at - 40 : 0, 80) + "\"";
}

// Wine's result code per table, from its "export TABLE RC" lines.
std::map<std::string, std::string> ResultCodes(const std::string& output) {
    std::map<std::string, std::string> codes;
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        if (end == std::string::npos) end = output.size();
        const auto fields = SplitFields(std::string_view(output).substr(start, end - start));
        if (fields.size() == 3 && fields[0] == "export")
            codes[std::string(fields[1])] = std::string(fields[2]);
        start = end + 1;
    }
    return codes;
}

TEST(OracleCompareTest, ExportMatchesWineForEveryTableOfEveryFixture) {
    VSB_REQUIRE_ORACLE(oracle);
    VSB_REQUIRE_FIXTURES(packages, ".msi");
    size_t compared = 0;
    for (const auto& package : packages) {
        SCOPED_TRACE(package);
        testing_support::TempDir dir;
        const std::string ours = (dir.path() / "ours").string();
        const std::string wine = (dir.path() / "wine").string();
        fs::create_directories(ours);
        fs::create_directories(wine);
        auto db = test::OpenReadOnly(package.string());
        ASSERT_TRUE(db);
        auto tables = test::ArchiveTables(*db);
        tables.push_back("_Tables");
        tables.push_back("_Columns");
        tables.push_back("_Streams");
        std::vector<std::string> command = {oracle.string(), "export", package.string(), wine};
        for (const auto& t : tables) {
            Status s = ExportArchive(*db, t, ours, t + ".idt");
            ASSERT_TRUE(s.ok()) << t << ": " << s.ToString();
            command.push_back(t);
        }
        const auto run = testing_support::Run(command);
        const std::string output = run.out + run.err;
        const auto codes = ResultCodes(output);
        for (const auto& t : tables) {
            // Wine fails the summary of a package without one after its
            // header lines (ours is the header alone), and _Streams as above.
            const auto code = codes.find(t);
            const bool summary_stream = db->streams().Get(db::SummaryInfo::kStreamName) != nullptr;
            const bool expected_fault =
                (t == kSummaryTable && !summary_stream) || (t == "_Streams" && summary_stream);
            if (code == codes.end() || (code->second != "0" && !expected_fault)) {
                ADD_FAILURE() << t << ": Wine's export failed; its output: " << output;
                continue;
            }
            const std::string diff = Compare(t, ours, wine, db->pool().code_page());
            EXPECT_EQ("", diff) << t;
            ++compared;
        }
    }
    std::printf("compared %zu files with Wine's export\n", compared);
}

}  // namespace
}  // namespace msi::idt
