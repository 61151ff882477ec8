// The public headers serve plain C programs: c_program.c is compiled as C and
// linked against the engine; what it reads must equal what C++ code reads
// through the same calls.
#include <gtest/gtest.h>

#include <vector>

#include "c_program.h"
#include "interop_util.h"
#include "test_support.h"

namespace msi_interop {
namespace {

TEST(CProgram, ReadsTheSamePropertiesAsTheCxxInterface) {
    VSB_REQUIRE_FIXTURE(path, "real/lessmsi/putty-0.68-installer.msi");
    const std::string package = path.string();

    std::vector<char> out(1 << 16);
    ASSERT_EQ(CProgramListProperties(package.c_str(), out.data(), out.size()), ERROR_SUCCESS);

    Handle db;
    ASSERT_EQ(MsiOpenDatabaseA(package.c_str(), MSIDBOPEN_READONLY, db.out()), ERROR_SUCCESS);
    const ApiTable table = ReadTable(db.get(), "Property");
    ASSERT_EQ(table.status, ERROR_SUCCESS);
    std::string expected;
    for (const auto& row : table.rows) expected += row[0].bytes + "=" + row[1].bytes + "\n";

    ASSERT_FALSE(table.rows.empty());
    EXPECT_EQ(std::string(out.data()), expected);
}

TEST(CProgram, ReportsAMissingPackage) {
    testing_support::TempDir dir;
    char out[16];
    EXPECT_NE(CProgramListProperties((dir.path() / "none.msi").string().c_str(), out, sizeof out),
              ERROR_SUCCESS);
}

}  // namespace
}  // namespace msi_interop
