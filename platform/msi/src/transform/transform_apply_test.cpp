// Applying hand-built transforms: each kind of record, each error condition,
// schema changes, binary streams, code pages, and transforms held in a
// sub-storage of the package.
#include <gtest/gtest.h>

#include "msiquery.h"
#include "test_support.h"
#include "transform/transform_test_util.h"

namespace msi::transform::test {
namespace {

const std::vector<std::string> kBase = {
    "CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL, `Value` CHAR(0) PRIMARY KEY "
    "`Property`)",
    "INSERT INTO `Property` (`Property`, `Value`) VALUES ('A', 'one')",
    "INSERT INTO `Property` (`Property`, `Value`) VALUES ('B', 'two')",
    "CREATE TABLE `Items` (`Item` CHAR(38) NOT NULL, `Count` LONG NOT NULL, `Note` CHAR(255) "
    "PRIMARY KEY `Item`)",
    "INSERT INTO `Items` (`Item`, `Count`, `Note`) VALUES ('x', 5, 'note')",
    "CREATE TABLE `Old` (`Id` SHORT NOT NULL PRIMARY KEY `Id`)",
    "INSERT INTO `Old` (`Id`) VALUES (1)",
};

class ApplyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        base_ = (dir_.path() / "base.msi").string();
        mst_ = (dir_.path() / "t.mst").string();
        ASSERT_EQ(MakePackage(base_, kBase), ERROR_SUCCESS);
        ASSERT_EQ(MsiOpenDatabaseA(base_.c_str(), MSIDBOPEN_TRANSACT, &db_), ERROR_SUCCESS);
    }
    void TearDown() override { MsiCloseHandle(db_); }

    UINT Apply(const TransformBuilder& t, int conditions = 0) {
        EXPECT_TRUE(t.Write(mst_));
        return MsiDatabaseApplyTransformA(db_, mst_.c_str(), conditions);
    }
    std::vector<std::string> Rows(const std::string& table) {
        return Query(db_, "SELECT * FROM `" + table + "`");
    }

    testing_support::TempDir dir_;
    std::string base_, mst_;
    MSIHANDLE db_ = 0;
};

// Long integers in a record: 4 bytes, biased.
std::vector<uint8_t> Long(int32_t value) {
    const uint32_t v = static_cast<uint32_t>(value) ^ 0x80000000u;
    return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}

TEST_F(ApplyTest, UpdatesDeletesAndAddsRows) {
    TransformBuilder t;
    t.Record("Property", 0x0002, {t.Id("A"), t.Id("uno")});
    t.Record("Property", 0x0000, {t.Id("B")});
    t.Record("Property", 0x0201, {t.Id("C"), t.Id("three")});
    ASSERT_EQ(Apply(t), ERROR_SUCCESS);
    EXPECT_EQ(Rows("Property"), (std::vector<std::string>{"A\tuno", "C\tthree"}));
}

// Records of one key apply in turn, each meeting what the ones before it
// left, however often a key repeats.
TEST_F(ApplyTest, RecordsOfOneKeyApplyInTurn) {
    TransformBuilder t;
    for (int i = 0; i < 100000; ++i) t.Record("Property", 0x0002, {t.Id("A"), t.Id("uno")});
    t.Record("Property", 0x0000, {t.Id("A")});
    t.Record("Property", 0x0201, {t.Id("A"), t.Id("again")});
    t.Record("Property", 0x0201, {t.Id("C"), t.Id("three")});
    t.Record("Property", 0x0000, {t.Id("C")});
    t.Record("Property", 0x0002, {t.Id("B"), t.Id("dos")});
    ASSERT_EQ(Apply(t), ERROR_SUCCESS);
    EXPECT_EQ(Rows("Property"), (std::vector<std::string>{"A\tagain", "B\tdos"}));
}

// A column that _Columns names twice is added once, where the record that
// would win puts it: here the lower number.
TEST_F(ApplyTest, ColumnNamedTwiceIsAddedOnceWhereItsLowestNumberPutsIt) {
    TransformBuilder t;
    for (int i = 0; i < 1000; ++i)
        t.Record("_Columns", 0x0401, {t.Id("Property"), Short(4), t.Id("Late"), Short(0x1D20)});
    t.Record("_Columns", 0x0401, {t.Id("Property"), Short(3), t.Id("Early"), Short(0x1D20)});
    t.Record("_Columns", 0x0401, {t.Id("Property"), Short(2), t.Id("Late"), Short(0x1D20)});
    ASSERT_EQ(Apply(t), ERROR_SUCCESS);
    EXPECT_EQ(QueryNames(db_, "SELECT * FROM `Property`"), "Property\tValue\tLate\tEarly");
}

TEST_F(ApplyTest, UpdateWritesOnlyFlaggedColumnsIncludingLongIntegers) {
    TransformBuilder t;
    // Bit 1 = Count (4 bytes); Note keeps its value.
    t.Record("Items", 0x0002, {t.Id("x")});
    t.Raw("Items", Long(-7));
    ASSERT_EQ(Apply(t), ERROR_SUCCESS);
    EXPECT_EQ(Rows("Items"), (std::vector<std::string>{"x\t-7\tnote"}));
}

