#include "text_functions.h"

#include <gtest/gtest.h>

#include "path_test_support.h"

namespace foundation {
namespace {

TEST(FindChar, FindsFirstAndLastOccurrence) {
    EXPECT_EQ(VSB_FindChar("a.b.c", '.'), 1u);
    EXPECT_EQ(VSB_FindLastChar("a.b.c", '.'), 3u);
    EXPECT_EQ(VSB_FindChar("abc", '.'), std::string::npos);
    EXPECT_EQ(VSB_FindLastChar("abc", '.'), std::string::npos);
    EXPECT_EQ(VSB_FindLastChar("", '.'), std::string::npos);
    EXPECT_EQ(VSB_FindLastChar(".", '.'), 0u);
}

TEST(FindChar, SkipsTrailBytesWithTheValueOfTheCharacterSought) {
    ScopedCodePage932 cp;
    EXPECT_EQ(VSB_FindChar("\x95\x5C", '\\'), std::string::npos);
    EXPECT_EQ(VSB_FindLastChar("\x95\x5C", '\\'), std::string::npos);
    EXPECT_EQ(VSB_FindChar("\x95\x5C\\", '\\'), 2u);
    EXPECT_EQ(VSB_FindLastChar("a\\\x95\x5C", '\\'), 1u);
    // A lone lead byte before the end is a character of its own.
    EXPECT_EQ(VSB_FindLastChar("\\\x95", '\\'), 0u);
}

TEST(FindChar, FindsADoubleByteCharacterByItsValue) {
    ScopedCodePage932 cp;
    EXPECT_EQ(VSB_FindChar("ab\x95\x5C", 0x955Cu), 2u);
}

TEST(FirstLine, EndsAtCarriageReturnBeforeLineFeed) {
    EXPECT_EQ(VSB_FirstLine("one\r\ntwo"), "one");
    EXPECT_EQ(VSB_FirstLine("one\ntwo\r"), "one\ntwo");
    EXPECT_EQ(VSB_FirstLine("one\ntwo"), "one");
    EXPECT_EQ(VSB_FirstLine("single"), "single");
    EXPECT_EQ(VSB_FirstLine(""), "");
}

TEST(LeftOf, CutsBeforeCharacterOrPosition) {
    EXPECT_EQ(VSB_LeftOfChar("key=value", '='), "key");
    EXPECT_EQ(VSB_LeftOfChar("novalue", '='), "novalue");
    EXPECT_EQ(VSB_LeftOf("abcdef", 3), "abc");
    EXPECT_EQ(VSB_LeftOf("abc", 10), "abc");
    EXPECT_EQ(VSB_LeftOf("abc", 0), "");
}

TEST(DropLastChar, RemovesOneWholeCharacterInPlace) {
    std::string text = "abc";
    EXPECT_EQ(VSB_DropLastChar(text), "ab");
    EXPECT_EQ(text, "ab");
    std::string empty;
    EXPECT_EQ(VSB_DropLastChar(empty), "");
    std::string utf8 = "caf\xC3\xA9";
    EXPECT_EQ(VSB_DropLastChar(utf8), "caf");
}

TEST(DropLastChar, RemovesDoubleByteCharacterAsAWhole) {
    ScopedCodePage932 cp;
    std::string text = "ab\x95\x5C";
    EXPECT_EQ(VSB_DropLastChar(text), "ab");
    // 95 95 is one character followed by "\": only the backslash goes.
    std::string tricky = "\x95\x95\\";
    EXPECT_EQ(VSB_DropLastChar(tricky), "\x95\x95");
}

TEST(RemoveChar, RemovesEveryOccurrenceInPlace) {
    std::string text = "a-b--c-";
    EXPECT_EQ(VSB_RemoveChar(text, '-'), "abc");
    EXPECT_EQ(text, "abc");
}

TEST(RemoveChar, KeepsDoubleByteCharactersWhole) {
    ScopedCodePage932 cp;
    std::string text = "a\\\x95\x5C\\b";
    EXPECT_EQ(VSB_RemoveChar(text, '\\'),
              "a\x95\x5C"
              "b");
    std::string remove_wide = "x\x95\x5Cy\x95\x5C";
    EXPECT_EQ(VSB_RemoveChar(remove_wide, 0x955Cu), "xy");
}

}  // namespace
}  // namespace foundation
