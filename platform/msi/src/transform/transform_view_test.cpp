// The view mode of the apply (condition 0x100): _TransformView rows for each
// kind of change, its column types, accumulation and release, and that the
// database itself does not change.
#include <gtest/gtest.h>

#include <filesystem>

#include "msiquery.h"
#include "test_support.h"
#include "transform/transform_test_util.h"

namespace msi::transform::test {
namespace {

const char* kQuery = "SELECT * FROM `_TransformView` ORDER BY `Table`, `Row`";

class ViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        base_ = (dir_.path() / "base.msi").string();
        mst_ = (dir_.path() / "t.mst").string();
        ASSERT_EQ(
            MakePackage(base_, {"CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL, "
                                "`Value` CHAR(0) PRIMARY KEY `Property`)",
                                "INSERT INTO `Property` (`Property`, `Value`) VALUES ('A', 'one')",
                                "INSERT INTO `Property` (`Property`, `Value`) VALUES ('B', 'two')",
                                "CREATE TABLE `Pairs` (`K` CHAR(8) NOT NULL, `N` SHORT, "
                                "`V` CHAR(8) PRIMARY KEY `K`, `N`)",
                                "INSERT INTO `Pairs` (`K`, `N`, `V`) VALUES ('k', 1, 'v')",
                                "CREATE TABLE `Old` (`Id` SHORT NOT NULL PRIMARY KEY `Id`)"}),
            ERROR_SUCCESS);
        ASSERT_EQ(MsiOpenDatabaseA(base_.c_str(), MSIDBOPEN_TRANSACT, &db_), ERROR_SUCCESS);
    }
    void TearDown() override { MsiCloseHandle(db_); }

    UINT View(const TransformBuilder& t) {
        EXPECT_TRUE(t.Write(mst_));
        return MsiDatabaseApplyTransformA(db_, mst_.c_str(), MSITRANSFORM_ERROR_VIEWTRANSFORM);
    }
    std::vector<std::string> Sorted() {
        auto rows = Query(db_, kQuery);
        std::sort(rows.begin(), rows.end());
        return rows;
    }

    // The oracle lists the last transform over a copy of the package (it
    // opens its database transacted) with the same rows as ours.
    void ExpectSameListingAsTheOracle() {
        const auto copy = dir_.path() / "oracle.msi";
        std::filesystem::copy_file(base_, copy);
        bool ok = false;
        const RowDifference diff =
            Compare(Sorted(), OracleRows(RunOracle({"viewtransform", copy.string(), mst_}, ok)));
        EXPECT_TRUE(ok);
        EXPECT_EQ(diff.only_ours, std::vector<std::string>{});
        EXPECT_EQ(diff.only_theirs, std::vector<std::string>{});
    }

    testing_support::TempDir dir_;
    std::string base_, mst_;
    MSIHANDLE db_ = 0;
};

// One change of every kind: a table dropped and one created, a column added,
// rows updated, deleted and inserted, a row of a two-column key updated.
TransformBuilder EveryKindOfChange() {
    TransformBuilder t;
    t.Record("_Tables", 0x0000, {t.Id("Old")});
    t.Record("_Tables", 0x0101, {t.Id("New")});
    t.Record("_Columns", 0x0401, {t.Id("New"), 0, t.Id("Id"), Short(0x2D10)});
    t.Record("_Columns", 0x0401, {t.Id("Property"), Short(3), t.Id("Extra"), Short(0x1D20)});
    t.Record("Property", 0x0002, {t.Id("A"), t.Id("uno")});
    t.Record("Property", 0x0000, {t.Id("B")});
    t.Record("Property", 0x0301, {t.Id("C"), t.Id("three"), 0});
    t.Record("New", 0x0101, {t.Id("n1")});
    t.Record("Pairs", 0x0004, {t.Id("k"), Short(1), t.Id("w")});
    return t;
}

TEST_F(ViewTest, ListsEveryKindOfChangeAndChangesNothing) {
    const auto before = Dump(db_);
    ASSERT_EQ(View(EveryKindOfChange()), ERROR_SUCCESS);
    EXPECT_EQ(Dump(db_), before);
    EXPECT_EQ(QueryTypes(db_, kQuery), "g0\tg0\tG0\tG0\tG0");
    EXPECT_EQ(Sorted(), (std::vector<std::string>{
                            "New\tCREATE\tNULL\tNULL\tNULL",
                            "New\tINSERT\tn1\tNULL\tNULL",
                            "New\tId\tNULL\t11536\t1",
                            "Old\tDROP\tNULL\tNULL\tNULL",
                            "Pairs\tV\tk\t1\tw\tv",  // two keys joined by TAB
                            "Property\tDELETE\tB\tNULL\tNULL",
                            "Property\tExtra\tC\tNULL\tNULL",  // inserted row: every non-key column
                            "Property\tExtra\tNULL\t7456\t3",
                            "Property\tINSERT\tC\tNULL\tNULL",
                            "Property\tValue\tA\tuno\tone",
                            "Property\tValue\tC\tthree\tNULL",
                        }));
}

