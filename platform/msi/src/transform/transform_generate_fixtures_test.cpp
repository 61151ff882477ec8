// Transforms generated between real packages: a fixture package and the same
// package with a real transform applied. We apply what we generate to the
// base and get the changed package; the oracle applies it to the same tables
// and views it with the same rows as our view.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <set>

#include "msiquery.h"
#include "test_support.h"
#include "transform/transform_test_util.h"

namespace msi::transform::test {
namespace {

struct Case {
    const char* name;
    const char* package;
    const char* transform;  // the real transform that makes the changed package
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.transform;
}

// A language transform (many updated texts, a 65001 pool) and a
// customisation (added tables, columns, rows and binary streams).
const Case kCases[] = {
    {"pes2012_1031", "real/pes2012/PES2012DEMO.msi", "real/pes2012/1031.mst"},
    {"adobe_reader_rcs", "real/adobe-reader/AcroRead.msi", "real/adobe-reader/AcroRead-rcs.mst"},
};

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
    return info.param.name;
}

class GeneratedFromFixtures : public ::testing::TestWithParam<Case> {
  protected:
    // Builds base.msi, changed.msi (base + the real transform, committed) and
    // gen.mst (our transform from base to changed). False when a fixture is
    // missing (the test then skips).
    void Build(const std::filesystem::path& package, const std::filesystem::path& mst) {
        base_ = (dir_.path() / "base.msi").string();
        changed_ = (dir_.path() / "changed.msi").string();
        generated_ = (dir_.path() / "gen.mst").string();
        std::filesystem::copy_file(package, base_);
        std::filesystem::copy_file(package, changed_);
        MSIHANDLE changed = 0, base = 0;
        ASSERT_EQ(MsiOpenDatabaseA(changed_.c_str(), MSIDBOPEN_TRANSACT, &changed), ERROR_SUCCESS);
        ASSERT_EQ(MsiDatabaseApplyTransformA(changed, mst.string().c_str(), 0), ERROR_SUCCESS);
        ASSERT_EQ(MsiDatabaseCommit(changed), ERROR_SUCCESS);
        ASSERT_EQ(MsiOpenDatabaseA(base_.c_str(), MSIDBOPEN_READONLY, &base), ERROR_SUCCESS);
        ASSERT_EQ(MsiDatabaseGenerateTransformA(changed, base, generated_.c_str(), 0, 0),
                  ERROR_SUCCESS);
        changed_dump_ = Dump(changed);
        MsiCloseHandle(changed);
        MsiCloseHandle(base);
    }