TEST_F(ApplyTest, AddWithFewerColumnsLeavesTheRestNull) {
    TransformBuilder t;
    t.Record("Items", 0x0201, {t.Id("y")});
    t.Raw("Items", Long(3));
    ASSERT_EQ(Apply(t), ERROR_SUCCESS);
    EXPECT_EQ(Rows("Items"), (std::vector<std::string>{"x\t5\tnote", "y\t3\tNULL"}));
}

// Each conflict fails the whole apply unless its condition suppresses it;
// a failed apply leaves every table as it was.
struct Conflict {
    const char* name;
    int condition;
    void (*build)(TransformBuilder&);
    std::vector<std::string> property_after;  // when suppressed
};

const Conflict kConflicts[] = {
    {"add existing row",
     MSITRANSFORM_ERROR_ADDEXISTINGROW,
     [](TransformBuilder& t) {
         t.Record("Property", 0x0201, {t.Id("C"), t.Id("three")});
         t.Record("Property", 0x0201, {t.Id("A"), t.Id("replaced")});
     },
     {"A\treplaced", "B\ttwo", "C\tthree"}},
    {"delete missing row",
     MSITRANSFORM_ERROR_DELMISSINGROW,
     [](TransformBuilder& t) {
         t.Record("Property", 0x0201, {t.Id("C"), t.Id("three")});
         t.Record("Property", 0x0000, {t.Id("Z")});
     },
     {"A\tone", "B\ttwo", "C\tthree"}},
    {"update missing row",
     MSITRANSFORM_ERROR_UPDATEMISSINGROW,
     [](TransformBuilder& t) {
         t.Record("Property", 0x0201, {t.Id("C"), t.Id("three")});
         t.Record("Property", 0x0002, {t.Id("Z"), t.Id("zz")});
     },
     {"A\tone", "B\ttwo", "C\tthree"}},
    {"add existing table",
     MSITRANSFORM_ERROR_ADDEXISTINGTABLE,
     [](TransformBuilder& t) {
         t.Record("Property", 0x0201, {t.Id("C"), t.Id("three")});
         t.Record("_Tables", 0x0101, {t.Id("Items")});
     },
     {"A\tone", "B\ttwo", "C\tthree"}},
    {"delete missing table",
     MSITRANSFORM_ERROR_DELMISSINGTABLE,
     [](TransformBuilder& t) {
         t.Record("Property", 0x0201, {t.Id("C"), t.Id("three")});
         t.Record("_Tables", 0x0000, {t.Id("Nowhere")});
     },
     {"A\tone", "B\ttwo", "C\tthree"}},
};

TEST_F(ApplyTest, ConflictsFailUnlessSuppressed) {
    for (const Conflict& conflict : kConflicts) {
        SCOPED_TRACE(conflict.name);
        TransformBuilder t;
        conflict.build(t);
        const auto before = Dump(db_);
        // Every other condition set: only the matching one suppresses.
        EXPECT_EQ(Apply(t, 0x3F & ~conflict.condition), ERROR_INSTALL_TRANSFORM_FAILURE);
        EXPECT_EQ(Dump(db_), before);
        ASSERT_EQ(Apply(t, conflict.condition), ERROR_SUCCESS);
        EXPECT_EQ(Rows("Property"), conflict.property_after);
        // Back to the base for the next case.
        MsiCloseHandle(db_);
        ASSERT_EQ(MsiOpenDatabaseA(base_.c_str(), MSIDBOPEN_TRANSACT, &db_), ERROR_SUCCESS);
    }
}

TEST_F(ApplyTest, AddsTablesNumberingNullColumnNumbersInRecordOrder) {
    TransformBuilder t;
    t.Record("_Tables", 0x0101, {t.Id("New")});
    t.Record("_Columns", 0x0401, {t.Id("New"), 0, t.Id("Key"), Short(0x2D48)});
    t.Record("_Columns", 0x0401, {t.Id("New"), 0, t.Id("Num"), Short(0x1502)});
    t.Record("New", 0x0201, {t.Id("k1"), Short(42)});
    ASSERT_EQ(Apply(t), ERROR_SUCCESS);
    EXPECT_EQ(Rows("New"), (std::vector<std::string>{"k1\t42"}));
    EXPECT_EQ(Query(db_, "SELECT `Number`, `Name` FROM `_Columns` WHERE `Table` = 'New'"),
              (std::vector<std::string>{"1\tKey", "2\tNum"}));
    EXPECT_EQ(QueryTypes(db_, "SELECT * FROM `New`"), "s72\tI2");
}

TEST_F(ApplyTest, AddsColumnsToExistingTablesAndFillsThem) {
    TransformBuilder t;
    t.Record("_Columns", 0x0401, {t.Id("Property"), Short(3), t.Id("Extra"), Short(0x1D20)});
    t.Record("Property", 0x0004, {t.Id("A"), t.Id("more")});
    ASSERT_EQ(Apply(t), ERROR_SUCCESS);
    EXPECT_EQ(Rows("Property"), (std::vector<std::string>{"A\tone\tmore", "B\ttwo\tNULL"}));
}