TEST_F(ViewTest, OracleListsEveryKindOfChangeAsWeDo) {
    VSB_REQUIRE_ORACLE(oracle);
    ASSERT_EQ(View(EveryKindOfChange()), ERROR_SUCCESS);
    ExpectSameListingAsTheOracle();
}

// Microsoft documents a null key value in Row as a single blank; the oracle
// (Wine) writes an empty string there. We follow the documentation.
TEST_F(ViewTest, NullKeyShowsAsOneBlank) {
    TransformBuilder t;
    t.Record("Pairs", 0x0004, {t.Id("k"), 0, t.Id("w")});
    ASSERT_EQ(View(t), ERROR_SUCCESS);
    EXPECT_EQ(Sorted(), (std::vector<std::string>{"Pairs\tV\tk\t \tw\tNULL"}));
}

// The oracle also adds an INSERT row for this update, whose row is missing
// from the database; an update inserts nothing, so we list none.
TEST_F(ViewTest, OracleListsANullKeyAsEmptyWithAnInsert) {
    VSB_REQUIRE_ORACLE(oracle);
    TransformBuilder t;
    t.Record("Pairs", 0x0004, {t.Id("k"), 0, t.Id("w")});
    ASSERT_TRUE(t.Write(mst_));
    // The oracle opens its database transacted: give it a copy of its own.
    const auto copy = dir_.path() / "oracle.msi";
    std::filesystem::copy_file(base_, copy);
    bool ok = false;
    EXPECT_EQ(
        OracleRows(RunOracle({"viewtransform", copy.string(), mst_}, ok)),
        (std::vector<std::string>{"Pairs\tV\tk\t\tw\tNULL", "Pairs\tINSERT\tk\t\tNULL\tNULL"}));
    EXPECT_TRUE(ok);
}

TEST_F(ViewTest, AccumulatesOverAppliesUntilFreed) {
    TransformBuilder first;
    first.Record("Property", 0x0002, {first.Id("A"), first.Id("uno")});
    ASSERT_EQ(View(first), ERROR_SUCCESS);
    TransformBuilder second;
    second.Record("Property", 0x0000, {second.Id("B")});
    ASSERT_EQ(View(second), ERROR_SUCCESS);
    EXPECT_EQ(Sorted(), (std::vector<std::string>{"Property\tDELETE\tB\tNULL\tNULL",
                                                  "Property\tValue\tA\tuno\tone"}));
    // The same change again replaces its row rather than failing.
    ASSERT_EQ(View(first), ERROR_SUCCESS);
    EXPECT_EQ(Sorted().size(), 2u);
    EXPECT_EQ(Exec(db_, {"ALTER TABLE `_TransformView` FREE"}), ERROR_SUCCESS);
    MSIHANDLE view = 0;
    EXPECT_EQ(MsiDatabaseOpenViewA(db_, kQuery, &view), ERROR_BAD_QUERY_SYNTAX);
    MsiCloseHandle(view);
}

// ORDER BY compares strings by pool id: table names and keys the package
// already holds come before strings the view added, in the order they
// entered the pool.
TEST_F(ViewTest, OrdersByStringIdsNotText) {
    TransformBuilder t;
    t.Record("Property", 0x0201, {t.Id("Z0"), t.Id("new")});
    t.Record("Property", 0x0201, {t.Id("A0"), t.Id("new")});
    t.Record("Property", 0x0002, {t.Id("B"), t.Id("x")});
    ASSERT_EQ(View(t), ERROR_SUCCESS);
    const auto rows = Query(db_, kQuery);
    ASSERT_EQ(rows.size(), 5u);
    // B was in the package's pool; Z0 entered before A0. Rows of one key
    // follow the stored order: the column name "Value", already in the
    // pool, before the marker "INSERT".
    EXPECT_EQ(rows[0], "Property\tValue\tB\tx\ttwo");
    EXPECT_EQ(rows[1], "Property\tValue\tZ0\tnew\tNULL");
    EXPECT_EQ(rows[2], "Property\tINSERT\tZ0\tNULL\tNULL");
    EXPECT_EQ(rows[3], "Property\tValue\tA0\tnew\tNULL");
    EXPECT_EQ(rows[4], "Property\tINSERT\tA0\tNULL\tNULL");
}

