// Reading real packages made by other tools: every table of every fixture
// loads, and tables read the same as Debian's msiinfo exports them.
#include <gtest/gtest.h>

#include <filesystem>

#include "db/database.h"
#include "db/db_test_util.h"
#include "db/record.h"
#include "msiquery.h"
#include "test_support.h"

namespace msi::db {
namespace {

namespace fs = std::filesystem;

std::shared_ptr<Database> OpenReadOnly(const fs::path& path) {
    OpenRequest request;
    request.path = path.string();
    auto db = Database::Open(request);
    EXPECT_TRUE(db.ok()) << path << ": " << db.status().ToString();
    return db.ok() ? std::move(db).value() : nullptr;
}

TEST(Fixtures, EveryTableOfEveryFixtureLoads) {
    auto files = testing_support::FixtureFiles({".msi", ".msp", ".mst"});
    if (files.empty()) GTEST_SKIP() << "fixtures not available";
    size_t tables = 0;
    for (const auto& path : files) {
        auto db = OpenReadOnly(path);
        if (!db) continue;
        for (const auto& name : db->TableNames()) {
            auto table = db->GetTable(name);
            EXPECT_TRUE(table.ok()) << path << " " << name << ": " << table.status().ToString();
            ++tables;
        }
        for (const char* system : {"_Tables", "_Columns", "_Streams", "_Storages"})
            EXPECT_TRUE(db->GetTable(system).ok()) << path << " " << system;
    }
    EXPECT_GT(tables, 300u);
}

// Splits msiinfo's export (CR LF lines) and drops the three header lines.
std::vector<std::string> ExportRows(const std::string& text) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    if (lines.size() < 3) return {};
    return std::vector<std::string>(lines.begin() + 3, lines.end());
}

void CompareWithMsiinfo(const std::string& relative, size_t min_tables) {
    const fs::path path = testing_support::Fixture(relative);
    if (path.empty()) GTEST_SKIP() << "fixture not available: " << relative;
    VSB_REQUIRE_PROGRAM("msiinfo");
    auto db = OpenReadOnly(path);
    ASSERT_TRUE(db);
    size_t compared = 0;
    for (const auto& name : db->TableNames()) {
        const auto exported = test::Msiinfo({"export", path.string(), name});
        ASSERT_TRUE(exported.ok()) << name;
        // A value holding CR or LF spans several export lines; such tables
        // cannot be compared line by line.
        auto table = db->GetTable(name);
        ASSERT_TRUE(table.ok()) << name;
        auto ours = test::RenderRows(*db, **table);
        bool multiline = false;
        for (const auto& line : ours) multiline |= line.find_first_of("\r\n") != std::string::npos;
        if (multiline) continue;
        EXPECT_EQ(ours, ExportRows(exported.out)) << relative << " table " << name;
        ++compared;
    }
    EXPECT_GE(compared, min_tables);
}

TEST(Fixtures, WixPackageTablesMatchMsiinfoCellByCell) {
    CompareWithMsiinfo("real/wix3/SimpleBinary.msi", 10);
}

TEST(Fixtures, InstallShieldPackageTablesMatchMsiinfoCellByCell) {
    CompareWithMsiinfo("real/alcor-smartcard/AlcorSmartCardReaderDriver.msi", 20);
}

TEST(Fixtures, Utf8PackageTablesMatchMsiinfoCellByCell) {
    CompareWithMsiinfo("real/pes2012/PES2012DEMO.msi", 20);
}

TEST(Fixtures, ManyStringsPackageMatchesMsiinfo) {
    CompareWithMsiinfo("generated/many-strings.msi", 1);
}

TEST(Fixtures, BinaryCellStreamReadsLazilyThroughARecord) {
    VSB_REQUIRE_FIXTURE(path, "real/wix3/SimpleBinary.msi");
    VSB_REQUIRE_PROGRAM("msiinfo");
    auto db = OpenReadOnly(path);
    ASSERT_TRUE(db);
    auto table = db->GetTable("Binary").value();
    const auto extracted = test::Msiinfo({"extract", path.string(), "Binary.Binary1"});
    ASSERT_TRUE(extracted.ok());
    const std::string& expected = extracted.out;
    ASSERT_EQ(expected.size(), 40960u);
    for (const auto& row : table->rows()) {
        if (db->Text(row->cells[0]).value() != "Binary1") continue;
        Record record(2);
        record.SetStream(2, db->CellStream(*table, *row, 1));
        ASSERT_EQ(record.DataSize(2), 40960u);
        std::string got;
        std::byte piece[1000];
        for (;;) {
            auto n = record.ReadStream(2, piece);
            ASSERT_TRUE(n.ok());
            if (*n == 0) break;
            got.append(reinterpret_cast<const char*>(piece), *n);
        }
        EXPECT_EQ(got, expected);
        return;
    }
    FAIL() << "no Binary1 row";
}

TEST(Fixtures, StreamsAndStoragesAreListed) {
    VSB_REQUIRE_FIXTURE(path, "real/wix3/SimpleInstanceTransform.msi");
    auto db = OpenReadOnly(path);
    ASSERT_TRUE(db);
    auto storages = db->GetTable("_Storages").value();
    auto names = test::RenderRows(*db, *storages);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Instance1\t", "Instance2\t", "Instance3\t"}));
}

TEST(Fixtures, SummaryInformationReadsByPath) {
    VSB_REQUIRE_FIXTURE(path, "real/wix3/SimpleBinary.msi");
    MSIHANDLE si = 0;
    ASSERT_EQ(MsiGetSummaryInformationA(0, path.c_str(), 0, &si), ERROR_SUCCESS);
    UINT count = 0;
    ASSERT_EQ(MsiSummaryInfoGetPropertyCount(si, &count), ERROR_SUCCESS);
    EXPECT_GT(count, 5u);
    UINT type = 0;
    char buf[64];
    DWORD size = sizeof buf;
    ASSERT_EQ(MsiSummaryInfoGetPropertyA(si, PID_TITLE, &type, nullptr, nullptr, buf, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<UINT>(VT_LPSTR));
    EXPECT_EQ(std::string(buf), "Installation Database");
    INT value = 0;
    ASSERT_EQ(
        MsiSummaryInfoGetPropertyA(si, PID_PAGECOUNT, &type, &value, nullptr, nullptr, nullptr),
        ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<UINT>(VT_I4));
    EXPECT_GE(value, 100);
    EXPECT_EQ(MsiSummaryInfoGetPropertyA(si, 25, &type, nullptr, nullptr, nullptr, nullptr),
              ERROR_UNKNOWN_PROPERTY);
    EXPECT_EQ(type, static_cast<UINT>(VT_EMPTY));
    // Opened by path with no update count: read-only, so persisting fails.
    EXPECT_EQ(MsiSummaryInfoPersist(si), ERROR_FUNCTION_FAILED);
    MsiCloseHandle(si);
}

TEST(Fixtures, ProductPropertiesOfAPackage) {
    VSB_REQUIRE_FIXTURE(path, "real/wix3/RtmProduct.msi");
    MSIHANDLE product = 0;
    ASSERT_EQ(MsiOpenPackageA(path.c_str(), &product), ERROR_SUCCESS);
    char buf[255];
    DWORD size = sizeof buf;
    ASSERT_EQ(MsiGetProductPropertyA(product, "ProductCode", buf, &size), ERROR_SUCCESS);
    EXPECT_STREQ(buf, "{FB94421B-7FA3-4495-A9D7-212099C19147}");
    EXPECT_EQ(size, 38u);
    size = 5;
    EXPECT_EQ(MsiGetProductPropertyA(product, "ProductCode", buf, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 38u);
    size = sizeof buf;
    ASSERT_EQ(MsiGetProductPropertyA(product, "NoSuchProperty", buf, &size), ERROR_SUCCESS);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(MsiCloseHandle(product), ERROR_SUCCESS);
    EXPECT_EQ(MsiVerifyPackageA(path.c_str()), ERROR_SUCCESS);
    EXPECT_EQ(MsiVerifyPackageA("/no/such/file.msi"), ERROR_INSTALL_PACKAGE_OPEN_FAILED);
}

}  // namespace
}  // namespace msi::db
