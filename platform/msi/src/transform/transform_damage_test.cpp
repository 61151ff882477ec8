// Damaged and foreign transforms: each is refused with a transform failure,
// in apply and in view mode, and the database stays exactly as it was. A
// byte-level sweep over a valid transform (cut short, bytes flipped) must
// never crash or half-apply.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

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
    "CREATE TABLE `Binary` (`Name` CHAR(72) NOT NULL, `Data` OBJECT PRIMARY KEY `Name`)",
};

class DamageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        base_ = (dir_.path() / "base.msi").string();
        mst_ = (dir_.path() / "t.mst").string();
        ASSERT_EQ(MakePackage(base_, kBase), ERROR_SUCCESS);
        ASSERT_EQ(MsiOpenDatabaseA(base_.c_str(), MSIDBOPEN_TRANSACT, &db_), ERROR_SUCCESS);
        before_ = Dump(db_);
    }
    void TearDown() override { MsiCloseHandle(db_); }

    // Applies and views the file at mst_; both must fail with `expected`
    // and leave every table as it was.
    void ExpectRefused(UINT expected) {
        EXPECT_EQ(MsiDatabaseApplyTransformA(db_, mst_.c_str(), 0), expected);
        EXPECT_EQ(Dump(db_), before_);
        EXPECT_EQ(MsiDatabaseApplyTransformA(db_, mst_.c_str(), MSITRANSFORM_ERROR_VIEWTRANSFORM),
                  expected);
        EXPECT_EQ(Dump(db_), before_);
        // What stays is still a database that commits and reads back.
        EXPECT_EQ(MsiDatabaseCommit(db_), ERROR_SUCCESS);
        EXPECT_EQ(Query(db_, "SELECT * FROM `Property`"),
                  (std::vector<std::string>{"A\tone", "B\ttwo"}));
    }
    void ExpectRefused(const TransformBuilder& t) {
        ASSERT_TRUE(t.Write(mst_));
        ExpectRefused(ERROR_INSTALL_TRANSFORM_FAILURE);
    }

    testing_support::TempDir dir_;
    std::string base_, mst_;
    MSIHANDLE db_ = 0;
    std::vector<std::string> before_;
};

TEST_F(DamageTest, AFileThatIsNoCompoundFileIsRefused) {
    testing_support::WriteFile(mst_, "Property\tValue\r\ns72\tl0\r\nProperty\tProperty\r\n");
    ExpectRefused(ERROR_INSTALL_TRANSFORM_FAILURE);
    testing_support::WriteFile(mst_, "");
    ExpectRefused(ERROR_INSTALL_TRANSFORM_FAILURE);
}

TEST_F(DamageTest, APackageIsNoTransform) {
    TransformBuilder t;
    t.Record("Property", 0x0002, {t.Id("A"), t.Id("uno")});
    t.SetPackageClsid();
    ExpectRefused(t);
}

TEST_F(DamageTest, ARecordCutShortIsRefused) {
    TransformBuilder t;
    t.Record("Property", 0x0002, {t.Id("A"), t.Id("uno")});
    t.Raw("Property", {0x01, 0x02, 0x05});  // an add of two cells with one and a half
    ExpectRefused(t);
}

TEST_F(DamageTest, AStringIdOutsideThePoolIsRefused) {
    TransformBuilder t;
    t.Record("Property", 0x0002, {t.Id("A"), t.Id("uno")});
    t.Record("Property", 0x0201, {t.Id("C"), 0x0777});
    ExpectRefused(t);
}

TEST_F(DamageTest, AnAddWithMoreColumnsThanTheTableIsRefused) {
    TransformBuilder t;
    t.Record("Property", 0x0301, {t.Id("C"), t.Id("three"), t.Id("extra")});
    ExpectRefused(t);
}

TEST_F(DamageTest, AnUpdateOfAColumnTheTableLacksIsRefused) {
    TransformBuilder t;
    t.Record("Property", 0x0002, {t.Id("A"), t.Id("uno")});
    t.Record("Property", 0x0008, {t.Id("A"), t.Id("x")});  // column 3 of 2
    ExpectRefused(t);
}

TEST_F(DamageTest, RowsForATableNeitherThereNorAddedAreRefused) {
    TransformBuilder t;
    t.Record("Property", 0x0002, {t.Id("A"), t.Id("uno")});
    t.Record("Nowhere", 0x0201, {t.Id("k"), t.Id("v")});
    ExpectRefused(t);
}

TEST_F(DamageTest, CatalogRecordsOutsideTheGrammarAreRefused) {
    {
        SCOPED_TRACE("_Tables cannot be updated");
        TransformBuilder t;
        t.Record("_Tables", 0x0002, {t.Id("Property")});
        ExpectRefused(t);
    }
    {
        SCOPED_TRACE("columns for a table that is neither there nor added");
        TransformBuilder t;
        t.Record("_Columns", 0x0401, {t.Id("Ghost"), Short(1), t.Id("G"), Short(0x2D48)});
        ExpectRefused(t);
    }
    {
        SCOPED_TRACE("a column without a type");
        TransformBuilder t;
        t.Record("_Tables", 0x0101, {t.Id("New")});
        t.Record("_Columns", 0x0401, {t.Id("New"), 0, t.Id("Id"), 0});
        ExpectRefused(t);
    }
    {
        SCOPED_TRACE("a 3-byte integer column");
        TransformBuilder t;
        t.Record("_Tables", 0x0101, {t.Id("New")});
        t.Record("_Columns", 0x0401, {t.Id("New"), 0, t.Id("Id"), Short(0x2103)});
        ExpectRefused(t);
    }
    {
        SCOPED_TRACE("a table added without columns");
        TransformBuilder t;
        t.Record("_Tables", 0x0101, {t.Id("New")});
        ExpectRefused(t);
    }
}