    testing_support::TempDir dir_;
    std::string base_, changed_, generated_;
    std::vector<std::string> changed_dump_;
};

TEST_P(GeneratedFromFixtures, OurApplyGivesTheChangedPackage) {
    VSB_REQUIRE_FIXTURE(package, GetParam().package);
    VSB_REQUIRE_FIXTURE(mst, GetParam().transform);
    ASSERT_NO_FATAL_FAILURE(Build(package, mst));
    const std::string copy = (dir_.path() / "applied.msi").string();
    std::filesystem::copy_file(base_, copy);
    MSIHANDLE db = 0;
    ASSERT_EQ(MsiOpenDatabaseA(copy.c_str(), MSIDBOPEN_TRANSACT, &db), ERROR_SUCCESS);
    ASSERT_EQ(MsiDatabaseApplyTransformA(db, generated_.c_str(), 0), ERROR_SUCCESS);
    EXPECT_EQ(Dump(db), changed_dump_);
    MsiCloseHandle(db);
}

// Every table of the oracle's apply equals the changed package's, apart from
// its known fault: it drops a record that inserts a row with a null binary
// cell (it opens a stream the transform rightly does not hold).
TEST_P(GeneratedFromFixtures, OracleAppliesItToTheChangedTables) {
    VSB_REQUIRE_FIXTURE(package, GetParam().package);
    VSB_REQUIRE_FIXTURE(mst, GetParam().transform);
    VSB_REQUIRE_ORACLE(oracle);
    ASSERT_NO_FATAL_FAILURE(Build(package, mst));
    const std::string applied = (dir_.path() / "oracle-applied.msi").string();
    bool ok = false;
    RunOracle({"applytransform", base_, generated_, applied}, ok);
    ASSERT_TRUE(ok);
    MSIHANDLE changed = 0;
    ASSERT_EQ(MsiOpenDatabaseA(changed_.c_str(), MSIDBOPEN_READONLY, &changed), ERROR_SUCCESS);
    const auto tables = Query(changed, "SELECT `Name` FROM `_Tables`");
    std::vector<std::string> queries = {"query", applied};
    for (const auto& table : tables) queries.push_back("SELECT * FROM `" + table + "`");
    const auto answers = SplitOracleAnswers(RunOracle(queries, ok));
    ASSERT_TRUE(ok);
    ASSERT_EQ(answers.size(), tables.size());
    for (size_t t = 0; t < tables.size(); ++t) {
        const std::string sql = "SELECT * FROM `" + tables[t] + "`";
        const std::string types = QueryTypes(changed, sql);
        std::vector<std::string> ours;
        for (const auto& fields : QueryFields(changed, sql)) {
            bool null_binary = false;
            size_t column = 0;
            for (size_t at = 0; at < types.size(); at = types.find('\t', at) + 1, ++column) {
                if ((types[at] == 'v' || types[at] == 'V') && fields[column] == "NULL")
                    null_binary = true;
                if (types.find('\t', at) == std::string::npos) break;
            }
            std::string row;
            for (size_t i = 0; i < fields.size(); ++i) row += (i ? "\t" : "") + fields[i];
            if (!null_binary) ours.push_back(row);
        }
        auto theirs = OracleRows(answers[t]);
        const RowDifference diff = Compare(ours, theirs);
        EXPECT_EQ(diff.only_ours, std::vector<std::string>{}) << tables[t];
        // Rows the oracle has beyond ours can only be the null-binary rows
        // we left out above, which it must not have either.
        EXPECT_EQ(diff.only_theirs, std::vector<std::string>{}) << tables[t];
    }
    MsiCloseHandle(changed);
}

// The oracle's view of our generated transform has our view's rows, apart
// from the rows it loses (a single quote in a field; the records of rows
// with a null binary cell, as above).
TEST_P(GeneratedFromFixtures, OracleViewsItAsWeDo) {
    VSB_REQUIRE_FIXTURE(package, GetParam().package);
    VSB_REQUIRE_FIXTURE(mst, GetParam().transform);
    VSB_REQUIRE_ORACLE(oracle);
    ASSERT_NO_FATAL_FAILURE(Build(package, mst));
    const std::string copy = (dir_.path() / "viewed.msi").string();
    std::filesystem::copy_file(base_, copy);
    MSIHANDLE db = 0;
    ASSERT_EQ(MsiOpenDatabaseA(copy.c_str(), MSIDBOPEN_TRANSACT, &db), ERROR_SUCCESS);
    ASSERT_EQ(MsiDatabaseApplyTransformA(db, generated_.c_str(), MSITRANSFORM_ERROR_VIEWTRANSFORM),
              ERROR_SUCCESS);
    const auto our_fields = QueryFields(db, "SELECT * FROM `_TransformView`");
    MsiCloseHandle(db);
    bool ok = false;
    const auto theirs = OracleRows(RunOracle({"viewtransform", base_, generated_}, ok));
    ASSERT_TRUE(ok);
    std::vector<std::string> ours;
    for (const auto& f : our_fields) ours.push_back(Join(f));
    const RowDifference diff = Compare(ours, theirs);
    EXPECT_EQ(diff.only_theirs, std::vector<std::string>{});
    // Rows the oracle loses: a single quote in a field, and every row of an
    // inserted row whose binary cell is null (see above).
    MSIHANDLE changed = 0;
    ASSERT_EQ(MsiOpenDatabaseA(changed_.c_str(), MSIDBOPEN_READONLY, &changed), ERROR_SUCCESS);
    const auto binary = BinaryColumns(changed);
    MsiCloseHandle(changed);
    std::set<std::string> inserted, null_binary;  // "Table\tRow"
    for (const auto& f : our_fields) {
        const std::string key = f[0] + "\t" + f[2];
        if (f[1] == "INSERT") inserted.insert(key);
        if (binary.count(f[0] + "\t" + f[1]) && f[3] == "NULL") null_binary.insert(key);
    }
    for (const auto& f : our_fields) {
        const std::string row = Join(f);
        if (!std::binary_search(diff.only_ours.begin(), diff.only_ours.end(), row)) continue;
        if (row.find('\'') != std::string::npos) continue;
        const std::string key = f[0] + "\t" + f[2];
        EXPECT_TRUE(inserted.count(key) && null_binary.count(key)) << "unexplained: " << row;
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, GeneratedFromFixtures, ::testing::ValuesIn(kCases), CaseName);

// Packages in different code pages, Hebrew (1255) and Western (1252): the
// transform between them lists in view mode both ways, each text as it is,
// though the other package's code page has no form for it.
TEST(GeneratedAcrossCodePages, ListsInViewModeBothWays) {
    VSB_REQUIRE_FIXTURE(hebrew, "real/wix3/he-il.msi");
    VSB_REQUIRE_FIXTURE(latin, "generated/idt-cp1252.msi");
    struct Way {
        std::filesystem::path reference, changed;
        std::string row;  // a row of the listing
    };
    const Way ways[] = {
        {latin, hebrew,
         "Feature\tDescription\tMyFeature\t\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D, this is a "
         "localized description.\tNULL"},
        {hebrew, latin,
         "Property\tValue\tManufacturer\tSoci\xC3\xA9t\xC3\xA9 Fixture\tMicrosoft Corporation"},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.changed.filename().string());
        testing_support::TempDir dir;
        const std::string mst = (dir.path() / "across.mst").string();
        const std::string copy = (dir.path() / "reference.msi").string();
        std::filesystem::copy_file(way.reference, copy);
        MSIHANDLE reference = 0, changed = 0;
        ASSERT_EQ(MsiOpenDatabaseA(copy.c_str(), MSIDBOPEN_TRANSACT, &reference), ERROR_SUCCESS);
        ASSERT_EQ(MsiOpenDatabaseA(way.changed.string().c_str(), MSIDBOPEN_READONLY, &changed),
                  ERROR_SUCCESS);
        ASSERT_EQ(MsiDatabaseGenerateTransformA(changed, reference, mst.c_str(), 0, 0),
                  ERROR_SUCCESS);
        EXPECT_EQ(
            MsiDatabaseApplyTransformA(reference, mst.c_str(), MSITRANSFORM_ERROR_VIEWTRANSFORM),
            ERROR_SUCCESS);
        const std::vector<std::string> rows = Query(reference, "SELECT * FROM `_TransformView`");
        EXPECT_NE(std::find(rows.begin(), rows.end(), way.row), rows.end())
            << rows.size() << " rows";
        MsiCloseHandle(reference);
        MsiCloseHandle(changed);
    }
}

}  // namespace
}  // namespace msi::transform::test
