// Extract over packages made here: msibuild for the tables, gcab for MSZIP
// cabinets, test_cabinets.h for LZX data and a set of two cabinets. Each
// case lists the files it expects on disk (path -> bytes) and the files it
// expects to fail (key and a word of the reason).
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <set>

#include "extract_command.h"
#include "install_names.h"
#include "tablesmith_test_support.h"
#include "test_cabinets.h"

namespace tablesmith {
namespace {

using tablesmith_test::CabData;
using tablesmith_test::CabEntry;
using tablesmith_test::CommandTest;
using tablesmith_test::IdtTable;
using tablesmith_test::PackageContents;
namespace fs = std::filesystem;

constexpr time_t kOldTime = 978350400;  // 2001-01-01 12:00 UTC
constexpr int kUncompressed = 0x2000;
constexpr int kCompressed = 0x4000;

struct TestFile {
    std::string key;
    std::string directory;
    std::string file_name;
    std::string bytes;
    int attributes = kCompressed;
};

// Sizes that cross LZX frames and cabinet blocks (32 KiB) on purpose.
std::string Bytes(std::size_t size, char seed) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(seed + i * 7 + i / 251);
    return bytes;
}

const IdtTable kDirectory = {
    "Directory",
    "Directory\tDirectory_Parent\tDefaultDir\r\ns72\tS72\tl255\r\nDirectory\tDirectory\r\n"
    "TARGETDIR\t\tSourceDir\r\n"
    "ProgramFilesFolder\tTARGETDIR\tPFiles\r\n"
    "APPDIR\tProgramFilesFolder\tAPP|App Dir:srcapp\r\n"
    "DOCS\tAPPDIR\tdocs\r\n"
    "SAME\tAPPDIR\t.\r\n"
    "UP\tAPPDIR\t..\r\n"
    "EXTRA\tSOMEPROPERTY\tExtra\r\n"};

IdtTable ComponentTable(const std::vector<TestFile>& files) {
    std::string text =
        "Component\tComponentId\tDirectory_\tAttributes\tCondition\tKeyPath\r\n"
        "s72\tS38\ts72\ti2\tS255\tS72\r\nComponent\tComponent\r\n";
    std::set<std::string> seen;
    for (const TestFile& file : files)
        if (seen.insert(file.directory).second)
            text += "C_" + file.directory + "\t\t" + file.directory + "\t0\t\t\r\n";
    return {"Component", text};
}

IdtTable FileTable(const std::vector<TestFile>& files) {
    std::string text =
        "File\tComponent_\tFileName\tFileSize\tVersion\tLanguage\tAttributes\tSequence\r\n"
        "s72\ts72\tl255\ti4\tS72\tS20\tI2\ti2\r\nFile\tFile\r\n";
    int sequence = 1;
    for (const TestFile& file : files)
        text += file.key + "\tC_" + file.directory + "\t" + file.file_name + "\t" +
                std::to_string(file.bytes.size()) + "\t\t\t" + std::to_string(file.attributes) +
                "\t" + std::to_string(sequence++) + "\r\n";
    return {"File", text};
}

IdtTable Media(const std::vector<std::pair<int, std::string>>& rows) {
    std::string text =
        "DiskId\tLastSequence\tDiskPrompt\tCabinet\tVolumeLabel\tSource\r\n"
        "i2\ti4\tL64\tS255\tS32\tS72\r\nMedia\tDiskId\r\n";
    int disk = 1;
    for (const auto& [last, cabinet] : rows)
        text +=
            std::to_string(disk++) + "\t" + std::to_string(last) + "\t\t" + cabinet + "\t\t\r\n";
    return {"Media", text};
}

std::vector<CabEntry> Entries(const std::vector<TestFile>& files) {
    std::vector<CabEntry> entries;
    for (const TestFile& file : files)
        if (file.attributes == kCompressed) entries.push_back({file.key, file.bytes});
    return entries;
}

// What damage a case does to its first cabinet.
enum class Damage { kNone, kCut, kChecksum };

struct Case {
    const char* name;
    std::vector<TestFile> files;
    // How the cabinets are made: gcab's MSZIP, or test_cabinets.h.
    enum class Maker { kGcab, kLzx, kSplit } maker = Maker::kGcab;
    // Media rows (LastSequence, Cabinet); an embedded cabinet is the stream
    // of the value without "#", an external one is written under `files_as`.
    std::vector<std::pair<int, std::string>> media;
    std::vector<std::string> files_as = {};  // per cabinet: "" embedded, else file name
    Damage damage = Damage::kNone;
    std::map<std::string, std::string> written = {};  // path -> bytes
    std::map<std::string, std::string> failed = {};   // key -> a word of the reason
    int warnings = 0;
};

// Size and FNV-1a hash: a failure shows this, not 100 KB of bytes.
std::string Digest(const std::string& bytes) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ull;
    return std::to_string(bytes.size()) + ":" + std::to_string(hash);
}

