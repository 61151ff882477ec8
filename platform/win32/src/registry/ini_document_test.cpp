#include "ini_document.h"

#include <gtest/gtest.h>

namespace win32 {
namespace {

using Names = std::vector<std::string>;

TEST(IniDocumentLookup, FindsSectionsAndKeysWithoutRegardToCase) {
    IniDocument doc("[Paths]\r\nTemp=C:\\Temp\r\n");
    EXPECT_EQ(doc.Value("PATHS", "temp"), "C:\\Temp");
    EXPECT_EQ(doc.Value("paths", "TEMP"), "C:\\Temp");
}

TEST(IniDocumentLookup, MissingSectionOrKeyHasNoValue) {
    IniDocument doc("[a]\nk=v\n");
    EXPECT_FALSE(doc.Value("b", "k").has_value());
    EXPECT_FALSE(doc.Value("a", "x").has_value());
}

TEST(IniDocumentLookup, BlanksAroundNamesAndValuesAreIgnored) {
    IniDocument doc("  [ Main ]  \n  Key  =  some value  \n");
    EXPECT_EQ(doc.Value("Main", "Key"), "some value");
}

TEST(IniDocumentLookup, OnePairOfMatchingQuotesIsRemoved) {
    IniDocument doc("[s]\na=\"quoted\"\nb='single'\nc=\"open\nd=\"\"x\"\"\n");
    EXPECT_EQ(doc.Value("s", "a"), "quoted");
    EXPECT_EQ(doc.Value("s", "b"), "single");
    EXPECT_EQ(doc.Value("s", "c"), "\"open");
    EXPECT_EQ(doc.Value("s", "d"), "\"x\"");
}

TEST(IniDocumentLookup, CommentsAndStrayLinesAreNeverFound) {
    IniDocument doc("orphan=1\n[s]\n;k=commented\n[broken\nk=real\n");
    EXPECT_FALSE(doc.Value("", "orphan").has_value());
    EXPECT_EQ(doc.Value("s", "k"), "real");
    EXPECT_EQ(doc.KeyNames("s"), (Names{"k"}));
}

TEST(IniDocumentLookup, FirstOfTwoEqualSectionsWins) {
    IniDocument doc("[s]\nk=first\n[S]\nk=second\n");
    EXPECT_EQ(doc.Value("s", "k"), "first");
    EXPECT_EQ(doc.SectionNames(), (Names{"s", "S"}));
}

TEST(IniDocumentLookup, KeyWithoutEqualsIsListedButHasNoValue) {
    IniDocument doc("[s]\nflag\nk=v\n");
    EXPECT_EQ(doc.KeyNames("s"), (Names{"flag", "k"}));
    EXPECT_FALSE(doc.Value("s", "flag").has_value());
}

TEST(IniDocumentLookup, EmptyValueIsAValue) {
    IniDocument doc("[s]\nk=\n");
    EXPECT_EQ(doc.Value("s", "k"), "");
}

TEST(IniDocumentEdit, ReplacingAValueKeepsEveryOtherByte) {
    const std::string before = "; top comment\r\n\r\n[s]\r\nKey = old\r\n; note\r\nother=1\r\n";
    IniDocument doc(before);
    EXPECT_TRUE(doc.SetValue("S", "key", "new"));
    EXPECT_EQ(doc.Text(), "; top comment\r\n\r\n[s]\r\nKey=new\r\n; note\r\nother=1\r\n");
}

TEST(IniDocumentEdit, SettingTheSameValueChangesNothing) {
    IniDocument doc("[s]\nk=v\n");
    EXPECT_FALSE(doc.SetValue("s", "K", "v"));
    EXPECT_EQ(doc.Text(), "[s]\nk=v\n");
}

TEST(IniDocumentEdit, NewKeyGoesBeforeTheBlankLinesThatEndItsSection) {
    IniDocument doc("[a]\nx=1\n\n[b]\ny=2\n");
    EXPECT_TRUE(doc.SetValue("a", "z", "3"));
    EXPECT_EQ(doc.Text(), "[a]\nx=1\nz=3\n\n[b]\ny=2\n");
}

TEST(IniDocumentEdit, NewSectionIsAppendedWithTheFilesLineEnds) {
    IniDocument doc("[a]\nx=1\n");
    EXPECT_TRUE(doc.SetValue("b", "y", "2"));
    EXPECT_EQ(doc.Text(), "[a]\nx=1\n[b]\ny=2\n");
}

TEST(IniDocumentEdit, NewDocumentUsesWindowsLineEnds) {
    IniDocument doc;
    doc.SetValue("s", "k", "v");
    EXPECT_EQ(doc.Text(), "[s]\r\nk=v\r\n");
}

TEST(IniDocumentEdit, DeletingAKeyRemovesOnlyItsLine) {
    IniDocument doc("[s]\na=1\nb=2\n[t]\nb=3\n");
    EXPECT_TRUE(doc.DeleteKey("s", "B"));
    EXPECT_EQ(doc.Text(), "[s]\na=1\n[t]\nb=3\n");
    EXPECT_FALSE(doc.DeleteKey("s", "b"));
}

TEST(IniDocumentEdit, DeletingASectionRemovesItUpToTheNextHeader) {
    IniDocument doc("; keep\n[a]\nx=1\n; inside\n[b]\ny=2\n");
    EXPECT_TRUE(doc.DeleteSection("A"));
    EXPECT_EQ(doc.Text(), "; keep\n[b]\ny=2\n");
    EXPECT_FALSE(doc.DeleteSection("a"));
}

TEST(IniDocumentEdit, ByteOrderMarkSurvivesAndDoesNotHideTheFirstSection) {
    IniDocument doc("\xEF\xBB\xBF[s]\nk=v\n");
    EXPECT_EQ(doc.Value("s", "k"), "v");
    doc.SetValue("s", "k", "w");
    EXPECT_EQ(doc.Text(), "\xEF\xBB\xBF[s]\nk=w\n");
}

TEST(IniDocumentEdit, LastLineWithoutLineEndGetsOne) {
    IniDocument doc("[s]\nk=v");
    doc.SetValue("s", "n", "1");
    EXPECT_EQ(doc.Text(), "[s]\nk=v\nn=1\n");
}

}  // namespace
}  // namespace win32
