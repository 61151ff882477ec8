#include "win32/files.h"
#include "win32/umask.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "test_support.h"
#include "win32/lasterror.h"
#include "win32/winerror.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

mode_t ModeOf(const fs::path& path) {
    struct stat st;
    EXPECT_EQ(stat(path.c_str(), &st), 0);
    return st.st_mode & 07777;
}

TEST(TempPath, ComesFromTmpdirWithTrailingSeparator) {
    TempDir dir(/*redirect_tmpdir=*/true);
    char buffer[MAX_PATH];
    DWORD length = GetTempPathA(MAX_PATH, buffer);
    EXPECT_EQ(std::string(buffer), dir.str() + "/");
    EXPECT_EQ(length, dir.str().size() + 1);
}

TEST(TempPath, FallsBackToTmp) {
    TempDir dir(true);  // restores TMPDIR afterwards
    unsetenv("TMPDIR");
    char buffer[MAX_PATH];
    EXPECT_EQ(GetTempPathA(MAX_PATH, buffer), 5u);
    EXPECT_STREQ(buffer, "/tmp/");
}

TEST(TempPath, SmallBufferGetsTheSizeNeeded) {
    TempDir dir(true);
    setenv("TMPDIR", "/var/tmp", 1);
    char buffer[4] = "xyz";
    EXPECT_EQ(GetTempPathA(sizeof buffer, buffer), 10u);  // "/var/tmp/" and the terminator
    EXPECT_STREQ(buffer, "xyz");
}

TEST(ModuleFileName, IsTheRunningProgram) {
    char buffer[1024];
    DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(fs::path(buffer), fs::read_symlink("/proc/self/exe"));
}

TEST(ModuleFileName, SmallBufferIsCutAndTerminated) {
    char buffer[5];
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer, sizeof buffer), 5u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(std::strlen(buffer), 4u);
}

