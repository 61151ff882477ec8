// Builds the demo package from the sources of this folder, as the build
// does, and checks what the demo relies on: the embedded cabinet named by
// Media, the Binary row, text outside ASCII, and that Tablesmith's export
// and generation turn it into a package with an external cabinet.
#include <filesystem>

#include "export_command.h"
#include "generate_command.h"
#include "messages.h"
#include "package_tables.h"
#include "tablesmith_test_support.h"

namespace {

namespace fs = std::filesystem;

const fs::path kSources = SAMPLE_SOURCE_DIR;

class SamplePackageTest : public tablesmith_test::CommandTest {
  protected:
    void SetUp() override {
        CommandTest::SetUp();
        cabinet_ = inputs_.path() / "Demo.cab";
        package_ = inputs_.path() / "TablesmithDemo.msi";
        const auto packed = testing_support::Run(
            {GCAB, "-c", "-z", "-n", cabinet_.string(), "readme.txt", "hello.txt"},
            testing_support::RunOptions().In(kSources / "files"));
        ASSERT_EQ(0, packed.status) << packed.out << packed.err;
        const auto made =
            testing_support::Run({MAKE_SAMPLE_PACKAGE, package_.string(),
                                  (kSources / "idt").string(), cabinet_.string(), "Demo.cab"});
        ASSERT_EQ(0, made.status) << made.out << made.err;
    }

    // A stream of a package as msiinfo extracts it.
    static std::string Stream(const fs::path& package, const std::string& name) {
        return testing_support::Run({"msiinfo", "extract", package.string(), name}).out;
    }

    fs::path cabinet_;
    fs::path package_;
};

TEST_F(SamplePackageTest, CarriesItsCabinetABinaryRowAndTextBeyondAscii) {
    VSB_REQUIRE_PROGRAM("msiinfo");
    EXPECT_EQ((std::vector<std::string>{"Binary", "Component", "Directory", "Feature",
                                        "FeatureComponents", "File", "Media", "Property"}),
              tablesmith::ListPackageTables(package_.string()));
    EXPECT_NE(std::string::npos,
              tablesmith_test::MsiinfoExport(package_.string(), "Media").find("\t#Demo.cab\t"));
    // The cabinet gcab made is in _Streams, byte for byte, and holds both files.
    EXPECT_TRUE(testing_support::ReadFile(cabinet_) == Stream(package_, "Demo.cab"));
    const std::string listed = testing_support::Run({GCAB, "-t", cabinet_.string()}).out;
    EXPECT_NE(std::string::npos, listed.find("readme.txt"));
    EXPECT_NE(std::string::npos, listed.find("hello.txt"));
    // The Binary row's bytes are those of its source file.
    EXPECT_TRUE(testing_support::ReadFile(kSources / "idt" / "Binary" / "logo.bin") ==
                Stream(package_, "Binary.Logo"));
    // Code page 1252 text in the sources; msiinfo shows it in UTF-8.
    EXPECT_NE(std::string::npos,
              tablesmith_test::MsiinfoExport(package_.string(), "Property")
                  .find("ProductName\tTablesmith D\xC3\xA9mo \xE2\x80\x93 Cr\xC3\xA8me"));
}

TEST_F(SamplePackageTest, ExportThenGenerateMakesItsCabinetExternal) {
    const std::vector<std::string> tables = tablesmith::ListPackageTables(package_.string());
    tablesmith::ExportSettings settings;
    settings.msi_file = package_.string();
    settings.tables = tables;
    settings.export_all = true;
    settings.export_cab = true;
    EXPECT_TRUE(tablesmith::RunExport(settings, sink_));
    EXPECT_TRUE(tablesmith::RunGenerate({package_.string(), tables}, sink_));
    for (const tablesmith_test::Message& message : sink_.messages)
        EXPECT_EQ(tablesmith_test::kInformation, message.kind) << message.text;

    const fs::path folder = ExportFolder("TablesmithDemo");
    const fs::path generated = folder / "TablesmithDemo.msi";
    EXPECT_TRUE(testing_support::ReadFile(cabinet_) ==
                testing_support::ReadFile(folder / "demo.cab"));
    EXPECT_NE(std::string::npos,
              tablesmith_test::MsiinfoExport(generated.string(), "Media").find("\tdemo.cab\t"));
    EXPECT_EQ(tablesmith_test::MsiinfoExport(package_.string(), "Property"),
              tablesmith_test::MsiinfoExport(generated.string(), "Property"));
    EXPECT_EQ(tablesmith_test::MsiinfoExport(package_.string(), "Binary"),
              tablesmith_test::MsiinfoExport(generated.string(), "Binary"));
}

}  // namespace
