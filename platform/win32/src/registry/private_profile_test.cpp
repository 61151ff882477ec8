#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "test_support.h"
#include "win32/lasterror.h"
#include "win32/profile.h"
#include "win32/winerror.h"

namespace {

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

class PrivateProfileTest : public ::testing::Test {
  protected:
    std::string Ini(const std::string& content) {
        WriteFile(dir_.path() / "test.ini", content);
        return path();
    }
    std::string path() const { return (dir_.path() / "test.ini").string(); }
    std::string Get(const char* section, const char* key, const char* def, DWORD size,
                    DWORD* count) {
        std::string buffer(size + 4, '#');
        *count = GetPrivateProfileStringA(section, key, def, buffer.data(), size, path().c_str());
        return buffer.substr(0, size);
    }
    TempDir dir_;
};

TEST_F(PrivateProfileTest, ReadsAValueIgnoringCase) {
    Ini("[Settings]\r\nColor=Blue\r\n");
    char buffer[64];
    EXPECT_EQ(GetPrivateProfileStringA("SETTINGS", "color", "none", buffer, 64, path().c_str()),
              4u);
    EXPECT_STREQ(buffer, "Blue");
}

TEST_F(PrivateProfileTest, MissingKeyGivesTheDefaultWithoutTrailingBlanks) {
    Ini("[s]\nk=v\n");
    char buffer[64];
    EXPECT_EQ(GetPrivateProfileStringA("s", "other", "fallback  ", buffer, 64, path().c_str()), 8u);
    EXPECT_STREQ(buffer, "fallback");
    EXPECT_EQ(GetPrivateProfileStringA("s", "other", nullptr, buffer, 64, path().c_str()), 0u);
    EXPECT_STREQ(buffer, "");
}

TEST_F(PrivateProfileTest, MissingFileGivesTheDefaultAndFileNotFound) {
    char buffer[64];
    SetLastError(0);
    EXPECT_EQ(GetPrivateProfileStringA("s", "k", "def", buffer, 64, path().c_str()), 3u);
    EXPECT_STREQ(buffer, "def");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(PrivateProfileTest, ValueTooLongIsCutToSizeMinusOne) {
    Ini("[s]\nk=abcdefgh\n");
    DWORD count = 0;
    std::string got = Get("s", "k", "", 5, &count);
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(got, std::string("abcd\0", 5));
}

TEST_F(PrivateProfileTest, KeyListEndsEachNameAndTheListWithZeroBytes) {
    Ini("[s]\nalpha=1\n; not a key\nbeta=2\n[t]\ngamma=3\n");
    DWORD count = 0;
    std::string got = Get("S", nullptr, "", 32, &count);
    EXPECT_EQ(count, 11u);
    EXPECT_EQ(got.substr(0, 12), std::string("alpha\0beta\0\0", 12));
}

TEST_F(PrivateProfileTest, CutKeyListEndsInTwoZeroBytesAndCountsSizeMinusTwo) {
    Ini("[s]\nalpha=1\nbeta=2\n");
    DWORD count = 0;
    // The whole list needs 12 bytes; with 9 the cut falls inside "beta".
    std::string got = Get("s", nullptr, "", 9, &count);
    EXPECT_EQ(count, 7u);
    EXPECT_EQ(got, std::string("alpha\0b\0\0", 9));
}

TEST_F(PrivateProfileTest, ListThatJustFitsIsNotCut) {
    Ini("[s]\nalpha=1\nbeta=2\n");
    DWORD count = 0;
    std::string got = Get("s", nullptr, "", 12, &count);
    EXPECT_EQ(count, 11u);
    EXPECT_EQ(got, std::string("alpha\0beta\0\0", 12));
}

TEST_F(PrivateProfileTest, SectionListNamesEverySection) {
    Ini("[one]\na=1\n[Two]\n[three]\n");
    DWORD count = 0;
    std::string got = Get(nullptr, nullptr, "", 64, &count);
    EXPECT_EQ(count, 14u);
    EXPECT_EQ(got.substr(0, 15), std::string("one\0Two\0three\0\0", 15));
}

TEST_F(PrivateProfileTest, EmptyOrMissingSectionGivesAnEmptyList) {
    Ini("[empty]\n");
    DWORD count = 7;
    std::string got = Get("empty", nullptr, "default is not used", 8, &count);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(got.substr(0, 2), std::string("\0\0", 2));
    got = Get("missing", nullptr, "x", 8, &count);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(got[0], '\0');
}

TEST_F(PrivateProfileTest, TinyBuffersAreNeverOverrun) {
    Ini("[s]\nk=value\n");
    DWORD count = 9;
    std::string got = Get("s", nullptr, "", 1, &count);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(got, std::string("\0", 1));
    got = Get("s", "k", "", 1, &count);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(got, std::string("\0", 1));
    char untouched = 'x';
    EXPECT_EQ(GetPrivateProfileStringA("s", "k", "", &untouched, 0, path().c_str()), 0u);
    EXPECT_EQ(untouched, 'x');
}

TEST_F(PrivateProfileTest, WriteCreatesTheFile) {
    ASSERT_TRUE(WritePrivateProfileStringA("Main", "Name", "Value", path().c_str()));
    EXPECT_EQ(ReadFile(path()), "[Main]\r\nName=Value\r\n");
}

TEST_F(PrivateProfileTest, WriteReplacesInPlaceAndKeepsCommentsAndBlankLines) {
    Ini("; settings\n\n[a]\nx = 1\n\n; b follows\n[b]\ny=2\n");
    ASSERT_TRUE(WritePrivateProfileStringA("A", "X", "42", path().c_str()));
    EXPECT_EQ(ReadFile(path()), "; settings\n\n[a]\nx=42\n\n; b follows\n[b]\ny=2\n");
}

TEST_F(PrivateProfileTest, WriteWithoutValueDeletesTheKey) {
    Ini("[a]\nx=1\ny=2\n");
    ASSERT_TRUE(WritePrivateProfileStringA("a", "x", nullptr, path().c_str()));
    EXPECT_EQ(ReadFile(path()), "[a]\ny=2\n");
}

TEST_F(PrivateProfileTest, WriteWithoutKeyDeletesTheSection) {
    Ini("[a]\nx=1\n[b]\ny=2\n");
    ASSERT_TRUE(WritePrivateProfileStringA("a", nullptr, nullptr, path().c_str()));
    EXPECT_EQ(ReadFile(path()), "[b]\ny=2\n");
}

TEST_F(PrivateProfileTest, DeletingFromAMissingFileDoesNotCreateIt) {
    ASSERT_TRUE(WritePrivateProfileStringA("a", nullptr, nullptr, path().c_str()));
    EXPECT_FALSE(std::filesystem::exists(path()));
}

TEST_F(PrivateProfileTest, WriteReplacesTheFileInsteadOfRewritingIt) {
    Ini("[a]\nx=1\n");
    // A reader that opened the old file keeps seeing all of it: the new text
    // went to a new file that was renamed over the old name.
    int old_fd = ::open(path().c_str(), O_RDONLY);
    ASSERT_GE(old_fd, 0);
    ASSERT_TRUE(WritePrivateProfileStringA("a", "x", "2", path().c_str()));
    char buffer[32] = {};
    ssize_t n = ::pread(old_fd, buffer, sizeof buffer - 1, 0);
    ::close(old_fd);
    EXPECT_EQ(std::string(buffer, n > 0 ? n : 0), "[a]\nx=1\n");
    EXPECT_EQ(ReadFile(path()), "[a]\nx=2\n");
    EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"test.ini"});
}

