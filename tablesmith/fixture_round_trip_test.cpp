// Export all tables with their cabinets, then Generate, over every real
// package of the shared fixtures; the new package must hold the same tables,
// name its cabinets as files of the export folder, and open in msitools and,
// when it is set up, in the oracle.
#include <filesystem>

#include "cabinet_export.h"
#include "cabinet_file_match.h"
#include "core/message_box.h"
#include "export_command.h"
#include "generate_command.h"
#include "messages.h"
#include "msi_database.h"
#include "msi_record.h"
#include "msi_view.h"
#include "msiquery.h"
#include "package_tables.h"
#include "tablesmith_test_support.h"

namespace tablesmith {
namespace {

using tablesmith_test::CommandTest;
using tablesmith_test::Message;
using tablesmith_test::MsiinfoExport;
using tablesmith_test::Quote;
using tablesmith_test::RunCommand;
namespace fs = std::filesystem;

// Every row of a table as tab-joined texts, in the engine's order.
std::vector<std::vector<std::string>> TableRows(const std::string& package,
                                                const std::string& table) {
    std::vector<std::vector<std::string>> rows;
    CMsiDatabase database;
    if (database.Open(package, 0)) {
        CMsiView view;
        if (view.Open(&database, "SELECT * FROM `" + table + "`")) {
            const std::uint32_t columns = view.GetFieldCount();
            view.Execute(0);
            CMsiRecord row;
            while (view.Fetch(row)) {
                std::vector<std::string> fields(columns);
                for (std::uint32_t i = 0; i < columns; ++i) row.GetString(i, fields[i]);
                rows.push_back(fields);
            }
        }
    }
    database.Shutdown();
    return rows;
}

std::string SummaryText(const std::string& package, UINT property, UINT* type_out = nullptr,
                        INT* number_out = nullptr) {
    MSIHANDLE summary = 0;
    if (MsiGetSummaryInformationA(0, package.c_str(), 0, &summary) != ERROR_SUCCESS)
        return "<no summary>";
    char buffer[1024] = {};
    DWORD size = sizeof buffer;
    UINT type = 0;
    INT number = 0;
    MsiSummaryInfoGetPropertyA(summary, property, &type, &number, nullptr, buffer, &size);
    MsiCloseHandle(summary);
    if (type_out != nullptr) *type_out = type;
    if (number_out != nullptr) *number_out = number;
    return std::string(buffer, size);
}

class FixtureRoundTripTest : public CommandTest, public testing::WithParamInterface<const char*> {};

TEST_P(FixtureRoundTripTest, ExportAllWithCabinetsThenGenerateKeepsEveryTable) {
    VSB_REQUIRE_FIXTURE(fixture, GetParam());
    const std::string source = fixture.string();
    const std::vector<std::string> tables = ListPackageTables(source);
    ASSERT_FALSE(tables.empty());

    ExportSettings settings;
    settings.msi_file = source;
    settings.tables = tables;
    settings.export_all = true;
    settings.export_cab = true;
    EXPECT_TRUE(RunExport(settings, sink_));
    for (const Message& message : sink_.messages)
        EXPECT_EQ(MB_ICONINFORMATION, message.icon) << message.text;

    const fs::path folder = ExportFolder(fixture.stem().string());
    const bool has_cabinets =
        !sink_.messages.empty() && sink_.messages.back().text != std::string(kNoCabsInPackage);
    sink_.messages.clear();
    if (!has_cabinets) {
        // Generate wants a cabinet file: without one it refuses, as it should.
        EXPECT_FALSE(RunGenerate({source, tables}, sink_));
        EXPECT_EQ((std::vector<Message>{{kNoCabFound, MB_ICONSTOP}}), sink_.messages);
        sink_.messages.clear();
        // With a cabinet file brought in by hand it goes on; the tables are
        // what this test looks at.
        testing_support::WriteFile(folder / "external.cab", "MSCF");
    }

    EXPECT_TRUE(RunGenerate({source, tables}, sink_));
    const std::string generated = (folder / fixture.filename()).string();
    EXPECT_EQ(
        (std::vector<Message>{{FormatMessageText(kGenerated, {generated}), MB_ICONINFORMATION}}),
        sink_.messages);

    int status = 0;
    const std::string listed = RunCommand("msiinfo tables " + Quote(generated) + " 2>&1", &status);
    EXPECT_EQ(0, status) << listed;

    EXPECT_EQ(tables, ListPackageTables(generated));
    for (const std::string& table : tables) {
        if (table == "Media") continue;
        EXPECT_EQ(MsiinfoExport(source, table), MsiinfoExport(generated, table))
            << "table " << table;
    }

    // Media: the same rows, but an internal cabinet now names a file of the
    // export folder.
    const auto source_media = TableRows(source, "Media");
    const auto new_media = TableRows(generated, "Media");
    ASSERT_EQ(source_media.size(), new_media.size());
    for (std::size_t i = 0; i < source_media.size(); ++i) {
        for (std::size_t c = 0; c < source_media[i].size(); ++c) {
            const std::string& before = source_media[i][c];
            const std::string& after = new_media[i][c];
            if (c == 3 && before.size() > 1 && before[0] == '#' && IsCabinetStreamName(before)) {
                EXPECT_EQ(FindCabinetFile(folder.string(), before.substr(1)), after);
                EXPECT_TRUE(fs::is_regular_file(folder / after)) << after;
            } else {
                EXPECT_EQ(before, after) << "Media row " << i << " column " << c;
            }
        }
    }

    EXPECT_EQ(SummaryText(source, PID_REVNUMBER), SummaryText(generated, PID_REVNUMBER));
    EXPECT_EQ(SummaryText(source, PID_TEMPLATE), SummaryText(generated, PID_TEMPLATE));
    EXPECT_EQ(kGeneratedComments, SummaryText(generated, PID_COMMENTS));
    INT page_count = 0;
    SummaryText(generated, PID_PAGECOUNT, nullptr, &page_count);
    EXPECT_EQ(kGeneratedPageCount, page_count);
}

TEST_P(FixtureRoundTripTest, OracleOpensTheGeneratedPackageWithTheSourcesProperties) {
    const char* oracle = std::getenv("VSB_ORACLE");
    if (oracle == nullptr || *oracle == '\0')
        GTEST_SKIP() << "VSB_ORACLE is not set: no oracle comparison";
    VSB_REQUIRE_FIXTURE(fixture, GetParam());
    const std::string source = fixture.string();
    const std::vector<std::string> tables = ListPackageTables(source);
    ExportSettings settings{source, tables, "", true, true, false};
    RunExport(settings, sink_);
    const fs::path folder = ExportFolder(fixture.stem().string());
    testing_support::WriteFile(folder / "zz-placeholder.cab", "MSCF");
    ASSERT_TRUE(RunGenerate({source, tables}, sink_));
    const std::string generated = (folder / fixture.filename()).string();

    for (const char* query : {"SELECT * FROM `Property`", "SELECT * FROM `_Tables`"}) {
        int source_status = 0;
        int new_status = 0;
        const std::string before =
            RunCommand(Quote(oracle) + " query " + Quote(source) + " " + Quote(query) + " 2>&1",
                       &source_status);
        const std::string after =
            RunCommand(Quote(oracle) + " query " + Quote(generated) + " " + Quote(query) + " 2>&1",
                       &new_status);
        EXPECT_EQ(0, new_status) << after;
        if (std::string(query).find("Property") != std::string::npos) {
            EXPECT_EQ(before, after);
        }
    }
    int status = 0;
    const std::string media = RunCommand(
        Quote(oracle) + " query " + Quote(generated) + " 'SELECT `Cabinet` FROM `Media`' 2>&1",
        &status);
    EXPECT_EQ(std::string::npos, media.find("\t#")) << media;
}

INSTANTIATE_TEST_SUITE_P(RealPackages, FixtureRoundTripTest,
                         testing::Values("real/adobe-reader/AcroRead.msi",
                                         "real/alcor-smartcard/AlcorSmartCardReaderDriver.msi",
                                         "real/lessmsi/IviNetSharedComponents32_Fx20_1.3.0.msi",
                                         "real/lessmsi/msi_with_external_cab.msi",
                                         "real/lessmsi/putty-0.68-installer.msi",
                                         "real/lessmsi/vcredist.msi",
                                         "real/pes2012/PES2012DEMO.msi", "real/wix3/RtmProduct.msi",
                                         "real/wix3/SimpleBinary.msi",
                                         "real/wix3/SimpleInstanceTransform.msi",
                                         "real/wix3/he-il.msi"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             std::string name = fs::path(info.param).stem().string();
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

}  // namespace
}  // namespace tablesmith
