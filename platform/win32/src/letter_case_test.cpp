// Every comparison of the base services that ignores letter case, over the
// whole ASCII range: the letters fold, the characters beside the alphabet do
// not, and no letter is left out at either end.
#include <mbstring.h>

#include <gtest/gtest.h>

#include <string>

#include "ascii_case.h"
#include "wildcard.h"
#include "win32/codepage.h"

namespace {

using testing_support::FirstCaseRuleBreak;

class LetterCase : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(_setmbcp(65001), 0); }
};

TEST_F(LetterCase, WildcardCharactersMatchByTheRule) {
    EXPECT_EQ(FirstCaseRuleBreak([](char a, char b) {
                  if (a == '*' || a == '?') return b == a;  // no wildcards on the pattern side
                  return win32::MatchesWildcard(std::string(1, a), std::string(1, b));
              }),
              "");
    // After a star the matcher compares again from a backtracking point.
    EXPECT_EQ(FirstCaseRuleBreak([](char a, char b) {
                  if (a == '*' || a == '?' || a == '.') return b == a;
                  return win32::MatchesWildcard(std::string("*x") + a, std::string("yx") + b);
              }),
              "");
}

TEST_F(LetterCase, MbsicmpAndMbsnicmpFoldLettersOnly) {
    EXPECT_EQ(FirstCaseRuleBreak([](char a, char b) {
                  const std::string left(1, a), right(1, b);
                  return _mbsicmp(left.c_str(), right.c_str()) == 0;
              }),
              "");
    EXPECT_EQ(FirstCaseRuleBreak([](char a, char b) {
                  const std::string left = std::string("k") + a + "!";
                  const std::string right = std::string("K") + b + "?";
                  return _mbsnicmp(reinterpret_cast<const unsigned char*>(left.c_str()),
                                   reinterpret_cast<const unsigned char*>(right.c_str()), 2) == 0;
              }),
              "");
}

TEST_F(LetterCase, MbsuprAndMbslwrChangeLettersOnly) {
    for (char c : testing_support::AsciiCharacters()) {
        std::string upper(1, c), lower(1, c);
        _mbsupr(reinterpret_cast<unsigned char*>(upper.data()));
        _mbslwr(reinterpret_cast<unsigned char*>(lower.data()));
        const char want_upper = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        const char want_lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        EXPECT_EQ(upper, std::string(1, want_upper)) << int(c);
        EXPECT_EQ(lower, std::string(1, want_lower)) << int(c);
    }
}

}  // namespace
