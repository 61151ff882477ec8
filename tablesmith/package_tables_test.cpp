#include "package_tables.h"

#include "tablesmith_test_support.h"

namespace tablesmith {
namespace {

using tablesmith_test::CommandTest;

TEST(SortTableNamesTest, ListOrderIgnoresCaseAndPutsUnderscoreFirst) {
    std::vector<std::string> names = {"Property", "_Validation", "feature",
                                      "Binary",   "Media",       "media"};
    SortTableNames(names);
    EXPECT_EQ((std::vector<std::string>{"_Validation", "Binary", "feature", "Media", "media",
                                        "Property"}),
              names);
}

class PackageTablesTest : public CommandTest {};

TEST_F(PackageTablesTest, TablesOfAPackageAreListedSorted) {
    const std::string package =
        tablesmith_test::BuildPackage(inputs_.path(), "p.msi", tablesmith_test::SamplePackage());
    ASSERT_FALSE(package.empty());
    bool opened = false;
    EXPECT_EQ((std::vector<std::string>{"Feature", "Media", "Property"}),
              ListPackageTables(package, &opened));
    EXPECT_TRUE(opened);
}

TEST_F(PackageTablesTest, PackageThatDoesNotOpenListsNothing) {
    testing_support::WriteFile(inputs_.path() / "text.msi", "not a package");
    bool opened = true;
    EXPECT_TRUE(ListPackageTables((inputs_.path() / "text.msi").string(), &opened).empty());
    EXPECT_FALSE(opened);
    EXPECT_TRUE(ListPackageTables((inputs_.path() / "absent.msi").string()).empty());
}

}  // namespace
}  // namespace tablesmith
