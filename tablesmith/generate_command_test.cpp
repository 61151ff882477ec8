#include "generate_command.h"

#include <sys/stat.h>

#include <filesystem>

#include "export_command.h"
#include "messages.h"
#include "msi_database.h"
#include "msi_record.h"
#include "msi_view.h"
#include "msiquery.h"
#include "tablesmith_test_support.h"

namespace tablesmith {
namespace {

using tablesmith_test::CommandTest;
using tablesmith_test::kInformation;
using tablesmith_test::kStop;
using tablesmith_test::Message;
using tablesmith_test::PackageContents;
namespace fs = std::filesystem;

const std::vector<std::string> kSampleTables = {"Feature", "Media", "Property"};
// What the export of the sample package leaves in its folder, and that with
// the generated package.
const std::vector<std::string> kExportedFiles = {"Feature.tbl", "Media.tbl", "Property.tbl",
                                                 "data1.cab", "other.cab"};
const std::vector<std::string> kSampleFolder = {"Feature.tbl", "Media.tbl", "Property.tbl",
                                                "data1.cab",   "other.cab", "product.msi"};

class GenerateCommandTest : public CommandTest {
  protected:
    std::string Build(const PackageContents& contents, const std::string& name = "product.msi") {
        return tablesmith_test::BuildPackage(inputs_.path(), name, contents);
    }

    // Export with "Export ALL MSI Tables" and the cabinets, as the user is
    // told to do first; its messages are dropped.
    void ExportAll(const std::string& package, const std::vector<std::string>& tables) {
        ExportSettings settings;
        settings.msi_file = package;
        settings.tables = tables;
        settings.export_all = true;
        settings.export_cab = true;
        tablesmith_test::RecordingSink export_sink;
        RunExport(settings, export_sink);
    }

    bool Generate(const std::string& package, const std::vector<std::string>& tables) {
        return RunGenerate(GenerateSettings{package, tables}, sink_);
    }

    Message GeneratedMessage(const std::string& title = "product",
                             const std::string& file = "product.msi") const {
        return {FillMessage(kGenerated, {(ExportFolder(title) / file).string()}), kInformation};
    }

