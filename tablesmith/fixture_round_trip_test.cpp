// Export all tables with their cabinets, then Generate, over every real
// package of the shared fixtures; the new package must hold the same tables,
// name its cabinets as files of the export folder, and open in msitools and,
// when it is set up, in the oracle.
#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "cabinet_export.h"
#include "cabinet_file_match.h"
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
using tablesmith_test::kInformation;
using tablesmith_test::kStop;
using tablesmith_test::Message;
using tablesmith_test::MsiinfoExport;
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

// The lines of the oracle's output that start with `tag`, sorted: the
// oracle lists rows in its own storage order, which need not be ours.
std::vector<std::string> SortedLines(const std::string& output, const std::string& tag) {
    std::vector<std::string> lines;
    std::size_t begin = 0;
    while (begin < output.size()) {
        std::size_t end = output.find('\n', begin);
        if (end == std::string::npos) end = output.size();
        const std::string line = output.substr(begin, end - begin);
        if (line.rfind(tag, 0) == 0) lines.push_back(line);
        begin = end + 1;
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

// The oracle's answer to several queries, cut into one text per query (each
// begins with its "names" line).
std::vector<std::string> OracleAnswers(const std::string& output) {
    std::vector<std::string> answers;
    std::size_t begin = 0;
    while (begin < output.size()) {
        std::size_t end = output.find('\n', begin);
        if (end == std::string::npos) end = output.size();
        const std::string line = output.substr(begin, end - begin);
        if (line.rfind("names\t", 0) == 0 || answers.empty()) answers.emplace_back();
        answers.back() += line + "\n";
        begin = end + 1;
    }
    // Lines before the first "names" (none are expected) are not an answer.
    if (!answers.empty() && answers.front().rfind("names\t", 0) != 0)
        answers.erase(answers.begin());
    return answers;
}

// The oracle's line for summary property `id` ("prop\tID\tName\tVT_x\tvalue").
std::string OracleProperty(const std::string& suminfo, int id) {
    const std::string prefix = "prop\t" + std::to_string(id) + "\t";
    for (const std::string& line : SortedLines(suminfo, prefix)) return line;
    return std::string();
}

class FixtureRoundTripTest : public CommandTest, public testing::WithParamInterface<const char*> {
  protected:
    // Export all tables with the cabinets, then Generate, as a user does.
    // Fills the members; false (with a test failure) when Generate refused.
    bool ExportAndGenerate(const fs::path& fixture) {
        source_ = fixture.string();
        tables_ = ListPackageTables(source_);
        EXPECT_FALSE(tables_.empty());

        ExportSettings settings;
        settings.msi_file = source_;
        settings.tables = tables_;
        settings.export_all = true;
        settings.export_cab = true;
        EXPECT_TRUE(RunExport(settings, sink_));
        for (const Message& message : sink_.messages)
            EXPECT_EQ(kInformation, message.kind) << message.text;

        folder_ = ExportFolder(fixture.stem().string());
        const bool has_cabinets =
            !sink_.messages.empty() && sink_.messages.back().text != std::string(kNoCabsInPackage);
        sink_.messages.clear();
        if (!has_cabinets) {
            // A package that carries no cabinet: Generate asks for one, as it
            // should. With an external cabinet brought in by hand it goes on;
            // the tables are what is looked at then.
            EXPECT_FALSE(RunGenerate({source_, tables_}, sink_));
            EXPECT_EQ((std::vector<Message>{{kNoCabFound, kStop}}), sink_.messages);
            sink_.messages.clear();
            testing_support::WriteFile(folder_ / "external.cab", "MSCF");
        }

        const bool generated = RunGenerate({source_, tables_}, sink_);
        EXPECT_TRUE(generated);
        generated_ = (folder_ / fixture.filename()).string();
        EXPECT_EQ((std::vector<Message>{{FillMessage(kGenerated, {generated_}), kInformation}}),
                  sink_.messages);
        return generated;
    }

    std::string source_;
    std::vector<std::string> tables_;
    fs::path folder_;
    std::string generated_;
};

TEST_P(FixtureRoundTripTest, ExportAllWithCabinetsThenGenerateKeepsEveryTable) {
    VSB_REQUIRE_FIXTURE(fixture, GetParam());
    VSB_REQUIRE_PROGRAM("msiinfo");
    ASSERT_TRUE(ExportAndGenerate(fixture));

    // msitools opens the new package and reads every table as in the source.
    const auto listed = testing_support::Run({"msiinfo", "tables", generated_});
    EXPECT_EQ(0, listed.status) << listed.out << listed.err;
    EXPECT_EQ(tables_, ListPackageTables(generated_));
    for (const std::string& table : tables_) {
        if (table == "Media") continue;
        EXPECT_EQ(MsiinfoExport(source_, table), MsiinfoExport(generated_, table))
            << "table " << table;
    }

    // Media: the same rows, but every internal cabinet now names the file of
    // the export folder (exactly so spelled) that holds the stream's bytes.
    const auto source_media = TableRows(source_, "Media");
    const auto new_media = TableRows(generated_, "Media");
    ASSERT_EQ(source_media.size(), new_media.size());
    for (std::size_t i = 0; i < source_media.size(); ++i) {
        ASSERT_EQ(source_media[i].size(), new_media[i].size());
        for (std::size_t c = 0; c < source_media[i].size(); ++c) {
            const std::string& before = source_media[i][c];
            const std::string& after = new_media[i][c];
            if (c == 3 && before.size() > 1 && before[0] == '#') {
                ASSERT_TRUE(fs::is_regular_file(folder_ / after)) << before << " -> " << after;
                const std::string stream =
                    testing_support::Run({"msiinfo", "extract", source_, before.substr(1)}).out;
                EXPECT_FALSE(stream.empty()) << before;
                EXPECT_TRUE(stream == testing_support::ReadFile(folder_ / after))
                    << "the file " << after << " holds other bytes than stream " << before;
            } else {
                EXPECT_EQ(before, after) << "Media row " << i << " column " << c;
            }
        }
    }

    EXPECT_EQ(SummaryText(source_, PID_REVNUMBER), SummaryText(generated_, PID_REVNUMBER));
    EXPECT_EQ(SummaryText(source_, PID_TEMPLATE), SummaryText(generated_, PID_TEMPLATE));
    EXPECT_EQ(kGeneratedComments, SummaryText(generated_, PID_COMMENTS));
    UINT type = 0;
    INT page_count = 0;
    SummaryText(generated_, PID_PAGECOUNT, &type, &page_count);
    EXPECT_EQ(static_cast<UINT>(VT_I4), type);
    EXPECT_EQ(kGeneratedPageCount, page_count);
}

// The oracle opens every generated package and finds every table (one
// cheap call each; the fuller comparison below runs over a few packages).
TEST_P(FixtureRoundTripTest, OracleFindsEveryTableOfTheGeneratedPackage) {
    VSB_REQUIRE_FIXTURE(fixture, GetParam());
    VSB_REQUIRE_ORACLE(oracle);
    ASSERT_TRUE(ExportAndGenerate(fixture));
    const auto answer = testing_support::Run(
        {oracle.string(), "query", generated_, "SELECT `Name` FROM `_Tables`"});
    EXPECT_EQ(0, answer.status) << answer.out << answer.err;
    EXPECT_EQ((std::vector<std::string>{"rows\t" + std::to_string(tables_.size())}),
              SortedLines(answer.out, "rows\t"))
        << answer.out;
}

// The oracle (another implementation of the installer database) opens the
// new package and reads the same properties, tables and summary. Run over a
// representative few of the packages, as each oracle round takes seconds:
// merge-module cabinets and many rows (vcredist), a ".cab" stream in code
// page 1252 (putty), Hebrew text in code page 1255 and no cabinet (he-il).
class OracleRoundTripTest : public FixtureRoundTripTest {};

TEST_P(OracleRoundTripTest, OracleOpensTheGeneratedPackageWithTheSourcesProperties) {
    VSB_REQUIRE_ORACLE(oracle);
    VSB_REQUIRE_FIXTURE(fixture, GetParam());
    ASSERT_TRUE(ExportAndGenerate(fixture));

    // One oracle call per package: the properties, the tables and the
    // cabinets, each answer beginning with its "names" line.
    const auto query = [&](const std::string& package) {
        return testing_support::Run({oracle.string(), "query", package, "SELECT * FROM `Property`",
                                     "SELECT * FROM `_Tables`", "SELECT `Cabinet` FROM `Media`"});
    };
    const auto source_run = query(source_);
    const auto new_run = query(generated_);
    const int source_status = source_run.status, new_status = new_run.status;
    const std::vector<std::string> before = OracleAnswers(source_run.out);
    const std::string after_text = new_run.out + new_run.err;
    const std::vector<std::string> after = OracleAnswers(new_run.out);
    EXPECT_EQ(0, new_status) << after_text;
    EXPECT_EQ(source_status, new_status);
    ASSERT_EQ(3u, before.size());
    ASSERT_EQ(3u, after.size()) << after_text;
    // Property and _Tables as in the source.
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(SortedLines(before[i], "row\t"), SortedLines(after[i], "row\t"));
        EXPECT_EQ(SortedLines(before[i], "rows\t"), SortedLines(after[i], "rows\t"));
    }
    // Media has as many rows, none of them naming a stream any more.
    EXPECT_EQ(SortedLines(before[2], "rows\t"), SortedLines(after[2], "rows\t"));
    EXPECT_EQ(std::string::npos, after[2].find("row\t#")) << after[2];

    const std::string summary_before =
        testing_support::Run({oracle.string(), "suminfo", source_}).out;
    const std::string summary_after =
        testing_support::Run({oracle.string(), "suminfo", generated_}).out;
    EXPECT_EQ(OracleProperty(summary_before, 9), OracleProperty(summary_after, 9));
    EXPECT_EQ(OracleProperty(summary_before, 7), OracleProperty(summary_after, 7));
    EXPECT_EQ("prop\t14\tPageCount\tVT_I4\t110", OracleProperty(summary_after, 14));
    EXPECT_EQ(std::string("prop\t6\tComments\tVT_LPSTR\t") + kGeneratedComments,
              OracleProperty(summary_after, 6));
}

INSTANTIATE_TEST_SUITE_P(RepresentativePackages, OracleRoundTripTest,
                         testing::Values("real/lessmsi/vcredist.msi",
                                         "real/lessmsi/putty-0.68-installer.msi",
                                         "real/wix3/he-il.msi"),
                         [](const auto& info) {
                             return testing_support::FixtureTestName(info.param);
                         });

INSTANTIATE_TEST_SUITE_P(RealPackages, FixtureRoundTripTest,
                         testing::ValuesIn(testing_support::RealFixturePackageNames()),
                         [](const auto& info) {
                             return testing_support::FixtureTestName(info.param);
                         });

}  // namespace
}  // namespace tablesmith