TEST_F(PrivateProfileTest, WriteThroughASymbolicLinkChangesTheTarget) {
    Ini("[a]\nx=1\n");
    std::string link = (dir_.path() / "link.ini").string();
    std::filesystem::create_symlink(path(), link);
    ASSERT_TRUE(WritePrivateProfileStringA("a", "x", "2", link.c_str()));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFile(path()), "[a]\nx=2\n");
}

TEST_F(PrivateProfileTest, WriteIntoAMissingFolderFailsWithPathNotFound) {
    std::string missing = (dir_.path() / "no" / "such.ini").string();
    SetLastError(0);
    EXPECT_FALSE(WritePrivateProfileStringA("a", "x", "1", missing.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(PrivateProfileTest, TextsThatWouldForgeOtherLinesAreRefused) {
    const std::string before = "[a]\nx=1\n";
    Ini(before);
    const std::string file = path();
    const char* p = file.c_str();
    SetLastError(0);
    EXPECT_FALSE(WritePrivateProfileStringA("a", "x", "1\n[admin]\nrole=root", p));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(WritePrivateProfileStringA("a", "k=v", "1", p));
    EXPECT_FALSE(WritePrivateProfileStringA("a", "[b]", "1", p));
    EXPECT_FALSE(WritePrivateProfileStringA("a", ";c", "1", p));
    EXPECT_FALSE(WritePrivateProfileStringA("a]x", "k", "1", p));
    EXPECT_FALSE(WritePrivateProfileStringA("a\r\nb", "k", "1", p));
    EXPECT_EQ(ReadFile(file), before);
}

TEST_F(PrivateProfileTest, WrittenValuesReadBack) {
    std::string file = path();
    ASSERT_TRUE(WritePrivateProfileStringA("s", "one", "first value", file.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("s", "two", "", file.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("t", "one", "other section", file.c_str()));
    char buffer[64];
    EXPECT_EQ(GetPrivateProfileStringA("s", "ONE", "", buffer, 64, file.c_str()), 11u);
    EXPECT_STREQ(buffer, "first value");
    EXPECT_EQ(GetPrivateProfileStringA("s", "two", "def", buffer, 64, file.c_str()), 0u);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(GetPrivateProfileStringA("t", "one", "", buffer, 64, file.c_str()), 13u);
}

TEST_F(PrivateProfileTest, BareFileNameLivesInTheConfigurationFolder) {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    std::string saved = old ? old : "";
    setenv("XDG_CONFIG_HOME", dir_.str().c_str(), 1);
    bool written = WritePrivateProfileStringA("s", "k", "v", "bare.ini");
    char buffer[16];
    DWORD count = GetPrivateProfileStringA("s", "k", "", buffer, 16, "bare.ini");
    if (old)
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
    ASSERT_TRUE(written);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(ReadFile(dir_.path() / "vsb" / "bare.ini"), "[s]\r\nk=v\r\n");
}

TEST_F(PrivateProfileTest, NoFileNameIsAnInvalidParameter) {
    char buffer[8] = "x";
    EXPECT_EQ(GetPrivateProfileStringA("s", "k", "d", buffer, 8, nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "v", nullptr));
}

}  // namespace
