#include "path_functions.h"

#include <gtest/gtest.h>

#include "path_test_support.h"

namespace foundation {
namespace {

struct Split {
    std::uint32_t flags;
    std::string folder, name, extension;
};

Split SplitOf(const char* path) {
    Split s;
    s.flags = VSB_SplitPath(path, &s.folder, &s.name, &s.extension);
    return s;
}

// ---- Windows style, cases as written for Windows paths ----

TEST_F(WindowsPathTest, SplitPathOfFullPathGivesFolderNameExtensionAndAllThreeFlags) {
    Split s = SplitOf("C:\\Setup\\product.msi");
    EXPECT_EQ(s.folder, "C:\\Setup\\");
    EXPECT_EQ(s.name, "product");
    EXPECT_EQ(s.extension, ".msi");
    EXPECT_EQ(s.flags, 7u);
}

TEST_F(WindowsPathTest, SplitPathOfBareNameHasOnlyNameFlag) {
    Split s = SplitOf("readme");
    EXPECT_EQ(s.flags, static_cast<std::uint32_t>(VSB_SPLIT_HAS_NAME));
    EXPECT_EQ(s.name, "readme");
    EXPECT_EQ(s.folder, "");
    EXPECT_EQ(s.extension, "");
}

TEST_F(WindowsPathTest, SplitPathMarksWildcardsInTheFileNamePartOnly) {
    EXPECT_EQ(VSB_SplitPath("C:\\Out\\*.cab"), 15u);
    EXPECT_EQ(VSB_SplitPath("data?.tbl"), 1u | 2u | 8u);
    // A "?" in the folder is not a wildcard of the file name.
    EXPECT_EQ(VSB_SplitPath("C:\\a?b\\file.txt"), 7u);
}

TEST_F(WindowsPathTest, SplitPathOfServerShareIsAllFolder) {
    Split s = SplitOf("\\\\server\\share");
    EXPECT_EQ(s.folder, "\\\\server\\share");
    EXPECT_EQ(s.name, "");
    EXPECT_EQ(s.extension, "");
    EXPECT_EQ(s.flags, static_cast<std::uint32_t>(VSB_SPLIT_HAS_DIR));
}

TEST_F(WindowsPathTest, SplitPathOfFileOnServerShareSplitsAtLastBackslash) {
    Split s = SplitOf("\\\\server\\share\\setup.msi");
    EXPECT_EQ(s.folder, "\\\\server\\share\\");
    EXPECT_EQ(s.name, "setup");
    EXPECT_EQ(s.extension, ".msi");
}

TEST_F(WindowsPathTest, SplitPathAfterDriveColonWhenThereIsNoBackslash) {
    Split s = SplitOf("C:file.txt");
    EXPECT_EQ(s.folder, "C:");
    EXPECT_EQ(s.name, "file");
    EXPECT_EQ(s.extension, ".txt");
}

TEST_F(WindowsPathTest, SplitPathTakesTheLastDotOfTheFileNameOnly) {
    Split s = SplitOf("C:\\v1.2\\archive.tar.gz");
    EXPECT_EQ(s.folder, "C:\\v1.2\\");
    EXPECT_EQ(s.name, "archive.tar");
    EXPECT_EQ(s.extension, ".gz");
    Split no_ext = SplitOf("C:\\v1.2\\Makefile");
    EXPECT_EQ(no_ext.name, "Makefile");
    EXPECT_EQ(no_ext.extension, "");
    EXPECT_EQ(no_ext.flags, 6u);
}

TEST_F(WindowsPathTest, SplitPathOfEmptyOrNullPathGivesNothing) {
    std::string folder = "stale";
    EXPECT_EQ(VSB_SplitPath(static_cast<const char*>(nullptr), &folder), 0u);
    EXPECT_EQ(folder, "");
    EXPECT_EQ(VSB_SplitPath(""), 0u);
}

TEST_F(WindowsPathTest, SplitPathRefusesPartsLongerThanTheirBuffer) {
    const std::string long_name(VSB_MAX_SPLIT_PART + 1, 'n');
    std::string name = "stale";
    EXPECT_EQ(VSB_SplitPath("C:\\" + long_name + ".msi", nullptr, &name), 0u);
    EXPECT_EQ(name, "");
    // Exactly at the limit still fits.
    const std::string fitting(VSB_MAX_SPLIT_PART, 'n');
    EXPECT_EQ(VSB_SplitPath("C:\\" + fitting + ".msi", nullptr, &name), 7u);
    EXPECT_EQ(name, fitting);
}

TEST_F(WindowsPathTest, MakePathKeepsOnlyTheFileNameOfAnAbsoluteName) {
    EXPECT_EQ(VSB_MakePath("C:\\Out", "C:\\Setup\\product.msi"), "C:\\Out\\product.msi");
}

TEST_F(WindowsPathTest, MakePathAppendsALoneDotToANameWithoutOne) {
    EXPECT_EQ(VSB_MakePath("C:\\Out", "readme"), "C:\\Out\\readme.");
}

TEST_F(WindowsPathTest, MakePathAppendsTheExtensionEvenAfterAnExistingOne) {
    EXPECT_EQ(VSB_MakePath("C:\\Out", "a.b", "txt"), "C:\\Out\\a.b.txt");
    EXPECT_EQ(VSB_MakePath("C:\\Out", "a", ".tbl"), "C:\\Out\\a.tbl");
}

TEST_F(WindowsPathTest, MakePathCutsADriveRelativeNameAfterItsColon) {
    EXPECT_EQ(VSB_MakePath("C:\\Out", "C:file"), "C:\\Out\\file.");
}

TEST_F(WindowsPathTest, MakePathKeepsARelativeSubFolderName) {
    EXPECT_EQ(VSB_MakePath("C:\\Out\\", "sub\\file.cab"), "C:\\Out\\sub\\file.cab");
}

TEST_F(WindowsPathTest, MakePathKeepsAVariableNameWithoutSeparatorWhole) {
    // "%TEMP%" counts as absolute but has nothing to cut at.
    EXPECT_EQ(VSB_MakePath("C:\\Out", "%TEMP%", "log"), "C:\\Out\\%TEMP%.log");
    EXPECT_EQ(VSB_MakePath("C:\\Out", "%TEMP%\\x.log"), "C:\\Out\\x.log");
}

TEST_F(WindowsPathTest, StripTrailingBackslashKeepsDriveRoot) {
    EXPECT_EQ(VSB_StripTrailingBackslash("C:\\"), "C:\\");
    EXPECT_EQ(VSB_StripTrailingBackslash("C:\\Temp\\"), "C:\\Temp");
    EXPECT_EQ(VSB_StripTrailingBackslash("C:\\Temp \t"), "C:\\Temp");
    // Only one backslash goes.
    EXPECT_EQ(VSB_StripTrailingBackslash("C:\\Temp\\\\"), "C:\\Temp\\");
}

TEST_F(WindowsPathTest, AddTrailingBackslashAddsExactlyOne) {
    EXPECT_EQ(VSB_AddTrailingBackslash("C:\\Temp"), "C:\\Temp\\");
    EXPECT_EQ(VSB_AddTrailingBackslash("C:\\Temp\\"), "C:\\Temp\\");
    EXPECT_EQ(VSB_AddTrailingBackslash("C:\\Temp  "), "C:\\Temp\\");
    EXPECT_EQ(VSB_AddTrailingBackslash(""), "\\");
}

TEST_F(WindowsPathTest, JoinPathDropsOneLeadingBackslashOfTheName) {
    EXPECT_EQ(VSB_JoinPath("C:\\Temp", "\\product"), "C:\\Temp\\product");
    EXPECT_EQ(VSB_JoinPath("C:\\Temp\\", "product"), "C:\\Temp\\product");
    EXPECT_EQ(VSB_JoinPath("C:\\Temp", "\\\\product"), "C:\\Temp\\\\product");
}

TEST_F(WindowsPathTest, IsAbsolutePathFollowsItsRulesInOrder) {
    EXPECT_FALSE(VSB_IsAbsolutePath(static_cast<const char*>(nullptr)));
    EXPECT_FALSE(VSB_IsAbsolutePath(""));
    EXPECT_FALSE(VSB_IsAbsolutePath("sub\\file.txt"));
    EXPECT_FALSE(VSB_IsAbsolutePath("file.txt"));
    EXPECT_TRUE(VSB_IsAbsolutePath("%TEMP%"));
    EXPECT_TRUE(VSB_IsAbsolutePath(".\\file.txt"));
    EXPECT_TRUE(VSB_IsAbsolutePath("\\\\server\\share"));
    EXPECT_TRUE(VSB_IsAbsolutePath("C:\\Setup"));
    // The first ":\" must be right after a one-character drive name.
    EXPECT_FALSE(VSB_IsAbsolutePath("CD:\\Setup"));
    EXPECT_FALSE(VSB_IsAbsolutePath("\\Setup"));
    EXPECT_FALSE(VSB_IsAbsolutePath("C:file"));
}

TEST_F(WindowsPathTest, IsUncPathNeedsServerAndFurtherBackslash) {
    EXPECT_TRUE(VSB_IsUncPath("\\\\server\\share"));
    EXPECT_FALSE(VSB_IsUncPath("\\\\server"));
    EXPECT_FALSE(VSB_IsUncPath("\\server\\share"));
    EXPECT_FALSE(VSB_IsUncPath(static_cast<const char*>(nullptr)));
}

// ---- Windows style with double-byte characters (code page 932) ----

// "\x95\x5C" is one character whose second byte has the value of a backslash.
TEST_F(WindowsPathTest, TrailByteOfBackslashValueIsNoSeparatorInSplit) {
    ScopedCodePage932 cp;
    Split s = SplitOf("C:\\dir\\\x95\x5C.msi");
    EXPECT_EQ(s.folder, "C:\\dir\\");
    EXPECT_EQ(s.name, "\x95\x5C");
    EXPECT_EQ(s.extension, ".msi");
}

TEST_F(WindowsPathTest, TrailByteOfBackslashValueDoesNotCountAsTrailingBackslash) {
    ScopedCodePage932 cp;
    EXPECT_EQ(VSB_AddTrailingBackslash("C:\\\x95\x5C"), "C:\\\x95\x5C\\");
    EXPECT_EQ(VSB_StripTrailingBackslash("C:\\dir\\\x95\x5C"), "C:\\dir\\\x95\x5C");
    EXPECT_EQ(VSB_JoinPath("C:\\\x95\x5C", "a.txt"), "C:\\\x95\x5C\\a.txt");
}

TEST_F(WindowsPathTest, BackslashAfterDoubleByteCharacterWithLeadByteValuedTrailIsFound) {
    ScopedCodePage932 cp;
    // 95 95 is one character, then a real backslash: a backward search that
    // looks only at the byte before would take the backslash for a trail byte.
    Split s = SplitOf("\x95\x95\\file.txt");
    EXPECT_EQ(s.folder, "\x95\x95\\");
    EXPECT_EQ(s.name, "file");
}

TEST_F(WindowsPathTest, MakePathCutsAbsoluteDoubleByteNameAtARealBackslashOnly) {
    ScopedCodePage932 cp;
    EXPECT_EQ(VSB_MakePath("C:\\Out", "C:\\\x83\x5C\x95\x5C.msi"), "C:\\Out\\\x83\x5C\x95\x5C.msi");
}

TEST_F(WindowsPathTest, IsUncPathIgnoresTrailBytesOfBackslashValue) {
    ScopedCodePage932 cp;
    EXPECT_FALSE(VSB_IsUncPath("\\\\\x95\x5Cserver"));
    EXPECT_TRUE(VSB_IsUncPath("\\\\\x95\x5C\\share"));
}

// ---- The same algorithms in the native style ----

TEST_F(NativePathTest, SplitPathOfFullPath) {
    Split s = SplitOf("/setup/product.msi");
    EXPECT_EQ(s.folder, "/setup/");
    EXPECT_EQ(s.name, "product");
    EXPECT_EQ(s.extension, ".msi");
    EXPECT_EQ(s.flags, 7u);
}

TEST_F(NativePathTest, SplitPathKnowsNoDrivesOrShares) {
    // A colon is an ordinary character of a native name.
    Split drive = SplitOf("C:file.txt");
    EXPECT_EQ(drive.folder, "");
    EXPECT_EQ(drive.name, "C:file");
    Split share = SplitOf("//server/share");
    EXPECT_EQ(share.folder, "//server/");
    EXPECT_EQ(share.name, "share");
    // Backslashes are ordinary characters too.
    EXPECT_EQ(VSB_SplitPath("a\\b.txt"), 3u);
}

TEST_F(NativePathTest, SplitPathMarksWildcards) {
    EXPECT_EQ(VSB_SplitPath("/out/*.cab"), 15u);
}

TEST_F(NativePathTest, MakePathKeepsOnlyTheFileNameOfAnAbsoluteName) {
    EXPECT_EQ(VSB_MakePath("/out", "/setup/product.msi"), "/out/product.msi");
    EXPECT_EQ(VSB_MakePath("/out", "readme"), "/out/readme.");
    EXPECT_EQ(VSB_MakePath("/out", "a.b", "txt"), "/out/a.b.txt");
    EXPECT_EQ(VSB_MakePath("/out/", "sub/file.cab"), "/out/sub/file.cab");
    EXPECT_EQ(VSB_MakePath("/out", "C:file"), "/out/C:file.");
}

TEST_F(NativePathTest, StripTrailingSeparatorKeepsRoot) {
    EXPECT_EQ(VSB_StripTrailingBackslash("/"), "/");
    EXPECT_EQ(VSB_StripTrailingBackslash("/a/"), "/a");
    EXPECT_EQ(VSB_StripTrailingBackslash("/tmp/ "), "/tmp");
    // A backslash is no separator here.
    EXPECT_EQ(VSB_StripTrailingBackslash("/tmp\\"), "/tmp\\");
}

TEST_F(NativePathTest, AddAndJoinUseSlash) {
    EXPECT_EQ(VSB_AddTrailingBackslash("/tmp"), "/tmp/");
    EXPECT_EQ(VSB_AddTrailingBackslash(""), "/");
    EXPECT_EQ(VSB_JoinPath("/tmp", "/product"), "/tmp/product");
    EXPECT_EQ(VSB_JoinPath("/tmp/", "product"), "/tmp/product");
}

TEST_F(NativePathTest, IsAbsolutePathMeansLeadingSlash) {
    EXPECT_TRUE(VSB_IsAbsolutePath("/tmp/x"));
    EXPECT_TRUE(VSB_IsAbsolutePath("%HOME%"));
    EXPECT_TRUE(VSB_IsAbsolutePath("./x"));
    EXPECT_FALSE(VSB_IsAbsolutePath("sub/file.txt"));
    EXPECT_FALSE(VSB_IsAbsolutePath("C:\\Setup"));
    EXPECT_FALSE(VSB_IsUncPath("\\\\server\\share"));
}

TEST_F(NativePathTest, DoubleByteNamesSplitAtRealSeparators) {
    ScopedCodePage932 cp;
    Split s = SplitOf("/\x95\x5C/\x95\x95.txt");
    EXPECT_EQ(s.folder, "/\x95\x5C/");
    EXPECT_EQ(s.name, "\x95\x95");
    EXPECT_EQ(s.extension, ".txt");
}

TEST_F(NativePathTest, Utf8NamesStayWhole) {
    Split s = SplitOf("/tmp/caf\xC3\xA9.d\xC3\xA9");
    EXPECT_EQ(s.name, "caf\xC3\xA9");
    EXPECT_EQ(s.extension, ".d\xC3\xA9");
}

}  // namespace
}  // namespace foundation
