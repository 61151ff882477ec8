// Validate over every real package of the shared fixtures: each reports
// findings (a typical package's _Validation names tables it does not have),
// and its row findings are exactly what the engine's VALIDATE says of each
// fetched row, so that the command and the interface never disagree.
#include <algorithm>
#include <filesystem>
#include <set>

#include "msi_engine.h"
#include "msiquery.h"
#include "package_tables.h"
#include "tablesmith_test_support.h"
#include "validate_command.h"

namespace tablesmith {
namespace {

namespace fs = std::filesystem;

std::string Field(MSIHANDLE record, UINT field) {
    char buffer[4096] = "";
    DWORD size = sizeof buffer;
    MsiRecordGetStringA(record, field, buffer, &size);
    return buffer;
}

// "Table|Column|Key|RULE" of every value VALIDATE refuses, MISSINGDATA aside
// (the command says it once per column); `unchecked` when a row needed a
// check the engine does not have.
std::vector<std::string> EngineFindings(const std::string& package, bool& unchecked) {
    std::vector<std::string> found;
    MSIHANDLE db = 0;
    EXPECT_EQ(MsiOpenDatabaseA(package.c_str(), MSIDBOPEN_READONLY, &db), ERROR_SUCCESS);
    for (const std::string& table : ListPackageTables(package)) {
        MSIHANDLE keys = 0, view = 0, row = 0;
        if (MsiDatabaseGetPrimaryKeysA(db, table.c_str(), &keys) != ERROR_SUCCESS) continue;
        const UINT key_count = MsiRecordGetFieldCount(keys);
        MsiCloseHandle(keys);
        const std::string sql = "SELECT * FROM `" + table + "`";
        EXPECT_EQ(MsiDatabaseOpenViewA(db, sql.c_str(), &view), ERROR_SUCCESS);
        EXPECT_EQ(MsiViewExecute(view, 0), ERROR_SUCCESS);
        while (MsiViewFetch(view, &row) == ERROR_SUCCESS) {
            std::string key;
            for (UINT k = 1; k <= key_count; ++k) key += (k > 1 ? ", " : "") + Field(row, k);
            if (MsiViewModify(view, MSIMODIFY_VALIDATE, row) == ERROR_CALL_NOT_IMPLEMENTED)
                unchecked = true;
            for (;;) {
                char column[128] = "";
                DWORD size = sizeof column;
                const MSIDBERROR error = MsiViewGetErrorA(view, column, &size);
                if (error == MSIDBERROR_NOERROR || error < 0) break;
                if (error == MSIDBERROR_MISSINGDATA) continue;
                found.push_back(table + "|" + column + "|" + key + "|" +
                                msi::ValidationErrorName(error));
            }
            MsiCloseHandle(row);
        }
        MsiCloseHandle(view);
    }
    MsiCloseHandle(db);
    std::sort(found.begin(), found.end());
    return found;
}

class ValidateFixtureTest : public tablesmith_test::CommandTest,
                            public testing::WithParamInterface<const char*> {};

TEST_P(ValidateFixtureTest, FindingsAreWhatValidateSaysOfEachRow) {
    VSB_REQUIRE_FIXTURE(fixture, GetParam());
    std::vector<std::string> rows;
    const auto report = RunValidate({fixture.string(), {}}, sink_, [&](const ValidationFinding& f) {
        EXPECT_FALSE(f.rule.empty());
        EXPECT_FALSE(f.message.empty());
        if (!f.key.empty()) rows.push_back(f.table + "|" + f.column + "|" + f.key + "|" + f.rule);
    });
    EXPECT_EQ(report.outcome, ValidateReport::Outcome::kFindings);
    EXPECT_EQ(report.tables, ListPackageTables(fixture.string()).size());
    std::sort(rows.begin(), rows.end());
    bool unchecked = false;
    EXPECT_EQ(rows, EngineFindings(fixture.string(), unchecked));
    // The engine's "not implemented" is told, as warnings and nothing worse.
    for (const auto& message : sink_.messages)
        EXPECT_EQ(message.kind, diag::OutcomeKind::kWarning) << message.text;
    EXPECT_EQ(unchecked, !sink_.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(RealPackages, ValidateFixtureTest,
                         testing::ValuesIn(testing_support::RealFixturePackageNames()),
                         [](const auto& info) {
                             return testing_support::FixtureTestName(info.param);
                         });

}  // namespace
}  // namespace tablesmith
