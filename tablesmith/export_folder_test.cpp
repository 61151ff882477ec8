#include "export_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "generate_command.h"
#include "test_support.h"

namespace tablesmith {
namespace {

TEST(ExportFolderTest, TitleDropsTheFolderAndOnlyTheLastExtension) {
    EXPECT_EQ("product", PackageTitle("/setup/product.msi"));
    EXPECT_EQ("my.pkg", PackageTitle("my.pkg.msi"));
    EXPECT_EQ("noext", PackageTitle("dir/noext"));
}

TEST(ExportFolderTest, FolderIsTheTemporaryFolderAndTheTitle) {
    testing_support::TempDir temp(true);
    EXPECT_EQ(temp.str() + "/product", ExportFolderOf("/setup/product.msi"));
    EXPECT_EQ(temp.str() + "/my.pkg", ExportFolderOf("/a/my.pkg.msi"));
}

TEST(ExportFolderTest, PackagesOfOneNameInDifferentFoldersShareOneFolder) {
    testing_support::TempDir temp(true);
    EXPECT_EQ(ExportFolderOf("/first/product.msi"), ExportFolderOf("/second/product.msi"));
}

TEST(ExportFolderTest, UnknownTemporaryFolderGivesNoFolder) {
    testing_support::TempDir temp(true);
    // Longer than the platform hands over: the temporary folder cannot be told.
    setenv("TMPDIR", ("/" + std::string(700, 'x')).c_str(), 1);
    EXPECT_EQ("", ExportFolderOf("/setup/product.msi"));
    EXPECT_EQ("", GeneratedPackagePath("/setup/product.msi"));
}

TEST(ExportFolderTest, NewPackageKeepsNameAndExtensionInTheExportFolder) {
    testing_support::TempDir temp(true);
    EXPECT_EQ(temp.str() + "/product/product.msi", GeneratedPackagePath("/setup/product.msi"));
    // A relative path's folders are dropped too, not recreated below the folder.
    EXPECT_EQ(temp.str() + "/x/x.msi", GeneratedPackagePath("sub/dir/x.msi"));
}

}  // namespace
}  // namespace tablesmith