std::map<std::string, std::string> Digests(const std::map<std::string, std::string>& files) {
    std::map<std::string, std::string> digests;
    for (const auto& [path, bytes] : files) digests[path] = Digest(bytes);
    return digests;
}

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

class ExtractTest : public CommandTest {
  protected:
    std::string Gcab(const std::vector<CabEntry>& entries) {
        const fs::path work = inputs_.path() / "gcab";
        fs::create_directories(work);
        std::vector<std::string> command = {"gcab", "-c", "-z", "-n", (work / "out.cab").string()};
        for (const CabEntry& entry : entries) {
            testing_support::WriteFile(work / entry.name, entry.bytes);
            // A time long past, which the cabinet keeps and the extracted file must get.
            const timespec times[2] = {{kOldTime, 0}, {kOldTime, 0}};
            ::utimensat(AT_FDCWD, (work / entry.name).c_str(), times, 0);
            command.push_back((work / entry.name).string());
        }
        const auto run = testing_support::Run(command);
        EXPECT_TRUE(run.ok()) << run.err;
        return testing_support::ReadFile(work / "out.cab");
    }

    std::string Build(const Case& c) {
        std::vector<std::string> cabinets;
        const auto entries = Entries(c.files);
        if (c.maker == Case::Maker::kGcab) cabinets = {Gcab(entries)};
        if (c.maker == Case::Maker::kLzx)
            cabinets = tablesmith_test::MakeCabinets(entries, CabData::kLzx);
        if (c.maker == Case::Maker::kSplit)
            cabinets = tablesmith_test::MakeCabinets(entries, CabData::kLzx, 3,
                                                     {c.media[1].second.substr(1)});
        if (c.damage == Damage::kCut) cabinets[0].resize(cabinets[0].size() - 100);
        // The first data block's payload starts after the folder's
        // coffCabStart (bytes 36..39 of the first CFFOLDER) and 8 header bytes.
        if (c.damage == Damage::kChecksum) cabinets[0][cabinets[0].size() / 2] ^= 0x40;
        PackageContents contents;
        contents.tables = {kDirectory, ComponentTable(c.files), FileTable(c.files), Media(c.media)};
        for (std::size_t i = 0; i < cabinets.size() && i < c.media.size(); ++i) {
            const std::string& value = c.media[i].second;
            const std::string as = i < c.files_as.size() ? c.files_as[i] : "";
            if (!as.empty())
                testing_support::WriteFile(inputs_.path() / as, cabinets[i]);
            else if (value.starts_with("#"))
                contents.streams.emplace_back(value.substr(1), cabinets[i]);
        }
        for (const TestFile& file : c.files)
            if (file.attributes == kUncompressed) {
                // The source tree: the source parts of DefaultDir and, as the
                // summary sets no short-name bit, long names.
                const fs::path source =
                    inputs_.path() / "PFiles" / "srcapp" / LongName(file.file_name);
                fs::create_directories(source.parent_path());
                testing_support::WriteFile(source, file.bytes);
            }
        return tablesmith_test::BuildPackage(inputs_.path(), "pkg.msi", contents);
    }

