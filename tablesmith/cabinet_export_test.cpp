#include "cabinet_export.h"

#include <filesystem>

#include "ascii_case.h"
#include "export_command.h"
#include "messages.h"
#include "msi_record.h"
#include "msi_view.h"
#include "tablesmith_test_support.h"

namespace tablesmith {
namespace {

using tablesmith_test::CommandTest;
using tablesmith_test::kInformation;
using tablesmith_test::kStop;
using tablesmith_test::Message;
using tablesmith_test::PackageContents;
namespace fs = std::filesystem;

TEST(CabinetNameTest, LastFourCharactersLowerCasedMustBeDotCab) {
    EXPECT_TRUE(IsCabinetStreamName("Data1.cab"));
    EXPECT_TRUE(IsCabinetStreamName("DATA1.CAB"));
    EXPECT_TRUE(IsCabinetStreamName(".cab"));
    EXPECT_FALSE(IsCabinetStreamName("cab"));
    EXPECT_FALSE(IsCabinetStreamName("a.cabx"));
    EXPECT_FALSE(IsCabinetStreamName("_1234_x.msm"));
    EXPECT_FALSE(IsCabinetStreamName(""));
}

TEST(CabinetNameTest, OnlySingleByteLettersAreLowerCased) {
    EXPECT_EQ("data1.cab", LowerAscii("DATA1.CAB"));
    // "Ä" in UTF-8 stays as it is; only the ASCII letters change.
    EXPECT_EQ("\xC3\x84x.cab", LowerAscii("\xC3\x84X.CAB"));
}

TEST(CabinetNameTest, LowerCasingFollowsTheCaseRule) {
    EXPECT_EQ(testing_support::FirstCaseRuleBreak([](char a, char b) {
                  return LowerAscii(std::string(1, a)) == LowerAscii(std::string(1, b));
              }),
              "");
    for (char c : testing_support::AsciiCharacters())
        EXPECT_EQ(LowerAscii(std::string(1, c)).front() == c, !(c >= 'A' && c <= 'Z')) << int(c);
}

TEST(CabinetNameTest, PlainFileNamesStayInTheirFolder) {
    EXPECT_TRUE(IsPlainFileName("data1.cab"));
    EXPECT_TRUE(IsPlainFileName("..cab"));
    EXPECT_FALSE(IsPlainFileName("../evil.cab"));
    EXPECT_FALSE(IsPlainFileName("..\\evil.cab"));
    EXPECT_FALSE(IsPlainFileName("/etc/evil.cab"));
    EXPECT_FALSE(IsPlainFileName("sub/a.cab"));
    EXPECT_FALSE(IsPlainFileName(".."));
    EXPECT_FALSE(IsPlainFileName(""));
    EXPECT_FALSE(IsPlainFileName(std::string("a\0.cab", 6)));
}

class CabinetExportTest : public CommandTest {
  protected:
    // Runs Export with only the cabinets, as "Only CAB File(s)" does.
    bool ExportCabs(const std::string& package) {
        ExportSettings settings;
        settings.msi_file = package;
        settings.export_cab = true;
        settings.only_cab = true;
        return RunExport(settings, sink_);
    }
};

TEST_F(CabinetExportTest, CabinetStreamsAreWrittenLowerCasedAndOthersSkipped) {
    const std::string package =
        tablesmith_test::BuildPackage(inputs_.path(), "p.msi", tablesmith_test::SamplePackage());
    ASSERT_FALSE(package.empty());
    EXPECT_TRUE(ExportCabs(package));

    const fs::path folder = ExportFolder("p");
    EXPECT_EQ(
        (std::vector<Message>{{FillMessage(kExportedAllCabs, {folder.string()}), kInformation}}),
        sink_.messages);
    EXPECT_EQ(tablesmith_test::FakeCabinet("first cabinet"),
              testing_support::ReadFile(folder / "data1.cab"));
    EXPECT_EQ(tablesmith_test::FakeCabinet("second"),
              testing_support::ReadFile(folder / "other.cab"));
    EXPECT_FALSE(fs::exists(folder / "notes.txt"));
    EXPECT_EQ(2, std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST_F(CabinetExportTest, EmptyStreamGivesAnEmptyFile) {
    PackageContents contents;
    contents.tables = {tablesmith_test::PropertyTable()};
    contents.streams = {{"empty.cab", ""}};
    const std::string package = tablesmith_test::BuildPackage(inputs_.path(), "e.msi", contents);
    ASSERT_FALSE(package.empty());
    EXPECT_TRUE(ExportCabs(package));
    EXPECT_TRUE(fs::is_regular_file(ExportFolder("e") / "empty.cab"));
    EXPECT_EQ(0u, fs::file_size(ExportFolder("e") / "empty.cab"));
}

TEST_F(CabinetExportTest, PackageWithoutCabinetsSaysSoAsInformation) {
    PackageContents contents;
    contents.tables = {tablesmith_test::PropertyTable()};
    contents.streams = {{"readme.txt", "text"}};
    const std::string package = tablesmith_test::BuildPackage(inputs_.path(), "n.msi", contents);
    ASSERT_FALSE(package.empty());
    EXPECT_TRUE(ExportCabs(package));
    EXPECT_EQ((std::vector<Message>{{kNoCabsInPackage, kInformation}}), sink_.messages);
}

TEST_F(CabinetExportTest, FileThatCannotBeWrittenIsAStopMessageAndEndsTheStep) {
    const std::string package =
        tablesmith_test::BuildPackage(inputs_.path(), "p.msi", tablesmith_test::SamplePackage());
    ASSERT_FALSE(package.empty());
    // A folder where the cabinet file should go: opening it for writing fails.
    const fs::path folder = ExportFolder("p");
    fs::create_directories(folder / "data1.cab");
    EXPECT_FALSE(ExportCabs(package));

    ASSERT_EQ(1u, sink_.messages.size());
    EXPECT_EQ(kStop, sink_.messages[0].kind);
    EXPECT_EQ(FillMessage(kCantWriteCab, {(folder / "data1.cab").string(), "Is a directory"}),
              sink_.messages[0].text);
    EXPECT_TRUE(fs::is_directory(folder / "data1.cab"));  // what was there stays
}

TEST_F(CabinetExportTest, UnwritableExportFolderIsTold) {
    const std::string package =
        tablesmith_test::BuildPackage(inputs_.path(), "p.msi", tablesmith_test::SamplePackage());
    ASSERT_FALSE(package.empty());
    // A file of the export folder's name: the folder cannot be made or written.
    testing_support::WriteFile(ExportFolder("p"), "in the way");
    EXPECT_FALSE(ExportCabs(package));
    EXPECT_EQ((std::vector<Message>{
                  {FillMessage(kFolderNotAFolder, {ExportFolder("p").string()}), kStop}}),
              sink_.messages);
    EXPECT_EQ("in the way", testing_support::ReadFile(ExportFolder("p")));
}

// A cabinet stream named like an exported table's file would overwrite the
// table, or be imported as one: the table keeps its file.
TEST_F(CabinetExportTest, CabinetNamedLikeATableFileIsSkippedAndTheTableKept) {
    PackageContents contents;
    contents.tables = {tablesmith_test::PropertyTable(),
                       tablesmith_test::MediaTable({"#Property.tbl", "#Data1.cab"})};
    contents.streams = {{"Property.tbl", tablesmith_test::FakeCabinet("cab")},
                        {"Data1.cab", tablesmith_test::FakeCabinet("data")}};
    const std::string package = tablesmith_test::BuildPackage(inputs_.path(), "t.msi", contents);
    ASSERT_FALSE(package.empty());
    ExportSettings settings;
    settings.msi_file = package;
    settings.tables = {"Media", "Property"};
    settings.export_all = true;
    settings.export_cab = true;
    EXPECT_FALSE(RunExport(settings, sink_));
    const fs::path folder = ExportFolder("t");
    EXPECT_EQ(
        (std::vector<Message>{
            {FillMessage(kExportedAllTables, {folder.string()}), kInformation},
            {FillMessage(kCabNameOfTable, {"Property.tbl", "property.tbl", "Property"}), kStop}}),
        sink_.messages);
    EXPECT_EQ((std::vector<std::string>{"Media.tbl", "Property.tbl", "data1.cab"}),
              tablesmith_test::FolderEntries(folder));
    EXPECT_EQ(0u, testing_support::ReadFile(folder / "Property.tbl").find("Property\tValue"));
}

TEST(CabinetNameTest, TableFileNamesAndCellFoldersAreTakenWhateverTheirCase) {
    const std::vector<std::string> tables = {"Property", "Binary"};
    EXPECT_EQ("Property", TableOfFileName("property.tbl", tables));
    EXPECT_EQ("Property", TableOfFileName("PROPERTY.TBL", tables));
    EXPECT_EQ("Binary", TableOfFileName("binary", tables));
    EXPECT_EQ("", TableOfFileName("property.tbl.cab", tables));
    EXPECT_EQ("", TableOfFileName("other.tbl", tables));
}

// A stream without a dot keeps its name exactly: no dot is added.
TEST_F(CabinetExportTest, StreamWithoutADotIsWrittenUnderExactlyItsName) {
    PackageContents contents;
    contents.tables = {tablesmith_test::PropertyTable(), tablesmith_test::MediaTable({"#Cab1"})};
    contents.streams = {{"Cab1", tablesmith_test::FakeCabinet("one")}};
    const std::string package = tablesmith_test::BuildPackage(inputs_.path(), "d.msi", contents);
    ASSERT_FALSE(package.empty());
    EXPECT_TRUE(ExportCabs(package));
    EXPECT_EQ((std::vector<std::string>{"cab1"}),
              tablesmith_test::FolderEntries(ExportFolder("d")));
}

TEST_F(CabinetExportTest, StreamNameThatWouldLeaveTheFolderIsSkippedAndTold) {
    PackageContents contents;
    contents.tables = {tablesmith_test::PropertyTable()};
    contents.streams = {{"../evil.cab", "evil"}, {"sub\\x.cab", "sub"}, {"ok.cab", "fine"}};
    const std::string package = tablesmith_test::BuildPackage(inputs_.path(), "h.msi", contents);
    ASSERT_FALSE(package.empty());
    EXPECT_FALSE(ExportCabs(package));

    std::vector<Message> expected = {{FillMessage(kUnsafeCabName, {"../evil.cab"}), kStop},
                                     {FillMessage(kUnsafeCabName, {"sub\\x.cab"}), kStop}};
    std::vector<Message> told = sink_.messages;
    std::sort(told.begin(), told.end(),
              [](const Message& a, const Message& b) { return a.text < b.text; });
    EXPECT_EQ(expected, told);
    // Only the plain name was written; nothing beside the export folder.
    EXPECT_EQ((std::vector<std::string>{"h"}), temp_.Entries());
    EXPECT_EQ("fine", testing_support::ReadFile(ExportFolder("h") / "ok.cab"));
    EXPECT_EQ(1,
              std::distance(fs::directory_iterator(ExportFolder("h")), fs::directory_iterator()));
}

TEST_F(CabinetExportTest, StreamsDifferingOnlyInCaseEachKeepAFileOfTheirOwn) {
    PackageContents contents;
    contents.tables = {tablesmith_test::PropertyTable()};
    contents.streams = {{"Same.cab", "first"}, {"SAME.CAB", "second"}};
    const std::string package = tablesmith_test::BuildPackage(inputs_.path(), "s.msi", contents);
    ASSERT_FALSE(package.empty());
    EXPECT_TRUE(ExportCabs(package));

    // One of them is written lower-cased, the other under its own spelling;
    // neither cabinet is lost.
    const fs::path folder = ExportFolder("s");
    std::vector<std::string> files = tablesmith_test::FolderEntries(folder);
    ASSERT_EQ(2u, files.size());
    EXPECT_EQ("same.cab", files[1]);
    const std::string& own = files[0];
    ASSERT_TRUE(own == "Same.cab" || own == "SAME.CAB") << own;
    EXPECT_EQ(own == "Same.cab" ? "first" : "second", testing_support::ReadFile(folder / own));
    EXPECT_EQ(own == "Same.cab" ? "second" : "first",
              testing_support::ReadFile(folder / "same.cab"));
}

TEST_F(CabinetExportTest, StreamSpelledInLowerCaseGetsTheLowerCasedFile) {
    PackageContents contents;
    contents.tables = {tablesmith_test::PropertyTable()};
    contents.streams = {{"Data.cab", "capital"}, {"data.cab", "lower"}};
    const std::string package = tablesmith_test::BuildPackage(inputs_.path(), "l.msi", contents);
    ASSERT_FALSE(package.empty());
    EXPECT_TRUE(ExportCabs(package));
    EXPECT_EQ("lower", testing_support::ReadFile(ExportFolder("l") / "data.cab"));
    EXPECT_EQ("capital", testing_support::ReadFile(ExportFolder("l") / "Data.cab"));
}

TEST_F(CabinetExportTest, InternalCabinetOfTheMediaTableIsWrittenWhateverItsName) {
    PackageContents contents;
    contents.tables = {tablesmith_test::PropertyTable(),
                       tablesmith_test::MediaTable({"#_1234_Module_x86.msm", "#Data1.cab"})};
    contents.streams = {{"_1234_Module_x86.msm", tablesmith_test::FakeCabinet("module")},
                        {"Data1.cab", tablesmith_test::FakeCabinet("data")},
                        {"_5678_Other.msm", "not named by Media"}};
    const std::string package = tablesmith_test::BuildPackage(inputs_.path(), "m.msi", contents);
    ASSERT_FALSE(package.empty());
    EXPECT_TRUE(ExportCabs(package));
    const fs::path folder = ExportFolder("m");
    EXPECT_EQ(
        (std::vector<Message>{{FillMessage(kExportedAllCabs, {folder.string()}), kInformation}}),
        sink_.messages);
    EXPECT_EQ(tablesmith_test::FakeCabinet("module"),
              testing_support::ReadFile(folder / "_1234_module_x86.msm"));
    EXPECT_EQ(tablesmith_test::FakeCabinet("data"),
              testing_support::ReadFile(folder / "data1.cab"));
    EXPECT_EQ((std::vector<std::string>{"_1234_module_x86.msm", "data1.cab"}),
              tablesmith_test::FolderEntries(folder));
}

// "#" alone names no stream: it is passed over, and the cabinets of the
// other rows are written as ever.
TEST_F(CabinetExportTest, CabinetValueOfJustTheMarkIsPassedOver) {
    PackageContents contents;
    contents.tables = {tablesmith_test::PropertyTable(),
                       tablesmith_test::MediaTable({"#", "#Data1.cab"})};
    contents.streams = {{"Data1.cab", "MSCF data"}};
    const std::string package = tablesmith_test::BuildPackage(inputs_.path(), "h.msi", contents);
    ASSERT_FALSE(package.empty());
    EXPECT_TRUE(ExportCabs(package));
    const fs::path folder = ExportFolder("h");
    EXPECT_EQ(
        (std::vector<Message>{{FillMessage(kExportedAllCabs, {folder.string()}), kInformation}}),
        sink_.messages);
    EXPECT_EQ((std::vector<std::string>{"data1.cab"}), tablesmith_test::FolderEntries(folder));
}

TEST_F(CabinetExportTest, HostileNameFromTheMediaTableIsSkippedToo) {
    PackageContents contents;
    contents.tables = {tablesmith_test::PropertyTable(),
                       tablesmith_test::MediaTable({"#../../escape.msm"})};
    contents.streams = {{"../../escape.msm", tablesmith_test::FakeCabinet("evil")}};
    const std::string package = tablesmith_test::BuildPackage(inputs_.path(), "x.msi", contents);
    ASSERT_FALSE(package.empty());
    EXPECT_FALSE(ExportCabs(package));
    EXPECT_EQ((std::vector<Message>{{FillMessage(kUnsafeCabName, {"../../escape.msm"}), kStop}}),
              sink_.messages);
    EXPECT_EQ((std::vector<std::string>{"x"}), temp_.Entries());
    EXPECT_TRUE(tablesmith_test::FolderEntries(ExportFolder("x")).empty());
}

// Records the calls of a copy's progress, with a threshold of the test's choosing.
class RecordingProgress : public CopyProgress {
  public:
    explicit RecordingProgress(std::uint64_t threshold) : threshold_(threshold) {}
    std::uint64_t Threshold() const override { return threshold_; }
    void Begin(const std::string& file_name, std::uint64_t total) override {
        calls.push_back("begin " + fs::path(file_name).filename().string() + " " +
                        std::to_string(total));
    }
    void Advance(std::uint64_t done) override { calls.push_back("at " + std::to_string(done)); }
    void End() override { calls.push_back("end"); }
    std::vector<std::string> calls;

  private:
    std::uint64_t threshold_;
};

TEST_F(CabinetExportTest, OnlyCopiesAboveTheThresholdReportProgress) {
    PackageContents contents;
    contents.tables = {tablesmith_test::PropertyTable()};
    contents.streams = {{"big.cab", std::string(3000, 'b')}, {"small.cab", std::string(100, 's')}};
    const std::string package = tablesmith_test::BuildPackage(inputs_.path(), "g.msi", contents);
    ASSERT_FALSE(package.empty());
    ExportSettings settings;
    settings.msi_file = package;
    settings.export_cab = true;
    settings.only_cab = true;
    RecordingProgress progress(1000);
    EXPECT_TRUE(RunExport(settings, sink_, &progress));
    EXPECT_EQ((std::vector<std::string>{"begin big.cab 3000", "at 3000", "end"}), progress.calls);
    EXPECT_EQ(3000u, fs::file_size(ExportFolder("g") / "big.cab"));
}

TEST(CopyProgressTest, DefaultThresholdIsFiftyMegabytes) {
    struct Silent : CopyProgress {
        void Begin(const std::string&, std::uint64_t) override {}
        void Advance(std::uint64_t) override {}
        void End() override {}
    } silent;
    EXPECT_EQ(50ull * 1024 * 1024, silent.Threshold());
}

}  // namespace
}  // namespace tablesmith
