#include "window/file_dialog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/message_box.h"
#include "test_support.h"
#include "window/ui_test_hook.h"

namespace {

constexpr DWORD kBrowseFlags = 0x2080C;  // hide read-only, keep folder, path must exist, no network

TEST(FileDialogFilterTest, PairsOfDescriptionAndPatternsBecomeQtFilters) {
    EXPECT_EQ((std::vector<std::string>{"MSI Packages (*.msi)"}),
              fw::QtNameFilters("MSI Packages|*.msi|"));
    EXPECT_EQ((std::vector<std::string>{"Installer files (*.msi *.msp)", "All (*)"}),
              fw::QtNameFilters("Installer files|*.msi;*.msp|All|*||"));
    EXPECT_EQ((std::vector<std::string>{"Transforms (*.mst)"}),
              fw::QtNameFilters("Transforms|*.mst"));
    EXPECT_TRUE(fw::QtNameFilters("").empty());
    EXPECT_TRUE(fw::QtNameFilters("only a description").empty());
}

class FileDialogTest : public ::testing::Test {
  protected:
    fw::UiTestHook hook_;
    testing_support::TempDir folder_;
};

TEST_F(FileDialogTest, AChosenFileComesBackAsAnAbsolutePath) {
    const std::string file = folder_.str() + "/package.msi";
    std::ofstream(file) << "x";
    hook_.ChooseFile(file);
    CFileDialog dialog(TRUE, nullptr, "*.msi", kBrowseFlags, "MSI Packages|*.msi|");
    ASSERT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ(file, dialog.GetPathName());
    ASSERT_EQ(1u, hook_.FileDialogs().size());
    const fw::ShownFileDialog& shown = hook_.FileDialogs()[0];
    EXPECT_EQ((std::vector<std::string>{"MSI Packages (*.msi)"}), shown.name_filters);
    EXPECT_FALSE(shown.file_must_exist);
    EXPECT_TRUE(shown.for_opening);
}

TEST_F(FileDialogTest, AFileThatDoesNotExistIsAcceptedInAFolderThatDoes) {
    const std::string file = folder_.str() + "/not-there.msi";
    hook_.ChooseFile(file);
    CFileDialog dialog(TRUE, nullptr, "*.msi", kBrowseFlags, "MSI Packages|*.msi|");
    ASSERT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ(file, dialog.GetPathName());
    EXPECT_TRUE(hook_.MessageBoxes().empty());
}

TEST_F(FileDialogTest, AMissingFolderIsToldAndTheDialogAsksAgain) {
    hook_.ChooseFile(folder_.str() + "/no-such-folder/package.msi");
    hook_.CancelFileDialog();
    CFileDialog dialog(TRUE, nullptr, "*.msi", kBrowseFlags, "MSI Packages|*.msi|");
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    EXPECT_EQ("", dialog.GetPathName());
    EXPECT_EQ(2u, hook_.FileDialogs().size());
    ASSERT_EQ(1u, hook_.MessageBoxes().size());
    EXPECT_EQ(unsigned{MB_ICONEXCLAMATION}, hook_.MessageBoxes()[0].icon);
    EXPECT_NE(std::string::npos, hook_.MessageBoxes()[0].text.find("no-such-folder"));
}

TEST_F(FileDialogTest, CancelChoosesNothing) {
    hook_.CancelFileDialog();
    CFileDialog dialog(TRUE, nullptr, "*.mst", kBrowseFlags, "Transforms|*.mst|");
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    EXPECT_EQ("", dialog.GetPathName());
    EXPECT_EQ((std::vector<std::string>{"Transforms (*.mst)"}),
              hook_.FileDialogs()[0].name_filters);
}

TEST_F(FileDialogTest, FileMustExistMakesTheDialogAskForAnExistingFile) {
    hook_.CancelFileDialog();
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST, "All|*|");
    dialog.DoModal();
    EXPECT_TRUE(hook_.FileDialogs()[0].file_must_exist);
}

}  // namespace