    // Every regular file below `folder`: relative path -> Digest of its bytes.
    static std::map<std::string, std::string> Tree(const fs::path& folder) {
        std::map<std::string, std::string> tree;
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            if (entry.is_regular_file())
                tree[fs::relative(entry.path(), folder).string()] =
                    Digest(testing_support::ReadFile(entry.path()));
        return tree;
    }
};

const std::string kSmall = "small file\n";
const std::string kBig = Bytes(100000, 'a');
const std::string kMid = Bytes(40000, 'k');

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        {"MszipEmbedded",
         {{"readme", "APPDIR", "README~1.TXT|Read Me.txt", kSmall},
          {"big", "DOCS", "big.bin", kBig},
          {"same", "SAME", "s.txt", "same folder as App Dir"}},
         Case::Maker::kGcab,
         {{10, "#data.cab"}},
         {},
         Damage::kNone,
         {{"ProgramFilesFolder/App Dir/Read Me.txt", kSmall},
          {"ProgramFilesFolder/App Dir/docs/big.bin", kBig},
          {"ProgramFilesFolder/App Dir/s.txt", "same folder as App Dir"}}},
        {"LzxEmbedded",
         {{"one", "APPDIR", "one.bin", kMid}, {"two", "APPDIR", "two.bin", kBig}},
         Case::Maker::kLzx,
         {{10, "#lzx.cab"}},
         {},
         Damage::kNone,
         {{"ProgramFilesFolder/App Dir/one.bin", kMid},
          {"ProgramFilesFolder/App Dir/two.bin", kBig}}},
        // "two" starts in the first cabinet (three blocks) and ends in the second.
        {"FileSplitAcrossTwoCabinets",
         {{"one", "APPDIR", "one.bin", kMid}, {"two", "APPDIR", "two.bin", kBig}},
         Case::Maker::kSplit,
         {{1, "#first.cab"}, {2, "#second.cab"}},
         {},
         Damage::kNone,
         {{"ProgramFilesFolder/App Dir/one.bin", kMid},
          {"ProgramFilesFolder/App Dir/two.bin", kBig}}},
        {"ExternalCabinetInOtherCase",
         {{"one", "APPDIR", "one.txt", kSmall}},
         Case::Maker::kGcab,
         {{10, "Disk1.CAB"}},
         {"disk1.cab"},
         Damage::kNone,
         {{"ProgramFilesFolder/App Dir/one.txt", kSmall}}},
        {"UncompressedFromSourceTree",
         {{"packed", "APPDIR", "packed.txt", kSmall},
          {"loose", "APPDIR", "LOOSE.TXT|loose.txt", kMid, kUncompressed}},
         Case::Maker::kGcab,
         {{10, "#data.cab"}},
         {},
         Damage::kNone,
         {{"ProgramFilesFolder/App Dir/packed.txt", kSmall},
          {"ProgramFilesFolder/App Dir/loose.txt", kMid}}},
        {"ClashingNames",
         {{"first", "APPDIR", "x.txt", "first"}, {"second", "SAME", "X.TXT|x.txt", "second"}},
         Case::Maker::kGcab,
         {{10, "#data.cab"}},
         {},
         Damage::kNone,
         {{"ProgramFilesFolder/App Dir/x.txt", "first"},
          {"ProgramFilesFolder/App Dir/x.txt~2", "second"}},
         {},
         1},
        {"HostileNames",
         {{"dots", "APPDIR", "..", "a"},
          {"slash", "APPDIR", "a/../b\\c", "b"},
          {"device", "APPDIR", "con.txt", "c"},
          {"drive", "APPDIR", "C:evil", "d"},
          {"control", "APPDIR", std::string("t\x1b[2Jx"), "e"},
          {"up", "UP", "up.txt", "f"},
          {"prop", "EXTRA", "p.txt", "g"}},
         Case::Maker::kGcab,
         {{10, "#data.cab"}},
         {},
         Damage::kNone,
         {{"ProgramFilesFolder/App Dir/a_.._b_c", "b"},
          {"ProgramFilesFolder/App Dir/_con.txt", "c"},
          {"ProgramFilesFolder/App Dir/C_evil", "d"},
          {"ProgramFilesFolder/App Dir/t_[2Jx", "e"},
          {"SOMEPROPERTY/Extra/p.txt", "g"}},
         {{"dots", "refused"}, {"up", "no usable name"}}},
        {"CutCabinet",
         {{"one", "APPDIR", "one.bin", kMid}, {"two", "APPDIR", "two.bin", kBig}},
         Case::Maker::kLzx,
         {{10, "#lzx.cab"}},
         {},
         Damage::kCut,
         {{"ProgramFilesFolder/App Dir/one.bin", kMid}},
         {{"two", "cut short"}}},
        {"BadChecksum",
         {{"big", "APPDIR", "big.bin", kBig}},
         Case::Maker::kGcab,
         {{10, "#data.cab"}},
         {},
         Damage::kChecksum,
         {},
         {{"big", "checksum"}}},
        {"MissingCabinetAndMissingFile",
         {{"here", "APPDIR", "here.txt", kSmall},
          {"gone", "APPDIR", "gone.txt", kSmall},
          {"stray", "APPDIR", "stray.txt", kSmall, kUncompressed}},
         Case::Maker::kGcab,
         {{1, "#data.cab"}, {2, "absent.cab"}},
         {},
         Damage::kNone,
         {{"ProgramFilesFolder/App Dir/here.txt", kSmall}},
         {{"gone", "not beside the package"}, {"stray", "not beside the package"}}},
    };
    return cases;
}

