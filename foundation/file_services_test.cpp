#include "file_services.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "path_test_support.h"
#include "test_support.h"

namespace foundation {
namespace {

using testing_support::TempDir;
using testing_support::WriteFile;

// Puts TMPDIR back to what it was when the test began.
class TmpDirEnvironment {
  public:
    TmpDirEnvironment() {
        if (const char* old = std::getenv("TMPDIR")) {
            had_ = true;
            old_ = old;
        }
    }
    ~TmpDirEnvironment() {
        if (had_)
            setenv("TMPDIR", old_.c_str(), 1);
        else
            unsetenv("TMPDIR");
    }

  private:
    bool had_ = false;
    std::string old_;
};

TEST(GetTempDir, IsTmpdirWithoutTrailingSeparator) {
    TmpDirEnvironment env;
    TempDir dir;
    setenv("TMPDIR", (dir.str() + "/").c_str(), 1);
    EXPECT_EQ(VSB_GetTempDir(), dir.str());
}

TEST(GetTempDir, FallsBackToTmpWhenTmpdirIsUnset) {
    TmpDirEnvironment env;
    unsetenv("TMPDIR");
    EXPECT_EQ(VSB_GetTempDir(), "/tmp");
}

TEST(GetTempDir, StaysNativeInWindowsStyle) {
    TmpDirEnvironment env;
    ScopedPathStyle windows(VSB_PATH_WINDOWS);
    unsetenv("TMPDIR");
    EXPECT_EQ(VSB_GetTempDir(), "/tmp");
}

TEST(GetTempDir, RefusesAFolderLongerThanItsBuffer) {
    TmpDirEnvironment env;
    setenv("TMPDIR", ("/" + std::string(VSB_PATH_BUFFER, 'x')).c_str(), 1);
    EXPECT_EQ(VSB_GetTempDir(), "");
}

TEST(GetModuleFileName, NamesThisTestProgram) {
    const std::string path = VSB_GetModuleFileName();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path, std::filesystem::canonical("/proc/self/exe").string());
}

class FileExistsTest : public NativePathTest {
  protected:
    TempDir dir_;
};

TEST_F(FileExistsTest, PlainFileExists) {
    WriteFile(dir_.path() / "setup.msi", "x");
    EXPECT_TRUE(VSB_FileExists(dir_.str() + "/setup.msi"));
    EXPECT_FALSE(VSB_FileExists(dir_.str() + "/missing.msi"));
}

TEST_F(FileExistsTest, DirectoryByPlainNameDoesNotCount) {
    std::filesystem::create_directory(dir_.path() / "data.cab");
    EXPECT_FALSE(VSB_FileExists(dir_.str() + "/data.cab"));
}

TEST_F(FileExistsTest, PatternMatchedOnlyByADirectoryCounts) {
    std::filesystem::create_directory(dir_.path() / "data.cab");
    EXPECT_TRUE(VSB_FileExists(dir_.str() + "/*.cab"));
    EXPECT_FALSE(VSB_FileExists(dir_.str() + "/*.tbl"));
}

TEST_F(FileExistsTest, PatternMatchesWithoutRegardToCase) {
    WriteFile(dir_.path() / "Disk1.CAB", "x");
    EXPECT_TRUE(VSB_FileExists(dir_.str() + "/disk?.cab"));
}

TEST_F(FileExistsTest, NameWithDoubleQuoteIsNeverThere) {
    WriteFile(dir_.path() / "a\"b", "x");
    EXPECT_FALSE(VSB_FileExists(dir_.str() + "/a\"b"));
}

}  // namespace
}  // namespace foundation