    // The Cabinet column of every Media row of a package, by DiskId order.
    std::vector<std::string> MediaCabinets(const std::string& package) {
        std::vector<std::string> cabinets;
        CMsiDatabase database;
        EXPECT_TRUE(database.Open(package, 0));
        {
            CMsiView view;
            if (view.Open(&database, "SELECT `Cabinet` FROM `Media` ORDER BY `DiskId`")) {
                view.Execute(0);
                CMsiRecord row;
                while (view.Fetch(row)) {
                    std::string cabinet;
                    row.GetString(0, cabinet);
                    cabinets.push_back(cabinet);
                }
            }
        }
        database.Shutdown();
        return cabinets;
    }
};

TEST_F(GenerateCommandTest, BeforeAnyExportAsksForTheExportFirst) {
    const std::string package = Build(tablesmith_test::SamplePackage());
    ASSERT_FALSE(package.empty());
    EXPECT_FALSE(Generate(package, kSampleTables));
    EXPECT_EQ((std::vector<Message>{{kExportFirst, kStop}}), sink_.messages);
    EXPECT_FALSE(fs::exists(ExportFolder("product") / "product.msi"));
}

TEST_F(GenerateCommandTest, TablesWithoutCabinetsSayNoCabFound) {
    PackageContents contents;
    contents.tables = {tablesmith_test::PropertyTable()};
    const std::string package = Build(contents);
    ASSERT_FALSE(package.empty());
    ExportAll(package, {"Property"});
    EXPECT_FALSE(Generate(package, {"Property"}));
    EXPECT_EQ((std::vector<Message>{{kNoCabFound, kStop}}), sink_.messages);
    EXPECT_FALSE(fs::exists(ExportFolder("product") / "product.msi"));
}

TEST_F(GenerateCommandTest, NewPackageNamesTheExportedCabinetFiles) {
    const std::string package = Build(tablesmith_test::SamplePackage());
    ASSERT_FALSE(package.empty());
    ExportAll(package, kSampleTables);
    EXPECT_TRUE(Generate(package, kSampleTables));
    EXPECT_EQ((std::vector<Message>{GeneratedMessage()}), sink_.messages);

    const std::string generated = (ExportFolder("product") / "product.msi").string();
    // "#Data1.cab" was written as data1.cab; "#other.CAB" as other.cab. Rows
    // that named no internal cabinet stay as they were.
    EXPECT_EQ((std::vector<std::string>{"data1.cab", "other.cab", "external.cab", ""}),
              MediaCabinets(generated));
    EXPECT_EQ(tablesmith_test::MsiinfoExport(package, "Property"),
              tablesmith_test::MsiinfoExport(generated, "Property"));
    EXPECT_EQ(tablesmith_test::MsiinfoExport(package, "Feature"),
              tablesmith_test::MsiinfoExport(generated, "Feature"));
}

TEST_F(GenerateCommandTest, FileOfTheStreamsOwnCaseIsNamedAsItIs) {
    const std::string package = Build(tablesmith_test::SamplePackage());
    ASSERT_FALSE(package.empty());
    ExportAll(package, kSampleTables);
    fs::rename(ExportFolder("product") / "data1.cab", ExportFolder("product") / "Data1.cab");
    EXPECT_TRUE(Generate(package, kSampleTables));
    EXPECT_EQ((std::vector<std::string>{"Data1.cab", "other.cab", "external.cab", ""}),
              MediaCabinets((ExportFolder("product") / "product.msi").string()));
}

TEST_F(GenerateCommandTest, InternalCabinetNamedLikeAModuleIsMadeExternalToo) {
    PackageContents contents;
    contents.tables = {tablesmith_test::PropertyTable(),
                       tablesmith_test::MediaTable({"#_1234_Module_x86.msm", "external.cab"}),
                       tablesmith_test::FeatureTable()};
    contents.streams = {{"_1234_Module_x86.msm", tablesmith_test::FakeCabinet("module")}};
    const std::string package = Build(contents);
    ASSERT_FALSE(package.empty());
    ExportAll(package, kSampleTables);
    // No "*.cab" in the folder: the cabinet Export wrote is known by its signature.
    EXPECT_TRUE(Generate(package, kSampleTables));
    EXPECT_EQ((std::vector<Message>{GeneratedMessage()}), sink_.messages);
    EXPECT_EQ((std::vector<std::string>{"_1234_module_x86.msm", "external.cab"}),
              MediaCabinets((ExportFolder("product") / "product.msi").string()));
}

// "#" alone names no stream and so no exported file: the row keeps its value,
// and the other rows are made external as ever.
TEST_F(GenerateCommandTest, CabinetValueOfJustTheMarkIsLeftAsItIs) {
    PackageContents contents;
    contents.tables = {tablesmith_test::PropertyTable(),
                       tablesmith_test::MediaTable({"#", "#Data1.cab"}),
                       tablesmith_test::FeatureTable()};
    contents.streams = {{"Data1.cab", tablesmith_test::FakeCabinet("data")}};
    const std::string package = Build(contents);
    ASSERT_FALSE(package.empty());
    ExportAll(package, kSampleTables);
    EXPECT_TRUE(Generate(package, kSampleTables));
    EXPECT_EQ((std::vector<Message>{GeneratedMessage()}), sink_.messages);
    EXPECT_EQ((std::vector<std::string>{"#", "data1.cab"}),
              MediaCabinets((ExportFolder("product") / "product.msi").string()));
}

TEST_F(GenerateCommandTest, RowsOfStreamsDifferingOnlyInCaseNameTheirOwnCabinets) {
    PackageContents contents;
    contents.tables = {tablesmith_test::PropertyTable(),
                       tablesmith_test::MediaTable({"#Same.cab", "#SAME.CAB"}),
                       tablesmith_test::FeatureTable()};
    contents.streams = {{"Same.cab", tablesmith_test::FakeCabinet("first")},
                        {"SAME.CAB", tablesmith_test::FakeCabinet("second")}};
    const std::string package = Build(contents);
    ASSERT_FALSE(package.empty());
    ExportAll(package, kSampleTables);
    EXPECT_TRUE(Generate(package, kSampleTables));
    const std::vector<std::string> cabinets =
        MediaCabinets((ExportFolder("product") / "product.msi").string());
    ASSERT_EQ(2u, cabinets.size());
    EXPECT_EQ(tablesmith_test::FakeCabinet("first"),
              testing_support::ReadFile(ExportFolder("product") / cabinets[0]));
    EXPECT_EQ(tablesmith_test::FakeCabinet("second"),
              testing_support::ReadFile(ExportFolder("product") / cabinets[1]));
}

TEST_F(GenerateCommandTest, NewPackageThatCannotBeCreatedIsToldAndNeverAnnounced) {
    const std::string package = Build(tablesmith_test::SamplePackage());
    ASSERT_FALSE(package.empty());
    ExportAll(package, kSampleTables);
    // A folder where the new package should go: it can be neither created
    // nor replaced, and what is there stays.
    const fs::path in_the_way = ExportFolder("product") / "product.msi";
    fs::create_directory(in_the_way);
    testing_support::WriteFile(in_the_way / "keep.txt", "kept");
    EXPECT_FALSE(Generate(package, kSampleTables));
    EXPECT_EQ((std::vector<Message>{{kCantCreatePackage, kStop}}), sink_.messages);
    EXPECT_EQ("kept", testing_support::ReadFile(in_the_way / "keep.txt"));
}

TEST_F(GenerateCommandTest, SummaryCarriesSourceCodeAndTemplateVersionAndCredit) {
    PackageContents contents = tablesmith_test::SamplePackage();
    contents.template_text = "x64;1031";
    contents.revision = "{ABCDEF01-2345-6789-ABCD-EF0123456789}";
    const std::string package = Build(contents);
    ASSERT_FALSE(package.empty());
    ExportAll(package, kSampleTables);
    ASSERT_TRUE(Generate(package, kSampleTables));

    const std::string generated = (ExportFolder("product") / "product.msi").string();
    MSIHANDLE summary = 0;
    ASSERT_EQ(0u, MsiGetSummaryInformationA(0, generated.c_str(), 0, &summary));
    auto text = [&](UINT property) {
        char buffer[512] = {};
        DWORD size = sizeof buffer;
        UINT type = 0;
        INT number = 0;
        EXPECT_EQ(0u, MsiSummaryInfoGetPropertyA(summary, property, &type, &number, nullptr, buffer,
                                                 &size));
        EXPECT_EQ(static_cast<UINT>(VT_LPSTR), type);
        return std::string(buffer, size);
    };
    EXPECT_EQ("{ABCDEF01-2345-6789-ABCD-EF0123456789}", text(PID_REVNUMBER));
    EXPECT_EQ("x64;1031", text(PID_TEMPLATE));
    EXPECT_EQ(kGeneratedComments, text(PID_COMMENTS));
    UINT type = 0;
    INT number = 0;
    DWORD size = 0;
    EXPECT_EQ(0u, MsiSummaryInfoGetPropertyA(summary, PID_PAGECOUNT, &type, &number, nullptr,
                                             nullptr, &size));
    EXPECT_EQ(static_cast<UINT>(VT_I4), type);
    EXPECT_EQ(kGeneratedPageCount, number);
    MsiCloseHandle(summary);
}

TEST_F(GenerateCommandTest, MediaRowWhoseCabinetFileIsMissingIsTold) {
    PackageContents contents = tablesmith_test::SamplePackage();
    contents.tables[1] = tablesmith_test::MediaTable({"#Data1.cab", "#gone.cab"});
    const std::string package = Build(contents);
    ASSERT_FALSE(package.empty());
    ExportAll(package, kSampleTables);
    EXPECT_FALSE(Generate(package, kSampleTables));
    EXPECT_EQ((std::vector<Message>{{FillMessage(kCabFileMissing, {"gone.cab"}), kStop},
                                    GeneratedMessage()}),
              sink_.messages);
    EXPECT_EQ((std::vector<std::string>{"data1.cab", "#gone.cab"}),
              MediaCabinets((ExportFolder("product") / "product.msi").string()));
}

TEST_F(GenerateCommandTest, MediaRowNamingAStreamWithAPathIsNeverPointedOutside) {
    PackageContents contents = tablesmith_test::SamplePackage();
    contents.tables[1] = tablesmith_test::MediaTable({"#Data1.cab", "#../../escape.cab"});
    contents.streams.push_back({"../../escape.cab", tablesmith_test::FakeCabinet("evil")});
    const std::string package = Build(contents);
    ASSERT_FALSE(package.empty());
    ExportAll(package, kSampleTables);
    // A file of that name beside the export folder must not be picked up.
    testing_support::WriteFile(temp_.path() / "escape.cab",
                               tablesmith_test::FakeCabinet("outside"));
    EXPECT_FALSE(Generate(package, kSampleTables));
    EXPECT_EQ((std::vector<Message>{{FillMessage(kCabFileMissing, {"../../escape.cab"}), kStop},
                                    GeneratedMessage()}),
              sink_.messages);
    EXPECT_EQ((std::vector<std::string>{"data1.cab", "#../../escape.cab"}),
              MediaCabinets((ExportFolder("product") / "product.msi").string()));
    EXPECT_EQ(tablesmith_test::FakeCabinet("outside"),
              testing_support::ReadFile(temp_.path() / "escape.cab"));
}

TEST_F(GenerateCommandTest, PackageWithoutMediaTableIsStillGenerated) {
    PackageContents contents = tablesmith_test::SamplePackage();
    contents.tables.erase(contents.tables.begin() + 1);
    const std::string package = Build(contents);
    ASSERT_FALSE(package.empty());
    ExportAll(package, {"Feature", "Property"});
    EXPECT_TRUE(Generate(package, {"Feature", "Property"}));
    EXPECT_EQ((std::vector<Message>{GeneratedMessage()}), sink_.messages);
}

// A table that fails to import ends the generation before anything is
// replaced: the package made before stays, and the message says which table,
// which file, which line and why.
TEST_F(GenerateCommandTest, TableThatFailsToImportLeavesTheEarlierPackageAndSaysWhy) {
    const std::string package = Build(tablesmith_test::SamplePackage());
    ASSERT_FALSE(package.empty());
    ExportAll(package, kSampleTables);
    ASSERT_TRUE(Generate(package, kSampleTables));
    const fs::path generated = ExportFolder("product") / "product.msi";
    const std::string before = testing_support::ReadFile(generated);
    sink_.messages.clear();

    const fs::path feature = ExportFolder("product") / "Feature.tbl";
    testing_support::WriteFile(feature, testing_support::ReadFile(feature) + "Broken\trow\r\n");
    EXPECT_FALSE(Generate(package, {"Feature", "Media", "Missing", "Property"}));
    const std::string missing = (ExportFolder("product") / "Missing.tbl").string();
    EXPECT_EQ((std::vector<Message>{
                  {std::string(kCantImportAll) + "\n" +
                       FillMessage(kCantImportTable, {"Feature", feature.string(),
                                                      "Feature.tbl:5: 2 fields for 8 columns"}) +
                       "\n" +
                       FillMessage(kCantImportTable,
                                   {"Missing", missing,
                                    "cannot open " + missing + ": No such file or directory"}) +
                       "\n" + kNothingGenerated,
                   kStop}}),
              sink_.messages);
    EXPECT_TRUE(before == testing_support::ReadFile(generated));
    EXPECT_EQ(kSampleFolder, tablesmith_test::FolderEntries(ExportFolder("product")));

    // Generating again from the generated package itself keeps it too.
    sink_.messages.clear();
    EXPECT_FALSE(Generate(generated.string(), kSampleTables));
    ASSERT_EQ(1u, sink_.messages.size());
    EXPECT_EQ(kStop, sink_.messages[0].kind);
    EXPECT_TRUE(before == testing_support::ReadFile(generated));
    EXPECT_EQ(kSampleFolder, tablesmith_test::FolderEntries(ExportFolder("product")));
}

TEST_F(GenerateCommandTest, SourceWhoseSummaryCannotBeReadIsToldAndNothingIsMade) {
    const std::string package = Build(tablesmith_test::SamplePackage());
    ASSERT_FALSE(package.empty());
    ExportAll(package, kSampleTables);
    fs::remove(package);
    EXPECT_FALSE(Generate(package, kSampleTables));
    EXPECT_EQ((std::vector<Message>{{FillMessage(kCantReadSourceSummary, {package}), kStop}}),
              sink_.messages);
    EXPECT_EQ(kExportedFiles, tablesmith_test::FolderEntries(ExportFolder("product")));
}

// Export is interrupted, or someone cuts a cabinet: a package that named it
// would fail at install time, far from the cause.
TEST_F(GenerateCommandTest, CabinetThatIsNotWholeEndsGenerationAndIsNamed) {
    const std::string package = Build(tablesmith_test::SamplePackage());
    ASSERT_FALSE(package.empty());
    ExportAll(package, kSampleTables);
    const fs::path cabinet = ExportFolder("product") / "data1.cab";
    const std::string whole = testing_support::ReadFile(cabinet);
    struct Case {
        std::string bytes;
        std::string problem;
    };
    for (const Case& c :
         {Case{whole.substr(0, whole.size() - 3),
               FillMessage(kCabCut,
                           {std::to_string(whole.size()), std::to_string(whole.size() - 3)})},
          Case{whole + "tail", FillMessage(kCabCut, {std::to_string(whole.size()),
                                                     std::to_string(whole.size() + 4)})},
          Case{"MSC", kCabNoHeader}, Case{"not a cabinet at all", kCabNoHeader}}) {
        SCOPED_TRACE(c.problem);
        testing_support::WriteFile(cabinet, c.bytes);
        sink_.messages.clear();
        EXPECT_FALSE(Generate(package, kSampleTables));
        EXPECT_EQ(
            (std::vector<Message>{{FillMessage(kCantUseCab, {cabinet.string(), c.problem}), kStop},
                                  {kNothingGenerated, kStop}}),
            sink_.messages);
        EXPECT_EQ(kExportedFiles, tablesmith_test::FolderEntries(ExportFolder("product")));
    }
}

// Links and FIFOs in the folder are refused with their names, never followed
// or waited on.
TEST_F(GenerateCommandTest, LinksAndFifosInTheFolderAreRefusedByName) {
    const std::string package = Build(tablesmith_test::SamplePackage());
    ASSERT_FALSE(package.empty());
    ExportAll(package, kSampleTables);
    const fs::path folder = ExportFolder("product");
    const fs::path outside = inputs_.path() / "outside";
    fs::create_directory(outside);
    fs::rename(folder / "Feature.tbl", outside / "Feature.tbl");
    fs::create_symlink(outside / "Feature.tbl", folder / "Feature.tbl");
    fs::remove(folder / "Media.tbl");
    ASSERT_EQ(0, ::mkfifo((folder / "Media.tbl").c_str(), 0600));
    EXPECT_FALSE(Generate(package, kSampleTables));
    ASSERT_EQ(1u, sink_.messages.size());
    const std::string& text = sink_.messages[0].text;
    EXPECT_NE(std::string::npos,
              text.find((folder / "Feature.tbl").string() + " is a symbolic link"))
        << text;
    EXPECT_NE(std::string::npos,
              text.find((folder / "Media.tbl").string() + " is not a regular file"))
        << text;
    EXPECT_FALSE(fs::exists(folder / "product.msi"));

    // The tables back in place, the cabinets become a link and a FIFO.
    fs::remove(folder / "Feature.tbl");
    fs::remove(folder / "Media.tbl");
    ExportAll(package, kSampleTables);
    fs::rename(folder / "data1.cab", outside / "data1.cab");
    fs::create_symlink(outside / "data1.cab", folder / "data1.cab");
    fs::remove(folder / "other.cab");
    ASSERT_EQ(0, ::mkfifo((folder / "other.cab").c_str(), 0600));
    // A whole cabinet no row names, so that the folder still holds one.
    testing_support::WriteFile(folder / "spare.cab", tablesmith_test::FakeCabinet("spare"));
    sink_.messages.clear();
    EXPECT_FALSE(Generate(package, kSampleTables));
    EXPECT_EQ(
        (std::vector<Message>{
            {FillMessage(kCantUseCab, {(folder / "data1.cab").string(), kCabIsLink}), kStop},
            {FillMessage(kCantUseCab, {(folder / "other.cab").string(), kCabNotAFile}), kStop},
            {kNothingGenerated, kStop}}),
        sink_.messages);
    EXPECT_FALSE(fs::exists(folder / "product.msi"));
}

TEST_F(GenerateCommandTest, FolderOthersMayWriteToIsRefused) {
    const std::string package = Build(tablesmith_test::SamplePackage());
    ASSERT_FALSE(package.empty());
    ExportAll(package, kSampleTables);
    const fs::path folder = ExportFolder("product");
    fs::permissions(folder, fs::perms::all);
    EXPECT_FALSE(Generate(package, kSampleTables));
    EXPECT_EQ((std::vector<Message>{{FillMessage(kFolderOpenToOthers, {folder.string()}), kStop}}),
              sink_.messages);
    EXPECT_FALSE(fs::exists(folder / "product.msi"));
}

// Names are taken exactly: a cabinet stream without a dot and a package file
// without an extension gain none.
TEST_F(GenerateCommandTest, NamesWithoutADotStayWithoutOne) {
    PackageContents contents = tablesmith_test::SamplePackage();
    contents.tables[1] = tablesmith_test::MediaTable({"#Cab1"});
    contents.streams = {{"Cab1", tablesmith_test::FakeCabinet("one")}};
    const std::string package = Build(contents, "product");
    ASSERT_FALSE(package.empty());
    ExportAll(package, kSampleTables);
    EXPECT_TRUE(Generate(package, kSampleTables));
    EXPECT_EQ((std::vector<Message>{GeneratedMessage("product", "product")}), sink_.messages);
    EXPECT_EQ((std::vector<std::string>{"cab1"}),
              MediaCabinets((ExportFolder("product") / "product").string()));
    EXPECT_EQ(
        (std::vector<std::string>{"Feature.tbl", "Media.tbl", "Property.tbl", "cab1", "product"}),
        tablesmith_test::FolderEntries(ExportFolder("product")));
}

TEST_F(GenerateCommandTest, SourceInsideItsOwnExportFolderIsReadBeforeItIsReplaced) {
    const std::string package = Build(tablesmith_test::SamplePackage());
    ASSERT_FALSE(package.empty());
    ExportAll(package, kSampleTables);
    const fs::path inside = ExportFolder("product") / "product.msi";
    fs::copy_file(package, inside);
    EXPECT_TRUE(Generate(inside.string(), kSampleTables));
    EXPECT_EQ((std::vector<Message>{GeneratedMessage()}), sink_.messages);
    MSIHANDLE summary = 0;
    ASSERT_EQ(0u, MsiGetSummaryInformationA(0, inside.c_str(), 0, &summary));
    char buffer[256] = {};
    DWORD size = sizeof buffer;
    UINT type = 0;
    EXPECT_EQ(0u, MsiSummaryInfoGetPropertyA(summary, PID_REVNUMBER, &type, nullptr, nullptr,
                                             buffer, &size));
    EXPECT_STREQ("{12345678-1234-1234-1234-123456789012}", buffer);
    MsiCloseHandle(summary);
}

}  // namespace
}  // namespace tablesmith
