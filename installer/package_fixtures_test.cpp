// The product properties of every real and generated fixture package, read
// through CMsiPackage and compared with what msitools' msiinfo exports.
#include <filesystem>
#include <map>
#include <sstream>

#include "installer_test_support.h"
#include "msi_db_mgr.h"
#include "msi_package.h"

namespace {

namespace fs = std::filesystem;
using installer_test::InstallerTest;

// Property -> value from msiinfo's IDT export of the Property table.
std::map<std::string, std::string> PropertiesByMsiinfo(const fs::path& package) {
    std::map<std::string, std::string> properties;
    const testing_support::TempDir scratch;
    const auto run = testing_support::Run({"msiinfo", "export", package.string(), "Property"},
                                          testing_support::RunOptions().In(scratch.path()));
    std::istringstream lines(run.out);
    std::string line;
    for (int number = 0; std::getline(lines, line); ++number) {
        if (number < 3) continue;  // names, types, table and keys
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        properties[line.substr(0, tab)] = line.substr(tab + 1);
    }
    return properties;
}

class PackageFixturesTest : public InstallerTest {};

TEST_F(PackageFixturesTest, ProductPropertiesOfEveryFixturePackageMatchMsiinfo) {
    VSB_REQUIRE_FIXTURES(packages, ".msi");
    VSB_REQUIRE_PROGRAM("msiinfo");
    for (const fs::path& package : packages) {
        SCOPED_TRACE(package.string());
        auto expected = PropertiesByMsiinfo(package);
        CMsiPackage msi_package(package.string());
        ASSERT_TRUE(msi_package.Verify());
        // Values of 255 characters or more are refused by the 255-character
        // buffer and read as empty.
        auto fitting = [&](const char* name) {
            const std::string& value = expected[name];
            return value.size() < 255 ? value : std::string();
        };
        EXPECT_EQ(fitting("ProductCode"), msi_package.GetProductCode());
        EXPECT_EQ(fitting("Manufacturer") + " " + fitting("ProductName") + " " +
                      fitting("ProductVersion"),
                  msi_package.GetProductDescription());
        // Every real package has a product code; two generated ones carry no
        // ProductCode property (msiinfo agrees), and read as "".
        if (package.string().find("/fixtures/real/") != std::string::npos) {
            EXPECT_FALSE(msi_package.GetProductCode().empty());
        }
    }
}

TEST_F(PackageFixturesTest, EveryFixturePackageOpensThroughAWorkingCopy) {
    VSB_REQUIRE_FIXTURES(packages, ".msi");
    for (const fs::path& package : packages) {
        SCOPED_TRACE(package.string());
        MsiDbMgr manager;
        ASSERT_TRUE(manager.Open(package.string().c_str(), nullptr, 1, false));
        EXPECT_EQ(1u, temp_.Entries().size());
        EXPECT_TRUE(manager.Close());
        EXPECT_TRUE(temp_.Entries().empty());
    }
}

}  // namespace
