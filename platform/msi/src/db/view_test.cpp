// Views at the database level: joins, DISTINCT, and damaged tables.
#include "db/view.h"

#include <gtest/gtest.h>

#include "db/db_test_util.h"
#include "format/stream_name.h"
#include "storage/compound_writer.h"
#include "test_support.h"

namespace msi::db {
namespace {

using format::ColumnType;

std::shared_ptr<Database> CreateDb(const std::string& path) {
    OpenRequest request;
    request.path = path;
    request.mode = OpenMode::kCreate;
    return Database::Open(request).value();
}

Status Exec(const std::shared_ptr<Database>& db, const std::string& sql) {
    auto view = View::Open(db, sql);
    if (!view.ok()) return view.status();
    return (*view)->Execute(nullptr);
}

std::vector<std::string> Rows(const std::shared_ptr<Database>& db, const std::string& sql) {
    std::vector<std::string> rows;
    auto view = View::Open(db, sql);
    EXPECT_TRUE(view.ok()) << view.status().ToString();
    if (!view.ok()) return rows;
    EXPECT_TRUE((*view)->Execute(nullptr).ok());
    for (;;) {
        auto record = (*view)->Fetch();
        if (!record.ok()) break;
        std::string line;
        for (uint32_t i = 1; i <= (*record)->FieldCount(); ++i)
            line += (i > 1 ? "|" : "") + (*record)->GetString(i);
        rows.push_back(line);
    }
    return rows;
}

TEST(View, JoinFiltersTheCrossProductByTheCondition) {
    testing_support::TempDir dir;
    auto db = CreateDb((dir.path() / "j.msi").string());
    ASSERT_TRUE(Exec(db,
                     "CREATE TABLE `Component` (`Component` CHAR(72) NOT NULL, `Directory_` "
                     "CHAR(72) PRIMARY KEY `Component`)")
                    .ok());
    ASSERT_TRUE(Exec(db,
                     "CREATE TABLE `Directory` (`Directory` CHAR(72) NOT NULL, `Name` CHAR(255) "
                     "PRIMARY KEY `Directory`)")
                    .ok());
    ASSERT_TRUE(
        Exec(db, "INSERT INTO `Directory` (`Directory`, `Name`) VALUES ('D1', 'bin')").ok());
    ASSERT_TRUE(
        Exec(db, "INSERT INTO `Directory` (`Directory`, `Name`) VALUES ('D2', 'doc')").ok());
    ASSERT_TRUE(
        Exec(db, "INSERT INTO `Component` (`Component`, `Directory_`) VALUES ('C1', 'D2')").ok());
    ASSERT_TRUE(
        Exec(db, "INSERT INTO `Component` (`Component`, `Directory_`) VALUES ('C2', 'D1')").ok());
    // The first table of FROM turns fastest: D1 with C1, C2, then D2.
    EXPECT_EQ(Rows(db,
                   "SELECT `Component`.`Component`, `Directory`.`Name` FROM `Component`, "
                   "`Directory` WHERE `Component`.`Directory_` = `Directory`.`Directory`"),
              (std::vector<std::string>{"C2|bin", "C1|doc"}));
    EXPECT_EQ(Rows(db, "SELECT DISTINCT `Name` FROM `Component`, `Directory`"),
              (std::vector<std::string>{"bin", "doc"}));
}

TEST(View, ModifyIsRefusedOnAJoin) {
    testing_support::TempDir dir;
    auto db = CreateDb((dir.path() / "j.msi").string());
    ASSERT_TRUE(Exec(db, "CREATE TABLE `A` (`K` SHORT NOT NULL PRIMARY KEY `K`)").ok());
    ASSERT_TRUE(Exec(db, "CREATE TABLE `B` (`K` SHORT NOT NULL PRIMARY KEY `K`)").ok());
    ASSERT_TRUE(Exec(db, "INSERT INTO `A` (`K`) VALUES (1)").ok());
    ASSERT_TRUE(Exec(db, "INSERT INTO `B` (`K`) VALUES (2)").ok());
    auto view = View::Open(db, "SELECT * FROM `A`, `B`").value();
    ASSERT_TRUE(view->Execute(nullptr).ok());
    auto record = view->Fetch().value();
    EXPECT_EQ(record->GetInteger(1), 1);
    EXPECT_EQ(record->GetInteger(2), 2);
    EXPECT_FALSE(view->Modify(View::ModifyMode::kDelete, *record).ok());
}

// A condition that compares two string columns of the row sees both texts.
TEST(View, UpdateAndDeleteCompareTwoStringColumnsOfARow) {
    testing_support::TempDir dir;
    auto db = CreateDb((dir.path() / "s.msi").string());
    ASSERT_TRUE(
        Exec(db, "CREATE TABLE `A` (`K` SHORT NOT NULL, `S` CHAR(9), `T` CHAR(9) PRIMARY KEY `K`)")
            .ok());
    ASSERT_TRUE(Exec(db, "INSERT INTO `A` (`K`, `S`, `T`) VALUES (1, 'x', 'x')").ok());
    ASSERT_TRUE(Exec(db, "INSERT INTO `A` (`K`, `S`, `T`) VALUES (2, 'x', 'y')").ok());
    ASSERT_TRUE(Exec(db, "INSERT INTO `A` (`K`, `S`, `T`) VALUES (3, 'y', 'x')").ok());
    ASSERT_TRUE(Exec(db, "UPDATE `A` SET `S` = 'same' WHERE `S` = `T`").ok());
    ASSERT_TRUE(Exec(db, "DELETE FROM `A` WHERE `S` <> `T` AND `K` = 3").ok());
    EXPECT_EQ(Rows(db, "SELECT `K`, `S`, `T` FROM `A`"),
              (std::vector<std::string>{"1|same|x", "2|x|y"}));
}

TEST(View, ShortIntegersOutsideTheirRangeAreRefused) {
    testing_support::TempDir dir;
    auto db = CreateDb((dir.path() / "r.msi").string());
    ASSERT_TRUE(Exec(db, "CREATE TABLE `A` (`K` SHORT NOT NULL, `V` SHORT PRIMARY KEY `K`)").ok());
    EXPECT_FALSE(Exec(db, "INSERT INTO `A` (`K`, `V`) VALUES (1, 40000)").ok());
    EXPECT_TRUE(Exec(db, "INSERT INTO `A` (`K`, `V`) VALUES (1, -32767)").ok());
    EXPECT_EQ(Rows(db, "SELECT `V` FROM `A`"), std::vector<std::string>{"-32767"});
}

TEST(View, DamagedTableStreamFailsTheQueryNotTheProcess) {
    testing_support::TempDir dir;
    const std::string good = (dir.path() / "good.msi").string();
    {
        auto db = CreateDb(good);
        ASSERT_TRUE(
            Exec(db, "CREATE TABLE `T` (`K` SHORT NOT NULL, `S` CHAR(9) PRIMARY KEY `K`)").ok());
        ASSERT_TRUE(Exec(db, "INSERT INTO `T` (`K`, `S`) VALUES (1, 'one')").ok());
        // A rule names T as the KeyTable of U.R, with no KeyColumn: validating
        // a row of U loads T, and nothing else can fail.
        ASSERT_TRUE(Exec(db, "CREATE TABLE `U` (`R` SHORT NOT NULL PRIMARY KEY `R`)").ok());
        ASSERT_TRUE(Exec(db, "INSERT INTO `U` (`R`) VALUES (1)").ok());
        ASSERT_TRUE(Exec(db,
                         "CREATE TABLE `_Validation` (`Table` CHAR(32) NOT NULL, `Column` "
                         "CHAR(32) NOT NULL, `Nullable` CHAR(4), `KeyTable` CHAR(255) "
                         "PRIMARY KEY `Table`, `Column`)")
                        .ok());
        ASSERT_TRUE(Exec(db,
                         "INSERT INTO `_Validation` (`Table`, `Column`, `Nullable`, `KeyTable`) "
                         "VALUES ('U', 'R', 'N', 'T')")
                        .ok());
        ASSERT_TRUE(db->Commit().ok());
    }
    // Rebuild the file with T's stream one byte short, and with a string id
    // that the pool does not hold in a second copy.
    auto source = storage::CompoundFile::Open(good).value();
    const auto t_name = format::EncodeStreamName("T", true).value();
    for (int variant = 0; variant < 2; ++variant) {
        storage::CompoundWriter writer;
        writer.SetRootInfo(storage::StorageInfo::Of(source->entry(storage::CompoundFile::kRootId)));
        for (auto id : source->Children(storage::CompoundFile::kRootId)) {
            const auto& e = source->entry(id);
            auto bytes = source->OpenStream(id).value().ReadAll().value();
            if (e.name == t_name) {
                if (variant == 0) {
                    bytes.pop_back();
                } else {
                    bytes[2] = 0x7F;  // the string cell: id 0x..7F
                }
            }
            ASSERT_TRUE(writer.AddStream(storage::CompoundWriter::kRoot, e.name, bytes).ok());
        }
        const std::string bad = (dir.path() / ("bad" + std::to_string(variant) + ".msi")).string();
        ASSERT_TRUE(writer.WriteFile(bad).ok());
        OpenRequest request;
        request.path = bad;
        auto db = Database::Open(request);
        ASSERT_TRUE(db.ok()) << db.status().ToString();
        EXPECT_FALSE((*db)->GetTable("T").ok());
        EXPECT_FALSE(View::Open(*db, "SELECT * FROM `T`").ok());
        // Validation says why it could not look, not that the value is wrong.
        auto view = View::Open(*db, "SELECT * FROM `U`");
        ASSERT_TRUE(view.ok() && (*view)->Execute(nullptr).ok());
        auto record = (*view)->Fetch();
        ASSERT_TRUE(record.ok());
        EXPECT_EQ((*view)->Modify(View::ModifyMode::kValidate, **record).ToString(),
                  (*db)->GetTable("T").status().ToString());
    }
}

TEST(View, TruncatedPackageOpensAndReportsItsDamage) {
    VSB_REQUIRE_FIXTURE(path, "malformed/VBRuntime-truncated.msi");
    OpenRequest request;
    request.path = path.string();
    auto db = Database::Open(request);
    ASSERT_TRUE(db.ok()) << db.status().ToString();
    size_t tables_read = 0, streams_failed = 0;
    for (const auto& name : (*db)->TableNames()) tables_read += (*db)->GetTable(name).ok() ? 1 : 0;
    for (const auto& name : (*db)->streams().Names())
        streams_failed += ReadAll(*(*db)->streams().Get(name)).ok() ? 0 : 1;
    EXPECT_GT(tables_read, 0u);
    // The file ends inside its cabinets: reading them fails cleanly.
    EXPECT_GT(streams_failed, 0u);
}

TEST(ViewOrderBy, IntegersOrderBySignedValueWithNullFirst) {
    testing_support::TempDir dir;
    auto db = CreateDb((dir.path() / "o.msi").string());
    ASSERT_TRUE(Exec(db, "CREATE TABLE `N` (`K` CHAR(8) NOT NULL, `V` LONG PRIMARY KEY `K`)").ok());
    for (const char* row :
         {"('a', 5)", "('b', -7)", "('d', 0)", "('e', 2147483647)", "('f', -2147483647)"})
        ASSERT_TRUE(Exec(db, std::string("INSERT INTO `N` (`K`, `V`) VALUES ") + row).ok());
    ASSERT_TRUE(Exec(db, "INSERT INTO `N` (`K`) VALUES ('c')").ok());
    EXPECT_EQ(Rows(db, "SELECT `K` FROM `N` ORDER BY `V`"),
              (std::vector<std::string>{"c", "f", "b", "d", "a", "e"}));
}

TEST(ViewOrderBy, LaterColumnsBreakTiesAndEqualRowsKeepTheirStoredOrder) {
    testing_support::TempDir dir;
    auto db = CreateDb((dir.path() / "o.msi").string());
    ASSERT_TRUE(Exec(db,
                     "CREATE TABLE `T` (`K` CHAR(8) NOT NULL, `G` SHORT, `S` CHAR(8) "
                     "PRIMARY KEY `K`)")
                    .ok());
    // 'y' enters the pool before 'x', so it orders first: strings order by id.
    for (const char* row :
         {"('K1', 2, 'y')", "('K2', 1, 'x')", "('K3', 2, 'x')", "('K4', 1, 'y')", "('K5', 2, 'y')"})
        ASSERT_TRUE(Exec(db, std::string("INSERT INTO `T` (`K`, `G`, `S`) VALUES ") + row).ok());
    EXPECT_EQ(Rows(db, "SELECT `K` FROM `T` ORDER BY `G`, `S`"),
              (std::vector<std::string>{"K4", "K2", "K1", "K5", "K3"}));
    // One column: the ties K1, K3, K5 stay in stored (key) order.
    EXPECT_EQ(Rows(db, "SELECT `K` FROM `T` ORDER BY `G`"),
              (std::vector<std::string>{"K2", "K4", "K1", "K3", "K5"}));
}

TEST(ViewOrderBy, JoinOrdersByAColumnOfTheSecondTable) {
    testing_support::TempDir dir;
    auto db = CreateDb((dir.path() / "o.msi").string());
    ASSERT_TRUE(Exec(db,
                     "CREATE TABLE `Component` (`Component` CHAR(72) NOT NULL, `Directory_` "
                     "CHAR(72) PRIMARY KEY `Component`)")
                    .ok());
    ASSERT_TRUE(Exec(db,
                     "CREATE TABLE `Directory` (`Directory` CHAR(72) NOT NULL, `Name` CHAR(255) "
                     "PRIMARY KEY `Directory`)")
                    .ok());
    ASSERT_TRUE(
        Exec(db, "INSERT INTO `Directory` (`Directory`, `Name`) VALUES ('D1', 'bin')").ok());
    ASSERT_TRUE(
        Exec(db, "INSERT INTO `Directory` (`Directory`, `Name`) VALUES ('D2', 'doc')").ok());
    ASSERT_TRUE(
        Exec(db, "INSERT INTO `Component` (`Component`, `Directory_`) VALUES ('C1', 'D2')").ok());
    ASSERT_TRUE(
        Exec(db, "INSERT INTO `Component` (`Component`, `Directory_`) VALUES ('C2', 'D1')").ok());
    EXPECT_EQ(Rows(db,
                   "SELECT `Component`.`Component`, `Directory`.`Name` FROM `Component`, "
                   "`Directory` WHERE `Component`.`Directory_` = `Directory`.`Directory` "
                   "ORDER BY `Directory`.`Name`"),
              (std::vector<std::string>{"C2|bin", "C1|doc"}));
}

}  // namespace
}  // namespace msi::db