TEST_F(ApplyTest, DroppedTableLosesCatalogColumnsAndRows) {
    TransformBuilder t;
    t.Record("_Tables", 0x0000, {t.Id("Old")});
    ASSERT_EQ(Apply(t), ERROR_SUCCESS);
    EXPECT_TRUE(Query(db_, "SELECT `Name` FROM `_Tables` WHERE `Name` = 'Old'").empty());
    EXPECT_TRUE(Query(db_, "SELECT `Name` FROM `_Columns` WHERE `Table` = 'Old'").empty());
    MSIHANDLE view = 0;
    EXPECT_EQ(MsiDatabaseOpenViewA(db_, "SELECT * FROM `Old`", &view), ERROR_BAD_QUERY_SYNTAX);
    MsiCloseHandle(view);
}

TEST_F(ApplyTest, BinaryCellsTakeTheTransformsStreams) {
    TransformBuilder t;
    t.Record("_Tables", 0x0101, {t.Id("Binary")});
    t.Record("_Columns", 0x0401, {t.Id("Binary"), 0, t.Id("Name"), Short(0x2D48)});
    t.Record("_Columns", 0x0401, {t.Id("Binary"), 0, t.Id("Data"), Short(0x0900)});
    t.Record("Binary", 0x0201, {t.Id("Pic"), 1});
    t.Stream("Binary.Pic", "naengmyon");
    ASSERT_EQ(Apply(t), ERROR_SUCCESS);
    EXPECT_EQ(Query(db_, "SELECT `Name` FROM `_Streams`"),
              (std::vector<std::string>{"Binary.Pic"}));
    const auto dump = Dump(db_);
    EXPECT_NE(std::find(dump.begin(), dump.end(), "row\tBinary\tPic\t[9:naengmyon]"), dump.end());
    // Deleting the row removes its stream.
    TransformBuilder d;
    d.Record("Binary", 0x0000, {d.Id("Pic")});
    ASSERT_EQ(Apply(d), ERROR_SUCCESS);
    EXPECT_TRUE(Query(db_, "SELECT `Name` FROM `_Streams`").empty());
}

TEST_F(ApplyTest, NeutralDatabaseTakesTheTransformsCodePage) {
    TransformBuilder t;
    t.SetCodePage(1252);
    t.Record("Property", 0x0002, {t.Id("A"), t.Id("caf\xE9")});  // cp1252 e-acute
    ASSERT_EQ(Apply(t), ERROR_SUCCESS);
    EXPECT_EQ(Rows("Property"), (std::vector<std::string>{"A\tcaf\xC3\xA9", "B\ttwo"}));
    // Now 1252: a transform in another real code page clashes unless suppressed.
    TransformBuilder u;
    u.SetCodePage(1251);
    u.Record("Property", 0x0002, {u.Id("B"), u.Id("plain")});
    const auto before = Dump(db_);
    EXPECT_EQ(Apply(u), ERROR_INSTALL_TRANSFORM_FAILURE);
    EXPECT_EQ(Dump(db_), before);
    EXPECT_EQ(Apply(u, MSITRANSFORM_ERROR_CHANGECODEPAGE), ERROR_SUCCESS);
    EXPECT_EQ(Rows("Property"), (std::vector<std::string>{"A\tcaf\xC3\xA9", "B\tplain"}));
}

TEST_F(ApplyTest, ReportsBadArgumentsAndMissingFiles) {
    EXPECT_EQ(MsiDatabaseApplyTransformA(0, mst_.c_str(), 0), ERROR_INVALID_HANDLE);
    EXPECT_EQ(MsiDatabaseApplyTransformA(db_, nullptr, 0), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(MsiDatabaseApplyTransformA(db_, (dir_.path() / "none.mst").string().c_str(), 0),
              ERROR_OPEN_FAILED);
    EXPECT_EQ(MsiDatabaseApplyTransformA(db_, ":NoSuchStorage", 0), ERROR_OPEN_FAILED);
}

TEST(ApplySubStorage, AppliesATransformEmbeddedInThePackage) {
    VSB_REQUIRE_FIXTURE(package, "real/wix3/SimpleInstanceTransform.msi");
    testing_support::TempDir dir;
    const auto copy = dir.path() / "p.msi";
    std::filesystem::copy_file(package, copy);
    MSIHANDLE db = 0;
    ASSERT_EQ(MsiOpenDatabaseA(copy.string().c_str(), MSIDBOPEN_TRANSACT, &db), ERROR_SUCCESS);
    const auto before = Query(db, "SELECT * FROM `Property`");
    ASSERT_EQ(MsiDatabaseApplyTransformA(db, ":Instance1", 0), ERROR_SUCCESS);
    EXPECT_NE(Query(db, "SELECT * FROM `Property`"), before);
    MsiCloseHandle(db);
}

}  // namespace
}  // namespace msi::transform::test