TEST_F(DamageTest, ATransformChangingASystemTableIsRefused) {
    TransformBuilder t;
    t.Record("_Storages", 0x0201, {t.Id("Evil"), 1});
    ExpectRefused(t);
    // _Streams takes records, but not for the summary information or a name
    // no file can hold.
    for (const std::string& name : {std::string("\005SummaryInformation"), std::string(70, 'x')}) {
        TransformBuilder streams;
        streams.Record("_Streams", 0x0201, {streams.Id(name), 1});
        ExpectRefused(streams);
    }
}

TEST_F(DamageTest, ADamagedStringPoolIsRefused) {
    TransformBuilder t;
    t.Record("Property", 0x0002, {t.Id("A"), t.Id("uno")});
    // Header, then "A" (1 byte) and "uno" (3 bytes), but _StringData holds 2.
    t.SetRawPool({0, 0, 0, 0, 1, 0, 1, 0, 3, 0, 1, 0}, {'A', 'u'});
    ExpectRefused(t);
    // An odd-sized _StringPool.
    t.SetRawPool({0, 0, 0, 0, 1, 0, 1}, {'A'});
    ExpectRefused(t);
}

// Every prefix of a valid transform file and random byte flips: the result is
// a refusal (with the database unchanged) or a clean apply, never a crash.
TEST(DamageSweep, CutAndFlippedTransformsNeverCrashOrHalfApply) {
    testing_support::TempDir dir;
    const std::string base = (dir.path() / "base.msi").string();
    ASSERT_EQ(MakePackage(base, kBase), ERROR_SUCCESS);
    TransformBuilder t;
    t.Record("_Tables", 0x0101, {t.Id("New")});
    t.Record("_Columns", 0x0401, {t.Id("New"), 0, t.Id("Id"), Short(0x2D48)});
    t.Record("New", 0x0101, {t.Id("n1")});
    t.Record("Property", 0x0002, {t.Id("A"), t.Id("uno")});
    t.Record("Property", 0x0000, {t.Id("B")});
    t.Record("Binary", 0x0201, {t.Id("Blob"), 1});
    t.Stream("Binary.Blob", "blob bytes");
    const std::string good = (dir.path() / "good.mst").string();
    ASSERT_TRUE(t.Write(good));
    const std::string bytes = testing_support::ReadFile(good);
    ASSERT_FALSE(bytes.empty());

    MSIHANDLE db = 0;
    ASSERT_EQ(MsiOpenDatabaseA(base.c_str(), MSIDBOPEN_READONLY, &db), ERROR_SUCCESS);
    const auto before = Dump(db);
    MsiCloseHandle(db);

    std::mt19937 random(20261207);
    const std::string bad = (dir.path() / "bad.mst").string();
    int refused = 0, applied = 0;
    for (int round = 0; round < 160; ++round) {
        std::string damaged = bytes;
        if (round < 40) {
            damaged.resize(bytes.size() * round / 40);
        } else {
            for (int flips = 1 + round % 4; flips > 0; --flips)
                damaged[random() % damaged.size()] ^= static_cast<char>(1 + random() % 255);
        }
        testing_support::WriteFile(bad, damaged);
        const std::string copy = (dir.path() / "copy.msi").string();
        std::filesystem::copy_file(base, copy, std::filesystem::copy_options::overwrite_existing);
        ASSERT_EQ(MsiOpenDatabaseA(copy.c_str(), MSIDBOPEN_TRANSACT, &db), ERROR_SUCCESS);
        const int conditions = round % 2 ? MSITRANSFORM_ERROR_VIEWTRANSFORM : 0;
        const UINT rc = MsiDatabaseApplyTransformA(db, bad.c_str(), conditions);
        // A file cut short is never a whole transform.
        if (round < 40) {
            EXPECT_NE(rc, static_cast<UINT>(ERROR_SUCCESS)) << "round " << round;
        }
        if (rc == ERROR_SUCCESS) {
            ++applied;
        } else {
            ++refused;
            EXPECT_TRUE(rc == ERROR_INSTALL_TRANSFORM_FAILURE || rc == ERROR_OPEN_FAILED)
                << "round " << round << ": " << rc;
            EXPECT_EQ(Dump(db), before) << "round " << round;
        }
        MsiCloseHandle(db);
    }
    // Flips inside string bytes or unused sectors may still apply cleanly.
    EXPECT_GE(refused, 40);
    EXPECT_EQ(refused + applied, 160);
}

}  // namespace
}  // namespace msi::transform::test
