// Our export against Wine's msi.dll (the oracle), table by table, for every
// fixture package. Runs only when VSB_ORACLE names the oracle's run script.
//
// Known differences, normalised before comparing (each is ours on purpose):
//  - control characters: we translate all six of the installer's table,
//    Wine none; our codes are turned back into the raw characters;
//  - binary cells: we write `<key>.ibd` as Windows does, Wine `<first key>`;
//    the cells are compared by the bytes of the files they name;
//  - the code page on line 3: Windows writes it for non-ASCII data, Wine
//    never; ours is removed when Wine's line lacks it;
//  - _SummaryInformation: Wine drops properties (only ids below the number of
//    properties present); every row Wine writes must be one of ours.
// _Streams is not compared: Wine fails on the stream \005SummaryInformation,
// whose name cannot be a file name.
#include <filesystem>
#include <gtest/gtest.h>

#include "idt/archive_header.h"
#include "idt/idt_test_util.h"
#include "idt/text_archive.h"
#include "test_support.h"

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

// Empty when equal after the normalisations above, else what differs.
std::string Compare(const std::string& table, const std::string& ours_dir,
                    const std::string& wine_dir) {
    const std::string ours = test::ReadBytes(ours_dir + "/" + table + ".idt");
    const std::string wine = test::ReadBytes(wine_dir + "/" + table + ".idt");
    if (ours == wine) return "";
    auto a = SplitLines(ours);
    auto b = SplitLines(wine);
    if (table == kSummaryTable) {
        for (size_t i = 0; i < b.size(); ++i) {
            if (i < 3 ? (i >= a.size() || a[i] != b[i])
                      : std::find(a.begin(), a.end(), b[i]) == a.end())
                return "Wine's line " + std::to_string(i + 1) + " is not ours: " + b[i];
        }
        return "";
    }
    if (a.size() >= 3 && b.size() >= 3 && a[2] != b[2]) {
        const size_t tab = a[2].find('\t');
        if (tab != std::string::npos && ParseCodePage(a[2].substr(0, tab)))
            a[2] = a[2].substr(tab + 1);
    }
    ResolveBinaryCells(a, ours_dir, table);
    ResolveBinaryCells(b, wine_dir, table);
    const std::string na = RawControls(Join(a));
    const std::string nb = Join(b);
    if (na == nb) return "";
    size_t at = 0;
    while (at < na.size() && at < nb.size() && na[at] == nb[at]) ++at;
    return "first difference at byte " + std::to_string(at) + ": ours \"" +
           na.substr(at > 40 ? at - 40 : 0, 80) + "\" Wine's \"" +
           nb.substr(at > 40 ? at - 40 : 0, 80) + "\"";
}

TEST(OracleCompareTest, ExportMatchesWineForEveryTableOfEveryFixture) {
    const std::string oracle = test::OracleScript();
    if (oracle.empty()) GTEST_SKIP() << "VSB_ORACLE is not set (the oracle's run script)";
    const auto packages = test::FixturePackages();
    if (packages.empty()) GTEST_SKIP() << "fixture not available: real/*/*.msi, generated/*.msi";
    size_t compared = 0;
    for (const auto& package : packages) {
        SCOPED_TRACE(package);
        testing_support::TempDir dir;
        const std::string ours = (dir.path() / "ours").string();
        const std::string wine = (dir.path() / "wine").string();
        fs::create_directories(ours);
        fs::create_directories(wine);
        auto db = test::OpenReadOnly(package);
        ASSERT_TRUE(db);
        auto tables = test::ArchiveTables(*db);
        tables.push_back("_Tables");
        tables.push_back("_Columns");
        std::string command = test::ShellQuote(oracle) + " export " + test::ShellQuote(package) +
                              " " + test::ShellQuote(wine);
        for (const auto& t : tables) {
            Status s = ExportArchive(*db, t, ours, t + ".idt");
            ASSERT_TRUE(s.ok()) << t << ": " << s.ToString();
            command += " " + test::ShellQuote(t);
        }
        std::string output;
        test::Run(command, &output);
        for (const auto& t : tables) {
            if (!fs::exists(wine + "/" + t + ".idt")) {
                ADD_FAILURE() << t << ": Wine wrote no file; its output: " << output;
                continue;
            }
            const std::string diff = Compare(t, ours, wine);
            EXPECT_EQ("", diff) << t;
            ++compared;
        }
    }
    std::printf("compared %zu files with Wine's export\n", compared);
}

}  // namespace
}  // namespace msi::idt