// An added row whose record carries only its key (a short row mask) still
// lists every other column, each as null.
TransformBuilder InsertsOfKeysAlone() {
    TransformBuilder t;
    t.Record("Property", 0x0101, {t.Id("D")});
    t.Record("Pairs", 0x0201, {t.Id("j"), Short(7)});
    return t;
}

TEST_F(ViewTest, InsertOfKeysAloneListsTheOtherColumnsAsNull) {
    ASSERT_EQ(View(InsertsOfKeysAlone()), ERROR_SUCCESS);
    EXPECT_EQ(Sorted(), (std::vector<std::string>{
                            "Pairs\tINSERT\tj\t7\tNULL\tNULL",
                            "Pairs\tV\tj\t7\tNULL\tNULL",
                            "Property\tINSERT\tD\tNULL\tNULL",
                            "Property\tValue\tD\tNULL\tNULL",
                        }));
}

TEST_F(ViewTest, OracleListsInsertsOfKeysAloneAsWeDo) {
    VSB_REQUIRE_ORACLE(oracle);
    ASSERT_EQ(View(InsertsOfKeysAlone()), ERROR_SUCCESS);
    ExpectSameListingAsTheOracle();
}

TEST_F(ViewTest, ShowsConflictsInsteadOfFailing) {
    TransformBuilder t;
    t.Record("Property", 0x0201, {t.Id("A"), t.Id("again")});  // exists: shown as a change
    t.Record("Property", 0x0000, {t.Id("Q")});                 // missing: still a DELETE row
    ASSERT_EQ(View(t), ERROR_SUCCESS);
    EXPECT_EQ(Sorted(), (std::vector<std::string>{"Property\tDELETE\tQ\tNULL\tNULL",
                                                  "Property\tValue\tA\tagain\tone"}));
}

// Records that repeat a key (a hostile transform may repeat one record a
// million times) leave one row per key and column: the last record's. The
// records are planned one at a time, so memory follows the rows listed.
TEST_F(ViewTest, RecordsRepeatingAKeyListOnce) {
    TransformBuilder t;
    for (int i = 0; i < 100000; ++i) t.Record("Property", 0x0002, {t.Id("A"), t.Id("uno")});
    t.Record("Property", 0x0000, {t.Id("A")});
    t.Record("Property", 0x0002, {t.Id("A"), t.Id("last")});
    for (int i = 0; i < 70000; ++i) t.Record("Property", 0x0000, {t.Id("B")});
    ASSERT_EQ(View(t), ERROR_SUCCESS);
    EXPECT_EQ(Sorted(), (std::vector<std::string>{"Property\tDELETE\tA\tNULL\tNULL",
                                                  "Property\tDELETE\tB\tNULL\tNULL",
                                                  "Property\tValue\tA\tlast\tone"}));
}

// A record that cannot be planned fails the view before anything is listed:
// no _TransformView, no strings added for the records before it.
TEST_F(ViewTest, DamagedRecordLeavesTheDatabaseAsItWas) {
    TransformBuilder t;
    t.Record("Property", 0x0201, {t.Id("New"), t.Id("value")});
    t.Record("Property", 0x0002, {t.Id("A"), 77});  // no string 77
    EXPECT_EQ(View(t), ERROR_INSTALL_TRANSFORM_FAILURE);
    MSIHANDLE view = 0;
    EXPECT_EQ(MsiDatabaseOpenViewA(db_, kQuery, &view), ERROR_BAD_QUERY_SYNTAX);
    MsiCloseHandle(view);
    // Had "New" entered the pool, it would come before "Fresh" here.
    EXPECT_EQ(Exec(db_, {"INSERT INTO `Property` (`Property`, `Value`) VALUES ('Fresh', 'f')",
                         "INSERT INTO `Property` (`Property`, `Value`) VALUES ('New', 'n')"}),
              ERROR_SUCCESS);
    EXPECT_EQ(Query(db_, "SELECT `Property` FROM `Property`"),
              (std::vector<std::string>{"A", "B", "Fresh", "New"}));
}

}  // namespace
}  // namespace msi::transform::test