class ExtractCaseTest : public ExtractTest, public testing::WithParamInterface<Case> {};

TEST_P(ExtractCaseTest, WritesExpectedFilesAndNamesEachFailure) {
    Case c = GetParam();
    // "stray" is marked uncompressed but has no source file; it must not
    // be made, so it is dropped from the source tree after the build.
    const std::string package = Build(c);
    ASSERT_FALSE(package.empty());
    if (c.name == std::string("MissingCabinetAndMissingFile"))
        fs::remove(inputs_.path() / "PFiles" / "srcapp" / "stray.txt");
    const fs::path out = temp_.path() / "out";
    ExtractSettings settings{package, out.string()};
    ExtractCounts counts;
    const bool ok = RunExtract(settings, sink_, nullptr, &counts);

    EXPECT_EQ(Tree(out), Digests(c.written)) << testing::PrintToString(sink_.messages);
    EXPECT_EQ(ok, c.failed.empty());
    EXPECT_EQ(counts.written, static_cast<int>(c.written.size()));
    EXPECT_EQ(counts.failed, static_cast<int>(c.failed.size()));
    int warnings = 0;
    std::map<std::string, std::string> failed;
    for (const auto& message : sink_.messages) {
        if (message.kind == diag::OutcomeKind::kWarning) ++warnings;
        for (const auto& [key, reason] : c.failed)
            if (message.text.starts_with("File " + key + " was not extracted from") &&
                message.text.find(reason) != std::string::npos)
                failed[key] = reason;
    }
    EXPECT_EQ(failed, c.failed);
    EXPECT_EQ(warnings, c.warnings);
}

INSTANTIATE_TEST_SUITE_P(Packages, ExtractCaseTest, testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ExtractTest, FileTakesItsCabinetEntrysTimeAndPatternsSelect) {
    Case c = Cases()[0];
    const std::string package = Build(c);
    ASSERT_FALSE(package.empty());
    const fs::path out = temp_.path() / "out";
    ASSERT_TRUE(RunExtract({package, out.string(), {"big", "*/s.txt"}}, sink_));
    EXPECT_EQ(Tree(out).size(), 2u);
    struct stat st {};
    ASSERT_EQ(::stat((out / "ProgramFilesFolder/App Dir/docs/big.bin").c_str(), &st), 0);
    // Cabinet times count in 2 seconds.
    EXPECT_LE(std::abs(st.st_mtime - kOldTime), 2);
}

