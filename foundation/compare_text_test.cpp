#include "compare_text.h"

#include <gtest/gtest.h>

#include "path_test_support.h"

namespace foundation {
namespace {

TEST(CompareTextNoCase, IgnoresAsciiLetterCase) {
    EXPECT_EQ(VSB_CompareText("C:\\Temp\\A.tmp", "c:\\temp\\a.TMP", VSB_CMP_NOCASE), 0);
    EXPECT_LT(VSB_CompareText("abc", "ABD", VSB_CMP_NOCASE), 0);
    // Every mode that is not one of the named ones compares like mode 0.
    EXPECT_EQ(VSB_CompareText("abc", "ABC", 4), 0);
    EXPECT_EQ(VSB_CompareText("abc", "ABC", 15), 0);
    EXPECT_NE(VSB_CompareText("abc", "ABD", 15), 0);
}

TEST(CompareTextNoCase, FoldsAsciiOnly) {
    // É and é are different characters: only a to z fold.
    EXPECT_NE(VSB_CompareText("\xC3\x89", "\xC3\xA9", VSB_CMP_NOCASE), 0);
}

TEST(CompareTextExact, RespectsCase) {
    EXPECT_EQ(VSB_CompareText("abc", "abc", VSB_CMP_EXACT), 0);
    EXPECT_NE(VSB_CompareText("abc", "ABC", VSB_CMP_EXACT), 0);
}

TEST(CompareTextAny, EveryPairIsEqual) {
    EXPECT_EQ(VSB_CompareText("abc", "xyz", VSB_CMP_ANY), 0);
    EXPECT_EQ(VSB_CompareText("", "xyz", VSB_CMP_ANY), 0);
}

TEST(CompareTextWildcard, QuestionMarkMatchesAnyOneCharacterOnEitherSide) {
    EXPECT_EQ(VSB_CompareText("da?a.cab", "DATA.CAB", VSB_CMP_WILDCARD), 0);
    EXPECT_EQ(VSB_CompareText("DATA.CAB", "da?a.cab", VSB_CMP_WILDCARD), 0);
    EXPECT_EQ(VSB_CompareText("a?c",
                              "a\xC3\xA9"
                              "c",
                              VSB_CMP_WILDCARD),
              0);
}

TEST(CompareTextWildcard, OrdersByFirstDifferingUpperCasedLetter) {
    EXPECT_EQ(VSB_CompareText("abc", "ABD", VSB_CMP_WILDCARD), -1);
    EXPECT_EQ(VSB_CompareText("abd", "ABC", VSB_CMP_WILDCARD), 1);
    // "_" (0x5F) sits between the upper- and lower-case letters.
    EXPECT_EQ(VSB_CompareText("a_", "aB", VSB_CMP_WILDCARD), 1);
}

TEST(CompareTextWildcard, ShorterTextIsSmaller) {
    EXPECT_EQ(VSB_CompareText("ab", "abc", VSB_CMP_WILDCARD), -1);
    EXPECT_EQ(VSB_CompareText("abc", "ab", VSB_CMP_WILDCARD), 1);
}

TEST(CompareTextWildcard, QuestionMarkNeedsACharacterToMatch) {
    EXPECT_NE(VSB_CompareText("ab?", "ab", VSB_CMP_WILDCARD), 0);
    EXPECT_NE(VSB_CompareText("ab", "ab?", VSB_CMP_PATTERN), 0);
}

TEST(CompareTextWildcard, AsteriskIsAnOrdinaryCharacter) {
    EXPECT_NE(VSB_CompareText("ab*", "abc", VSB_CMP_WILDCARD), 0);
}

TEST(CompareTextPattern, TrailingAsteriskMatchesEveryContinuation) {
    EXPECT_EQ(VSB_CompareText("Data*", "DATA1.CAB", VSB_CMP_PATTERN), 0);
    EXPECT_EQ(VSB_CompareText("DATA1.CAB", "data*", VSB_CMP_PATTERN), 0);
    EXPECT_EQ(VSB_CompareText("data*", "data", VSB_CMP_PATTERN), 0);
    EXPECT_NE(VSB_CompareText("data*", "dat", VSB_CMP_PATTERN), 0);
    EXPECT_NE(VSB_CompareText("data*", "disk", VSB_CMP_PATTERN), 0);
}

TEST(CompareTextPattern, EndOfOneTextGivesByteDifference) {
    EXPECT_LT(VSB_CompareText("abc", "abcd", VSB_CMP_PATTERN), 0);
    EXPECT_GT(VSB_CompareText("abcd", "abc", VSB_CMP_PATTERN), 0);
    EXPECT_EQ(VSB_CompareText("abc", "ABC", VSB_CMP_PATTERN), 0);
}

TEST(CompareTextWildcard, DoubleByteCharacterIsOneCharacter) {
    ScopedCodePage932 cp;
    // One "?" stands for the whole two-byte character.
    EXPECT_EQ(VSB_CompareText("a?b",
                              "a\x95\x5C"
                              "b",
                              VSB_CMP_WILDCARD),
              0);
    EXPECT_NE(VSB_CompareText("a??b",
                              "a\x95\x5C"
                              "b",
                              VSB_CMP_WILDCARD),
              0);
}

TEST(CompareText, NullTextComparesAsEmpty) {
    EXPECT_EQ(VSB_CompareText(nullptr, "", VSB_CMP_NOCASE), 0);
    EXPECT_LT(VSB_CompareText(nullptr, "a", VSB_CMP_EXACT), 0);
}

}  // namespace
}  // namespace foundation
