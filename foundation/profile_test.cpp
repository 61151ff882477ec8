#include "profile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "path_style.h"
#include "profile_test_support.h"

namespace {

using testing_support::TraceCapture;

// Reads into a buffer of `size` bytes followed by guard bytes, and checks that
// nothing was written beyond `size`.
std::string Read(const char* key, const char* default_text, DWORD size, DWORD* count) {
    std::string buffer(size + 8, '#');
    *count = VSB_GetProfileString(key, default_text, buffer.data(), size);
    EXPECT_EQ(buffer.substr(size), std::string(8, '#')) << "written past the buffer";
    return buffer.substr(0, size);
}

std::string Value(const char* key, const char* default_text = "") {
    char buffer[256];
    VSB_GetProfileString(key, default_text, buffer, sizeof buffer);
    return buffer;
}

using ProfileBothModes = ProfileModeTest;

TEST_P(ProfileBothModes, WithoutALocationNothingIsReadOrWritten) {
    foundation::SetProfileLocation("",
                                   GetParam() == ProfileMode::kIni ? nullptr : HKEY_CURRENT_USER);
    VSB_SetProfileSection("Main");
    char buffer[16] = "garbage";
    EXPECT_EQ(VSB_GetProfileString("key", "default", buffer, sizeof buffer), 0u);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(VSB_WriteProfileString("key", "value"), 0);
    EXPECT_TRUE(dir_.Entries().empty());
}

TEST_P(ProfileBothModes, WithoutASectionNothingIsWritten) {
    EXPECT_EQ(VSB_WriteProfileString("key", "value"), 0);
    EXPECT_TRUE(dir_.Entries().empty());
}

TEST_P(ProfileBothModes, WrittenSettingReadsBackIgnoringCase) {
    EXPECT_EQ(VSB_SetProfileSection("Main"), "Main");
    ASSERT_NE(VSB_WriteProfileString("Color", "Blue"), 0);
    VSB_SetProfileSection("MAIN");
    DWORD count = 0;
    EXPECT_EQ(Read("color", "none", 16, &count).substr(0, 5), std::string("Blue\0", 5));
    EXPECT_EQ(count, 4u);
}

TEST_P(ProfileBothModes, MissingSettingGivesTheDefaultAndItsLength) {
    VSB_SetProfileSection("Main");
    VSB_WriteProfileString("Other", "x");
    DWORD count = 0;
    EXPECT_EQ(Read("Missing", "fallback", 16, &count).substr(0, 9), std::string("fallback\0", 9));
    EXPECT_EQ(count, 8u);
    VSB_SetProfileSection("NoSuchSection");
    EXPECT_EQ(Read("Missing", "fallback", 16, &count).substr(0, 9), std::string("fallback\0", 9));
    EXPECT_EQ(count, 8u);
}

TEST_P(ProfileBothModes, LongValueIsCutToTheBuffer) {
    VSB_SetProfileSection("Main");
    VSB_WriteProfileString("Long", "abcdefghij");
    DWORD count = 0;
    EXPECT_EQ(Read("Long", "", 5, &count), std::string("abcd\0", 5));
    EXPECT_EQ(count, 4u);
    // Every size around the one that just fits (Read checks the guard bytes).
    const std::string value = "abcdefghij";
    for (DWORD size = 1; size <= value.size() + 2; ++size) {
        const std::string got = Read("Long", "", size, &count);
        const size_t kept = std::min<size_t>(value.size(), size - 1);
        EXPECT_EQ(count, kept) << size;
        EXPECT_EQ(got.substr(0, kept + 1), value.substr(0, kept) + '\0') << size;
    }
}

TEST_P(ProfileBothModes, KeyListNamesTheSettingsEndedByADoubleZero) {
    VSB_SetProfileSection("Main");
    VSB_WriteProfileString("alpha", "1");
    VSB_WriteProfileString("beta", "2");
    DWORD count = 0;
    std::string list = Read(nullptr, "", 32, &count);
    EXPECT_EQ(list.substr(0, 12), std::string("alpha\0beta\0\0", 12));
    EXPECT_EQ(count, 11u);
}

TEST_P(ProfileBothModes, ShortBufferKeepsTheKeyListInsideTheBuffer) {
    VSB_SetProfileSection("Main");
    VSB_WriteProfileString("alpha", "1");
    VSB_WriteProfileString("beta", "2");
    for (DWORD size = 1; size <= 12; ++size) {
        DWORD count = 0;
        std::string list = Read(nullptr, "", size, &count);
        ASSERT_LT(count, size);
        // Walking the names reaches the empty name that ends the list before
        // the end of the buffer.
        size_t at = 0;
        while (at < size && list[at] != '\0') at += std::strlen(list.c_str() + at) + 1;
        EXPECT_LT(at, size) << "size " << size;
    }
}

TEST_P(ProfileBothModes, NoValueDeletesTheSetting) {
    VSB_SetProfileSection("Main");
    VSB_WriteProfileString("a", "1");
    VSB_WriteProfileString("b", "2");
    EXPECT_NE(VSB_WriteProfileString("a", nullptr), 0);
    EXPECT_EQ(Value("a", "gone"), "gone");
    EXPECT_EQ(Value("b"), "2");
}

TEST_P(ProfileBothModes, NoKeyDeletesTheSection) {
    VSB_SetProfileSection("Main");
    VSB_WriteProfileString("a", "1");
    VSB_SetProfileSection("Other");
    VSB_WriteProfileString("a", "kept");
    VSB_SetProfileSection("Main");
    EXPECT_NE(VSB_WriteProfileString(nullptr, nullptr), 0);
    DWORD count = 9;
    Read(nullptr, "", 32, &count);
    EXPECT_EQ(count, 0u);
    VSB_SetProfileSection("Other");
    EXPECT_EQ(Value("a"), "kept");
}

INSTANTIATE_TEST_SUITE_P(Modes, ProfileBothModes,
                         ::testing::Values(ProfileMode::kIni, ProfileMode::kRegistry), ModeName);

using ProfileIni = ProfileTestBase;

TEST_F(ProfileIni, SettingsLiveInTheIniFile) {
    UseProfile(ProfileMode::kIni);
    VSB_SetProfileSection("Main");
    VSB_WriteProfileString("Color", "Blue");
    EXPECT_EQ(testing_support::ReadFile(ini_path()), "[Main]\r\nColor=Blue\r\n");
}

TEST_F(ProfileIni, FailedWriteIsReportedAndGivesZero) {
    foundation::SetProfileLocation((dir_.path() / "missing" / "p.ini").string(), nullptr);
    VSB_SetProfileSection("Main");
    TraceCapture trace;
    EXPECT_EQ(VSB_WriteProfileString("k", "v"), 0);
    ASSERT_EQ(trace.Lines().size(), 1u);
    EXPECT_EQ(trace.Lines()[0].rfind("Error in line", 0), 0u);
}

TEST_F(ProfileIni, EmptySectionReadsTheSectionNames) {
    UseProfile(ProfileMode::kIni);
    VSB_SetProfileSection("One");
    VSB_WriteProfileString("a", "1");
    VSB_SetProfileSection("Two");
    VSB_WriteProfileString("b", "2");
    VSB_SetProfileSection("");
    DWORD count = 0;
    EXPECT_EQ(Read("a", "", 16, &count).substr(0, 9), std::string("One\0Two\0\0", 9));
    EXPECT_EQ(count, 8u);
}

using ProfileRegistry = ProfileTestBase;

TEST_F(ProfileRegistry, SettingsAreStringValuesOfTheSectionKey) {
    UseProfile(ProfileMode::kRegistry);
    VSB_SetProfileSection("Main");
    VSB_WriteProfileString("Color", "Blue");
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\VsbTest\\Main", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    char buffer[16];
    DWORD type = 0, size = sizeof buffer;
    EXPECT_EQ(
        RegQueryValueExA(key, "Color", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_STREQ(buffer, "Blue");
    RegCloseKey(key);
}

TEST_F(ProfileRegistry, KeyListLeavesOutValuesThatAreNotStrings) {
    UseProfile(ProfileMode::kRegistry);
    VSB_SetProfileSection("Main");
    VSB_WriteProfileString("text", "1");
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\VsbTest\\Main", 0, KEY_WRITE, &key),
              ERROR_SUCCESS);
    const DWORD number = 7;
    RegSetValueExA(key, "number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4);
    RegCloseKey(key);
    DWORD count = 0;
    EXPECT_EQ(Read(nullptr, "", 16, &count).substr(0, 6), std::string("text\0\0", 6));
    EXPECT_EQ(count, 5u);
}

TEST_F(ProfileRegistry, ValueWithoutAZeroByteIsEndedInsideTheBuffer) {
    UseProfile(ProfileMode::kRegistry);
    VSB_SetProfileSection("Main");
    VSB_WriteProfileString("seed", "x");  // makes the section key
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\VsbTest\\Main", 0, KEY_WRITE, &key),
              ERROR_SUCCESS);
    RegSetValueExA(key, "raw", 0, REG_SZ, reinterpret_cast<const BYTE*>("abcd"), 4);
    RegCloseKey(key);
    DWORD count = 0;
    EXPECT_EQ(Read("raw", "", 4, &count), std::string("abc\0", 4));
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(Read("raw", "", 8, &count).substr(0, 5), std::string("abcd\0", 5));
    EXPECT_EQ(count, 4u);
}

TEST_F(ProfileRegistry, SectionPathUsesBackslashesWhateverThePathStyle) {
    UseProfile(ProfileMode::kRegistry);
    foundation::ScopedPathStyle native(VSB_PATH_NATIVE);
    VSB_SetProfileSection("Main");
    ASSERT_NE(VSB_WriteProfileString("k", "v"), 0);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\VsbTest\\Main", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST_F(ProfileRegistry, ReadingNeverCreatesKeys) {
    UseProfile(ProfileMode::kRegistry);
    VSB_SetProfileSection("Main");
    EXPECT_EQ(Value("k", "d"), "d");
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "registry.txt"));
}

}  // namespace