TEST(CreateDirectory, MakesOneLevelAndReportsWhatStopsIt) {
    TempDir dir;
    std::string sub = dir.str() + "/sub";
    EXPECT_TRUE(CreateDirectoryA(sub.c_str(), nullptr));
    EXPECT_TRUE(fs::is_directory(sub));

    EXPECT_FALSE(CreateDirectoryA(sub.c_str(), nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));

    std::string deep = dir.str() + "/missing/child";
    EXPECT_FALSE(CreateDirectoryA(deep.c_str(), nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(RemoveDirectory, RefusesFilesAndFullFolders) {
    TempDir dir;
    WriteFile(dir.path() / "file", "x");
    fs::create_directory(dir.path() / "full");
    WriteFile(dir.path() / "full" / "inner", "x");
    EXPECT_FALSE(RemoveDirectoryA((dir.str() + "/file").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));
    EXPECT_FALSE(RemoveDirectoryA((dir.str() + "/full").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIR_NOT_EMPTY));
    fs::remove(dir.path() / "full" / "inner");
    EXPECT_TRUE(RemoveDirectoryA((dir.str() + "/full").c_str()));
}

TEST(DeleteFile, RemovesAFile) {
    TempDir dir;
    WriteFile(dir.path() / "a.tbl", "data");
    EXPECT_TRUE(DeleteFileA((dir.str() + "/a.tbl").c_str()));
    EXPECT_FALSE(fs::exists(dir.path() / "a.tbl"));
}

TEST(DeleteFile, RefusesADirectoryWithAccessDenied) {
    TempDir dir;
    fs::create_directory(dir.path() / "folder");
    EXPECT_FALSE(DeleteFileA((dir.str() + "/folder").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(fs::is_directory(dir.path() / "folder"));
}

TEST(DeleteFile, TellsMissingFileFromMissingFolder) {
    TempDir dir;
    EXPECT_FALSE(DeleteFileA((dir.str() + "/nothing").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(DeleteFileA((dir.str() + "/nowhere/nothing").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(DeleteFile, KeepsAReadOnlyFile) {
    TempDir dir;
    fs::path file = dir.path() / "keep";
    WriteFile(file, "x");
    ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(DeleteFileA(file.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(DeleteFileA(file.c_str()));
}

TEST(FileAttributes, ReadOnlyAndNormalSwitchTheWriteBits) {
    TempDir dir;
    fs::path file = dir.path() / "f";
    WriteFile(file, "x");
    chmod(file.c_str(), 0664);
    ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(ModeOf(file), 0444u);
    EXPECT_EQ(GetFileAttributesA(file.c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(ModeOf(file), 0644u);
    EXPECT_EQ(GetFileAttributesA(file.c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
}

TEST(FileAttributes, FoldersReportTheDirectoryBit) {
    TempDir dir;
    EXPECT_TRUE(GetFileAttributesA(dir.str().c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(GetFileAttributesA((dir.str() + "/missing").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(SetFileAttributesA((dir.str() + "/no/such").c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(CopyFile, CopiesContentToANewFile) {
    TempDir dir;
    WriteFile(dir.path() / "src", "content");
    EXPECT_TRUE(CopyFileA((dir.str() + "/src").c_str(), (dir.str() + "/dst").c_str(), TRUE));
    EXPECT_EQ(ReadFile(dir.path() / "dst"), "content");
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"dst", "src"}));  // no leftovers
}

// A FIFO would hold the copy until something writes to it.
TEST(CopyFile, FifoIsRefusedWithoutWaiting) {
    TempDir dir;
    ASSERT_EQ(0, ::mkfifo((dir.str() + "/pipe").c_str(), 0600));
    EXPECT_FALSE(CopyFileA((dir.str() + "/pipe").c_str(), (dir.str() + "/dst").c_str(), TRUE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"pipe"}));
}

TEST(CopyFile, FailIfExistsKeepsTheTarget) {
    TempDir dir;
    WriteFile(dir.path() / "src", "new");
    WriteFile(dir.path() / "dst", "old");
    EXPECT_FALSE(CopyFileA((dir.str() + "/src").c_str(), (dir.str() + "/dst").c_str(), TRUE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
    EXPECT_EQ(ReadFile(dir.path() / "dst"), "old");
}

TEST(CopyFile, OverwriteReplacesTheTarget) {
    TempDir dir;
    WriteFile(dir.path() / "src", "new");
    WriteFile(dir.path() / "dst", "old and longer");
    EXPECT_TRUE(CopyFileA((dir.str() + "/src").c_str(), (dir.str() + "/dst").c_str(), FALSE));
    EXPECT_EQ(ReadFile(dir.path() / "dst"), "new");
}

TEST(CopyFile, CopyOfAReadOnlyFileIsWritableByItsOwner) {
    TempDir dir;
    fs::path src = dir.path() / "src";
    WriteFile(src, "x");
    chmod(src.c_str(), 0444);
    ASSERT_TRUE(CopyFileA(src.c_str(), (dir.str() + "/dst").c_str(), TRUE));
    EXPECT_EQ(ModeOf(dir.path() / "dst"), 0644u);
}

TEST(CopyFile, LargeFileIsCopiedWhole) {
    TempDir dir;
    std::string big(3 * 1024 * 1024 + 17, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 31 % 251);
    WriteFile(dir.path() / "big", big);
    ASSERT_TRUE(CopyFileA((dir.str() + "/big").c_str(), (dir.str() + "/copy").c_str(), TRUE));
    EXPECT_EQ(ReadFile(dir.path() / "copy"), big);
}

TEST(CopyFile, ReportsBadSourcesAndTargets) {
    TempDir dir;
    WriteFile(dir.path() / "src", "x");
    fs::create_directory(dir.path() / "folder");
    EXPECT_FALSE(CopyFileA((dir.str() + "/none").c_str(), (dir.str() + "/dst").c_str(), FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(CopyFileA((dir.str() + "/folder").c_str(), (dir.str() + "/dst").c_str(), FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(CopyFileA((dir.str() + "/src").c_str(), (dir.str() + "/folder").c_str(), FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(CopyFileA((dir.str() + "/src").c_str(), (dir.str() + "/no/dst").c_str(), FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(CopyFileA((dir.str() + "/src").c_str(), (dir.str() + "/src").c_str(), FALSE));
    EXPECT_EQ(ReadFile(dir.path() / "src"), "x");
}

TEST(MoveFile, RenamesButNeverReplaces) {
    TempDir dir;
    WriteFile(dir.path() / "a", "a");
    WriteFile(dir.path() / "b", "b");
    EXPECT_FALSE(MoveFileA((dir.str() + "/a").c_str(), (dir.str() + "/b").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_TRUE(MoveFileA((dir.str() + "/a").c_str(), (dir.str() + "/c").c_str()));
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"b", "c"}));
    EXPECT_EQ(ReadFile(dir.path() / "c"), "a");
}

TEST(FileServices, NullArgumentsAreRefused) {
    EXPECT_FALSE(CreateDirectoryA(nullptr, nullptr));
    EXPECT_FALSE(DeleteFileA(nullptr));
    EXPECT_FALSE(CopyFileA(nullptr, "x", FALSE));
    EXPECT_FALSE(MoveFileA("x", nullptr));
    EXPECT_EQ(GetFileAttributesA(nullptr), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

// Extraction writes files from several threads, each reading the mask for
// its file's mode: the readers must neither see a value another set for a
// moment nor leave the process with one.
TEST(ProcessUmask, ReadersOnSeveralThreadsSeeTheMaskAndLeaveIt) {
    const mode_t old_mask = ::umask(027);
    std::atomic<int> wrong{0};
    const auto reader = [&wrong] {
        for (int i = 0; i < 20000; ++i)
            if (win32::ProcessUmask() != 027) ++wrong;
    };
    std::thread first(reader), second(reader);
    first.join();
    second.join();
    EXPECT_EQ(::umask(old_mask), 027u);
    EXPECT_EQ(wrong, 0);
}

}  // namespace
