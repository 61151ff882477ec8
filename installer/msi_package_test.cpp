#include "msi_package.h"

#include <sys/stat.h>

#include <filesystem>
#include <regex>

#include "error_report.h"
#include "installer_test_support.h"
#include "msi_engine.h"
#include "msi_error_text.h"

namespace {

namespace fs = std::filesystem;
using installer_test::ErrorLine;
using installer_test::InstallerTest;

class PackageTest : public InstallerTest {
  protected:
    std::string Sample() { return installer_test::BuildSamplePackage(inputs_.path()); }
};

TEST_F(PackageTest, VerifyAcceptsAPackageAndTracesTheCheck) {
    const std::string package = Sample();
    CMsiPackage msi_package(package);
    EXPECT_TRUE(msi_package.Verify());
    EXPECT_EQ(std::vector<std::string>{"Checking if " + package + " is a valid MSI package"},
              trace_.Lines());
}

TEST_F(PackageTest, VerifyRefusesAFileThatIsNoPackage) {
    const auto text_file = inputs_.path() / "notes.msi";
    testing_support::WriteFile(text_file, "not a package");
    CMsiPackage msi_package(text_file.string());
    msi_package.m_dwReportFlags = 2 | VSB_REPORT_MSGBOX;
    EXPECT_FALSE(msi_package.Verify());
    ASSERT_EQ(2u, trace_.Lines().size());
    EXPECT_EQ(ErrorLine(228), trace_.Lines()[1]);
    ASSERT_EQ(1u, boxes_.size());
    EXPECT_EQ(0u,
              boxes_[0].find("Error validating database " + text_file.string() + "\nMSI error: "));
}

TEST_F(PackageTest, ReadsTheFourPropertiesAndClosesTheProductHandle) {
    CMsiPackage msi_package(Sample());
    EXPECT_EQ("{11111111-2222-3333-4444-555555555555}", msi_package.GetProductCode());
    EXPECT_EQ("Acme Widget 1.2.3", msi_package.GetProductDescription());
    EXPECT_EQ(0u, msi::OpenHandleCount());
    EXPECT_EQ(CMsiPackage::kPropertiesRead, msi_package.GetFlags());
}

TEST_F(PackageTest, PropertiesAreReadOnce) {
    CMsiPackage msi_package(Sample());
    ASSERT_TRUE(msi_package.ReadProperties());
    trace_.Clear();
    EXPECT_TRUE(msi_package.ReadProperties());
    msi_package.GetProductCode();
    EXPECT_TRUE(trace_.Lines().empty());
}

TEST_F(PackageTest, MissingPropertiesGiveBlanksBetweenEmptyValues) {
    installer_test::IdtTable property{"Property",
                                      "Property\tValue\r\ns72\tl0\r\nProperty\tProperty\r\n"
                                      "Other\tx\r\n",
                                      {}};
    const std::string package =
        installer_test::BuildPackage(inputs_.path(), "bare.msi", {property});
    CMsiPackage msi_package(package);
    EXPECT_EQ("  ", msi_package.GetProductDescription());
    EXPECT_EQ("", msi_package.GetProductCode());
}

TEST_F(PackageTest, APropertyOf255CharactersIsAFailedRead) {
    const std::string long_name(255, 'n');
    const std::string package = installer_test::BuildPackage(
        inputs_.path(), "long.msi",
        {installer_test::PropertyTable("Acme", long_name, "1.0", "{C0DE}")});
    CMsiPackage msi_package(package);
    msi_package.m_dwReportFlags = 2 | VSB_REPORT_MSGBOX;
    EXPECT_EQ("Acme  1.0", msi_package.GetProductDescription());
    EXPECT_EQ("{C0DE}", msi_package.GetProductCode());
    ASSERT_EQ(1u, boxes_.size());
    EXPECT_EQ("Error reading property ProductName from " + package +
                  "\nMSI error: " + VSB_MsiErrorText(ERROR_MORE_DATA),
              boxes_[0]);
}

TEST_F(PackageTest, APropertyOf254CharactersIsReadWhole) {
    const std::string name(254, 'n');
    const std::string package = installer_test::BuildPackage(
        inputs_.path(), "fits.msi", {installer_test::PropertyTable("Acme", name, "1.0", "{C}")});
    CMsiPackage msi_package(package);
    EXPECT_EQ("Acme " + name + " 1.0", msi_package.GetProductDescription());
}

TEST_F(PackageTest, AFailedOpenLeavesThePropertiesUnreadSoTheyAreTriedAgain) {
    const auto missing = inputs_.path() / "missing.msi";
    CMsiPackage msi_package(missing.string());
    EXPECT_FALSE(msi_package.ReadProperties());
    EXPECT_EQ(0u, msi_package.GetFlags());
    trace_.Clear();
    EXPECT_FALSE(msi_package.ReadProperties());
    EXPECT_EQ(
        std::vector<std::string>(
            {"Getting properties of MSI package " + missing.string() + "...", ErrorLine(228)}),
        trace_.Lines());
}

TEST_F(PackageTest, WorkingCopyIsAWritableCopyNamedAfterTheSecond) {
    const std::string package = Sample();
    ::chmod(package.c_str(), 0444);
    CMsiPackage msi_package(package);
    ASSERT_TRUE(msi_package.MakeWorkingCopy());
    const fs::path copy = msi_package.GetWorkingCopyPath();
    EXPECT_EQ(temp_.path(), copy.parent_path());
    EXPECT_TRUE(std::regex_match(copy.filename().string(), std::regex("wkmsi-?[0-9]+\\.tmp")))
        << copy;
    EXPECT_EQ(testing_support::ReadFile(package), testing_support::ReadFile(copy));
    EXPECT_NE(fs::perms::none, fs::status(copy).permissions() & fs::perms::owner_write);
    fs::remove(copy);
}

TEST_F(PackageTest, CopiesMadeInTheSameSecondGetDifferentNames) {
    const std::string package = Sample();
    CMsiPackage first(package);
    CMsiPackage second(package);
    ASSERT_TRUE(first.MakeWorkingCopy());
    ASSERT_TRUE(second.MakeWorkingCopy());
    EXPECT_NE(first.GetWorkingCopyPath(), second.GetWorkingCopyPath());
    EXPECT_TRUE(fs::exists(first.GetWorkingCopyPath()));
    EXPECT_TRUE(fs::exists(second.GetWorkingCopyPath()));
    fs::remove(first.GetWorkingCopyPath());
    fs::remove(second.GetWorkingCopyPath());
}

TEST_F(PackageTest, ASecondCopyOfTheSameObjectReplacesTheFirst) {
    CMsiPackage msi_package(Sample());
    ASSERT_TRUE(msi_package.MakeWorkingCopy());
    const std::string first = msi_package.GetWorkingCopyPath();
    ASSERT_TRUE(msi_package.MakeWorkingCopy());
    EXPECT_EQ(1u, temp_.Entries().size());
    if (first != msi_package.GetWorkingCopyPath()) {
        EXPECT_FALSE(fs::exists(first));
    }
    fs::remove(msi_package.GetWorkingCopyPath());
}

TEST_F(PackageTest, AFailedCopyLeavesNoFileBehind) {
    CMsiPackage msi_package((inputs_.path() / "missing.msi").string());
    EXPECT_FALSE(msi_package.MakeWorkingCopy());
    EXPECT_TRUE(temp_.Entries().empty());
}

TEST_F(PackageTest, DestructorKeepsTheWorkingCopy) {
    std::string copy;
    {
        CMsiPackage msi_package(Sample());
        ASSERT_TRUE(msi_package.MakeWorkingCopy());
        copy = msi_package.GetWorkingCopyPath();
    }
    EXPECT_TRUE(fs::exists(copy));
    fs::remove(copy);
}

TEST_F(PackageTest, ResetKeepsTheWorkingCopyPath) {
    CMsiPackage msi_package(Sample());
    ASSERT_TRUE(msi_package.MakeWorkingCopy());
    const std::string copy = msi_package.GetWorkingCopyPath();
    msi_package.Reset();
    EXPECT_EQ(copy, msi_package.GetWorkingCopyPath());
    EXPECT_EQ("", msi_package.GetPackagePath());
    fs::remove(copy);
}

}  // namespace
