// Extract beside msitools' msiextract over every fixture package that
// msiextract extracts: the same files with the same bytes. Paths differ
// where the two read the tables differently; each difference is undone
// here, with why ours follows the tables:
//   - msiextract writes standard folders (ProgramFilesFolder, SystemFolder...)
//     under the names a Windows installation gives them; the tables name only
//     the property, which is what Extract writes (kStandardNames);
//   - msiextract keeps a DefaultDir's "target:source" whole as one name;
//     the part after ":" is where the source image keeps the folder, not
//     where the file is installed, so Extract drops it (and a target of "."
//     means the parent folder);
//   - a directory whose parent is no row of the Directory table (a property
//     set at install time) goes to the root in msiextract, below a folder of
//     the property's name in Extract (kPropertyParents);
//   - two files of one path: msiextract writes the second over the first,
//     Extract keeps both ("~2").

#include <filesystem>
#include <map>
#include <set>

#include "extract_command.h"
#include "tablesmith_test_support.h"

namespace tablesmith {
namespace {

namespace fs = std::filesystem;

const std::map<std::string, std::string> kStandardNames = {
    {"ProgramFilesFolder", "Program Files"},
    {"CommonFilesFolder", "Program Files/Common Files"},
    {"WindowsFolder", "Windows"},
    {"SystemFolder", "Windows/system32"},
};
const std::set<std::string> kPropertyParents = {"IVINETSTANDARDROOTDIR"};

std::string Hash(const std::string& bytes) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ull;
    return std::to_string(bytes.size()) + ":" + std::to_string(hash);
}

// msiextract's path with its "target:source" names cut to the target.
std::string PeerPath(const std::string& path) {
    std::string out;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        std::string part = path.substr(start, slash - start);
        part = part.substr(0, part.find(':'));
        if (part != "." && !part.empty()) out += (out.empty() ? "" : "/") + part;
        start = slash + 1;
    }
    return out;
}

// Ours in msiextract's words, as the header says.
std::string OurPath(const std::string& given) {
    std::string path = given;
    if (const std::size_t tilde = path.rfind('~');
        tilde != std::string::npos && path.find('/', tilde) == std::string::npos)
        path.resize(tilde);
    const std::string first = path.substr(0, path.find('/'));
    if (const auto standard = kStandardNames.find(first); standard != kStandardNames.end())
        return standard->second + path.substr(first.size());
    if (kPropertyParents.count(first) != 0) return path.substr(first.size() + 1);
    return path;
}

std::multimap<std::string, std::string> Files(const fs::path& folder,
                                              std::string (*shown)(const std::string&)) {
    std::multimap<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files.emplace(shown(fs::relative(entry.path(), folder).string()),
                          Hash(testing_support::ReadFile(entry.path())));
    return files;
}

class ExtractFixtureTest : public tablesmith_test::CommandTest,
                           public testing::WithParamInterface<const char*> {};

TEST_P(ExtractFixtureTest, SameFilesAndBytesAsMsiextract) {
    VSB_REQUIRE_FIXTURE(package, GetParam());
    if (!testing_support::HaveProgram("msiextract")) GTEST_SKIP() << "msiextract is not installed";
    const fs::path peer = inputs_.path() / "peer";
    fs::create_directories(peer);
    const auto run = testing_support::Run({"msiextract", "-C", peer.string(), package.string()});
    if (!run.ok() || fs::recursive_directory_iterator(peer) == fs::recursive_directory_iterator())
        GTEST_SKIP() << "msiextract extracts nothing from it: " << run.err;

    const fs::path ours = temp_.path() / "ours";
    EXPECT_TRUE(RunExtract({package.string(), ours.string()}, sink_));
    EXPECT_EQ(Files(ours, OurPath), Files(peer, PeerPath));
}

INSTANTIATE_TEST_SUITE_P(FixturePackages, ExtractFixtureTest,
                         testing::ValuesIn(testing_support::FixturePackageNames()),
                         [](const auto& info) {
                             return testing_support::FixtureTestName(info.param);
                         });

}  // namespace
}  // namespace tablesmith
