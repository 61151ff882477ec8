#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"
#include "win32/files.h"
#include "win32/lasterror.h"
#include "win32/winerror.h"

namespace {

using testing_support::TempDir;

TEST(TempFileName, SystemChosenNumberCreatesTheFile) {
    TempDir dir;
    char name[MAX_PATH];
    UINT number = GetTempFileNameA(dir.str().c_str(), "wkmsi", 0, name);
    ASSERT_NE(number, 0u);
    char expected_tail[32];
    std::snprintf(expected_tail, sizeof expected_tail, "/wkm%X.tmp", number);
    EXPECT_EQ(std::string(name), dir.str() + expected_tail);
    EXPECT_TRUE(std::filesystem::is_regular_file(name));
    EXPECT_EQ(std::filesystem::file_size(name), 0u);
}

TEST(TempFileName, NamesFollowTheWindowsPattern) {
    TempDir dir;
    char name[MAX_PATH];
    ASSERT_NE(GetTempFileNameA(dir.str().c_str(), "ab", 0, name), 0u);
    std::string file = std::filesystem::path(name).filename().string();
    EXPECT_TRUE(std::regex_match(file, std::regex("ab[0-9A-F]{1,4}\\.tmp"))) << file;
}

TEST(TempFileName, GivenNumberOnlyBuildsTheName) {
    TempDir dir;
    char name[MAX_PATH];
    EXPECT_EQ(GetTempFileNameA((dir.str() + "/").c_str(), "tbl", 0xBEEF, name), 0xBEEFu);
    EXPECT_EQ(std::string(name), dir.str() + "/tblBEEF.tmp");
    EXPECT_TRUE(dir.Entries().empty());
}

TEST(TempFileName, ManyCallsGiveDistinctFiles) {
    TempDir dir;
    std::set<std::string> names;
    for (int i = 0; i < 200; ++i) {
        char name[MAX_PATH];
        ASSERT_NE(GetTempFileNameA(dir.str().c_str(), "t", 0, name), 0u);
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 200u);
    EXPECT_EQ(dir.Entries().size(), 200u);
}

TEST(TempFileName, ThreadsAndProcessesNeverShareAName) {
    TempDir dir;
    const int kPerWorker = 100;
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        char name[MAX_PATH];
        for (int i = 0; i < kPerWorker; ++i) {
            if (GetTempFileNameA(dir.str().c_str(), "p", 0, name) == 0) _exit(1);
        }
        _exit(0);
    }
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([&] {
            char name[MAX_PATH];
            for (int i = 0; i < kPerWorker; ++i) {
                if (GetTempFileNameA(dir.str().c_str(), "p", 0, name) == 0) ++failures;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(failures.load(), 0);
    // Every successful call made its own file: 3 workers x 100.
    EXPECT_EQ(dir.Entries().size(), 3u * kPerWorker);
}

TEST(TempFileName, MissingFolderFailsWithPathNotFound) {
    TempDir dir;
    char name[MAX_PATH];
    EXPECT_EQ(GetTempFileNameA((dir.str() + "/missing").c_str(), "x", 0, name), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(TempFileName, PrefixCannotLeaveTheFolder) {
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "inner");
    char name[MAX_PATH];
    EXPECT_EQ(GetTempFileNameA((dir.str() + "/inner").c_str(), "../", 0, name), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"inner"}));
}

TEST(TempFileName, NameThatWouldNotFitMaxPathIsRefused) {
    std::string folder(MAX_PATH, 'd');
    char name[MAX_PATH];
    EXPECT_EQ(GetTempFileNameA(folder.c_str(), "x", 1, name), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BUFFER_OVERFLOW));
}

}  // namespace
