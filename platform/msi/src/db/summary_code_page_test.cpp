// The summary's code page (property 1) is stored as a signed 16-bit number,
// but a code page is unsigned: 65001 is stored as -535 and must read back as
// 65001, here and through every path that writes it.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "db/database.h"
#include "db/summary_info.h"
#include "format/property_set.h"
#include "msiquery.h"
#include "test_support.h"

namespace msi::db {
namespace {

std::shared_ptr<Database> OpenReadOnly(const std::string& path) {
    OpenRequest request;
    request.path = path;
    auto db = Database::Open(request);
    EXPECT_TRUE(db.ok()) << db.status().ToString();
    return db.ok() ? std::move(db).value() : nullptr;
}

TEST(SummaryCodePage, CodePagesOfSixteenBitsReadUnsigned) {
    testing_support::TempDir dir;
    const std::string path = (dir.path() / "code_page.msi").string();
    for (uint32_t code_page : {0u, 1252u, 32767u, 32768u, 65000u, 65001u, 65535u}) {
        SCOPED_TRACE(code_page);
        MSIHANDLE db = 0;
        ASSERT_EQ(MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_CREATE, &db), ERROR_SUCCESS);
        MSIHANDLE summary = 0;
        ASSERT_EQ(MsiGetSummaryInformationA(db, nullptr, 1, &summary), ERROR_SUCCESS);
        ASSERT_EQ(MsiSummaryInfoSetPropertyA(summary, PID_CODEPAGE, VT_I2,
                                             static_cast<INT>(code_page), nullptr, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(MsiSummaryInfoPersist(summary), ERROR_SUCCESS);
        ASSERT_EQ(MsiDatabaseCommit(db), ERROR_SUCCESS);
        MsiCloseHandle(summary);
        MsiCloseHandle(db);

        auto reopened = OpenReadOnly(path);
        ASSERT_TRUE(reopened);
        auto info = SummaryInfo::Load(reopened, 0, false);
        ASSERT_TRUE(info.ok());
        EXPECT_EQ((*info)->CodePage(), code_page);
        std::filesystem::remove(path);
    }
}

}  // namespace
}  // namespace msi::db
