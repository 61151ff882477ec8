#include <fnmatch.h>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "test_support.h"
#include "wildcard.h"
#include "win32/files.h"
#include "win32/lasterror.h"
#include "win32/winerror.h"

namespace {

using testing_support::TempDir;
using testing_support::WriteFile;

struct Found {
    std::string name;
    DWORD attributes;
    DWORD size;
};

// Every entry a search reports, in the order reported; an empty list when the
// search finds nothing (the error is left in GetLastError()).
std::vector<Found> Search(const std::string& pattern) {
    std::vector<Found> found;
    WIN32_FIND_DATAA data;
    HANDLE handle = FindFirstFileA(pattern.c_str(), &data);
    if (handle == INVALID_HANDLE_VALUE) return found;
    do {
        found.push_back({data.cFileName, data.dwFileAttributes, data.nFileSizeLow});
    } while (FindNextFileA(handle, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_TRUE(FindClose(handle));
    return found;
}

std::vector<std::string> Names(const std::vector<Found>& found) {
    std::vector<std::string> names;
    for (const Found& f : found) names.push_back(f.name);
    return names;
}

TEST(Wildcard, MatchesStarsAndQuestionMarksWithoutCase) {
    EXPECT_TRUE(win32::MatchesWildcard("*.cab", "Data1.CAB"));
    EXPECT_TRUE(win32::MatchesWildcard("data?.cab", "DATA2.cab"));
    EXPECT_FALSE(win32::MatchesWildcard("data?.cab", "data12.cab"));
    EXPECT_TRUE(win32::MatchesWildcard("*", ".hidden"));
    EXPECT_TRUE(win32::MatchesWildcard("*.*", "Makefile"));
    EXPECT_TRUE(win32::MatchesWildcard("readme.", "README"));
    EXPECT_FALSE(win32::MatchesWildcard("*.cab", "cab"));
    EXPECT_TRUE(win32::MatchesWildcard("a*b*c", "aXXbYYbZc"));
}

TEST(Wildcard, ManyStarsStayFast) {
    std::string pattern(200, '*');
    pattern += "x";
    std::string name(5000, 'a');
    EXPECT_FALSE(win32::MatchesWildcard(pattern, name));
}

// Away from the two DOS forms ("*.*" and a trailing dot), '*' and '?' mean
// what they mean to fnmatch with case folding; random cases must agree.
TEST(Wildcard, AgreesWithFnmatchOnPlainPatterns) {
    std::mt19937 random(7);
    const char kPatternChars[] = "aAbB.*?";
    const char kNameChars[] = "aAbB.";
    for (int round = 0; round < 20000; ++round) {
        std::string pattern, name;
        for (size_t i = random() % 7; i > 0; --i) pattern += kPatternChars[random() % 7];
        for (size_t i = random() % 7; i > 0; --i) name += kNameChars[random() % 5];
        if (pattern == "*.*" || (!pattern.empty() && pattern.back() == '.')) continue;
        bool expected = fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
        ASSERT_EQ(win32::MatchesWildcard(pattern, name), expected)
            << "pattern '" << pattern << "' name '" << name << "'";
    }
}

TEST(FindFile, PatternMatchesWithoutRegardToCaseInNameOrder) {
    TempDir dir;
    WriteFile(dir.path() / "b.CAB", "12345");
    WriteFile(dir.path() / "A.cab", "1");
    WriteFile(dir.path() / "c.txt", "");
    auto found = Search(dir.str() + "/*.Cab");
    EXPECT_EQ(Names(found), (std::vector<std::string>{"A.cab", "b.CAB"}));
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[1].size, 5u);
    EXPECT_EQ(found[1].attributes, static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
}

TEST(FindFile, OnlyADirectoryMatchingIsStillAMatch) {
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "disk1.cab");
    auto found = Search(dir.str() + "/*.cab");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name, "disk1.cab");
    EXPECT_TRUE(found[0].attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(FindFile, PlainNameFindsTheEntryWhateverItsCase) {
    TempDir dir;
    WriteFile(dir.path() / "Product.msi", "x");
    EXPECT_EQ(Names(Search(dir.str() + "/PRODUCT.MSI")), (std::vector<std::string>{"Product.msi"}));
}

TEST(FindFile, StarListsDotEntriesFirst) {
    TempDir dir;
    WriteFile(dir.path() / "x", "");
    EXPECT_EQ(Names(Search(dir.str() + "/*")), (std::vector<std::string>{".", "..", "x"}));
}

TEST(FindFile, NoMatchAndMissingFolderAreTold) {
    TempDir dir;
    WIN32_FIND_DATAA data;
    EXPECT_EQ(FindFirstFileA((dir.str() + "/*.cab").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(FindFirstFileA((dir.str() + "/missing/*.cab").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(FindFirstFileA((dir.str() + "/").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(FindFile, WildcardInTheFolderPartIsABadName) {
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "sub");
    WIN32_FIND_DATAA data;
    EXPECT_EQ(FindFirstFileA((dir.str() + "/s*/x").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
}

TEST(FindFile, BadHandlesAreRefused) {
    WIN32_FIND_DATAA data;
    int not_a_search = 0;
    EXPECT_FALSE(FindNextFileA(&not_a_search, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(FindClose(INVALID_HANDLE_VALUE));
    EXPECT_FALSE(FindClose(nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(FindFile, ClosedHandleIsNoLongerValid) {
    TempDir dir;
    WriteFile(dir.path() / "f", "");
    WIN32_FIND_DATAA data;
    HANDLE handle = FindFirstFileA((dir.str() + "/f").c_str(), &data);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(FindClose(handle));
    EXPECT_FALSE(FindClose(handle));
}

}  // namespace