// Only the file that began in the first cabinet: its own Media row names
// the second, and no file wanted needs the first.
TEST_F(ExtractTest, FileBegunInAnEarlierCabinetAlone) {
    const Case& split = Cases()[2];
    ASSERT_EQ(split.name, std::string("FileSplitAcrossTwoCabinets"));
    const std::string package = Build(split);
    ASSERT_FALSE(package.empty());
    const fs::path out = temp_.path() / "out";
    EXPECT_TRUE(RunExtract({package, out.string(), {"two"}}, sink_))
        << testing::PrintToString(sink_.messages);
    EXPECT_EQ(Tree(out), Digests({{"ProgramFilesFolder/App Dir/two.bin", kBig}}));
}

TEST_F(ExtractTest, DefaultFolderIsFilesInExportFolderAndLinksAreNotFollowed) {
    const std::string package = Build(Cases()[3]);
    ASSERT_FALSE(package.empty());
    const fs::path export_folder = temp_.path() / "pkg";
    // A link where a folder of the tree goes, as another user could leave one.
    fs::create_directories(export_folder / "files");
    fs::permissions(export_folder, fs::perms::owner_all, fs::perm_options::replace);
    fs::create_directory_symlink(inputs_.path(), export_folder / "files" / "ProgramFilesFolder");
    EXPECT_FALSE(RunExtract({package}, sink_));
    EXPECT_FALSE(fs::exists(inputs_.path() / "App Dir"));
    fs::remove(export_folder / "files" / "ProgramFilesFolder");
    EXPECT_TRUE(RunExtract({package}, sink_));
    EXPECT_EQ(Tree(export_folder / "files").size(), 1u);
}

// Cabinets that share no file are extracted apart (on as many threads as
// the processor has): a failure in one keeps none of another's files from
// being written, and the failures are told in Media row order whichever
// set is done first. The first set takes longest (a large file, then a file
// it lacks), the second fails at once (cut short), the third is whole.
TEST_F(ExtractTest, IndependentCabinetsFailApartAndAreToldInMediaOrder) {
    const std::string large = Bytes(3u << 20, 'L');
    const std::vector<TestFile> files = {{"large", "APPDIR", "large.bin", large},
                                         {"lost", "APPDIR", "lost.txt", kSmall},
                                         {"cut", "APPDIR", "cut.bin", kBig},
                                         {"whole", "APPDIR", "whole.bin", kMid}};
    std::string first = tablesmith_test::MakeCabinets({{"large", large}}, CabData::kLzx)[0];
    std::string second = tablesmith_test::MakeCabinets({{"cut", kBig}}, CabData::kLzx)[0];
    second.resize(second.size() - 100);
    const std::string third = tablesmith_test::MakeCabinets({{"whole", kMid}}, CabData::kLzx)[0];
    PackageContents contents;
    contents.tables = {kDirectory, ComponentTable(files), FileTable(files),
                       Media({{2, "#first.cab"}, {3, "#second.cab"}, {4, "#third.cab"}})};
    contents.streams = {{"first.cab", first}, {"second.cab", second}, {"third.cab", third}};
    const std::string package = tablesmith_test::BuildPackage(inputs_.path(), "pkg.msi", contents);
    ASSERT_FALSE(package.empty());
    const fs::path out = temp_.path() / "out";
    ExtractCounts counts;
    EXPECT_FALSE(RunExtract({package, out.string()}, sink_, nullptr, &counts));

    EXPECT_EQ(Tree(out), Digests({{"ProgramFilesFolder/App Dir/large.bin", large},
                                  {"ProgramFilesFolder/App Dir/whole.bin", kMid}}));
    EXPECT_EQ(counts.written, 2);
    EXPECT_EQ(counts.failed, 2);
    std::vector<std::string> told;
    for (const auto& message : sink_.messages) told.push_back(message.text);
    EXPECT_EQ(told, (std::vector<std::string>{
                        "File lost was not extracted from cabinet #first.cab: the cabinet holds "
                        "no file of that name",
                        "File cut was not extracted from cabinet #second.cab: the cabinet is cut "
                        "short",
                        "Extracted 2 files to " + out.string() + "; 2 files failed!"}));
}

}  // namespace
}  // namespace tablesmith
