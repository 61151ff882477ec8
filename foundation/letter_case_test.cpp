// Every comparison of the foundation classes that ignores letter case, over
// the whole ASCII range: the letters fold, the characters beside the
// alphabet do not, and no letter is left out at either end.
#include <gtest/gtest.h>

#include <string>

#include "ascii_case.h"
#include "compare_text.h"
#include "double_string.h"
#include "entry_list.h"
#include "map_istring_to_ob.h"
#include "string_list_ex.h"
#include "var_map.h"

namespace {

using testing_support::FirstCaseRuleBreak;

std::string Text(char c) {
    return std::string(1, c);
}

bool IsWildcard(char c) {
    return c == '?' || c == '*';
}

TEST(LetterCase, CompareTextModesThatIgnoreCaseFollowTheRule) {
    for (std::uint32_t mode : {VSB_CMP_NOCASE, VSB_CMP_WILDCARD, VSB_CMP_PATTERN}) {
        SCOPED_TRACE(mode);
        EXPECT_EQ(FirstCaseRuleBreak([&](char a, char b) {
                      if (IsWildcard(a) || IsWildcard(b)) return a == b;  // their own tests
                      return VSB_CompareText(Text(a), Text(b), mode) == 0;
                  }),
                  "");
    }
}

TEST(LetterCase, MapKeysFollowTheRule) {
    CMapIStringToOb map;
    map.m_bOwnsObjects = false;
    EXPECT_EQ(FirstCaseRuleBreak([&](char a, char b) {
                  map.RemoveAll();
                  map[Text(a)] = nullptr;
                  CObject* found = nullptr;
                  return map.Lookup(Text(b).c_str(), found);
              }),
              "");
}

TEST(LetterCase, StringListKeepsOneTextPerRuleClass) {
    EXPECT_EQ(FirstCaseRuleBreak([](char a, char b) {
                  CStringListEx list;
                  list.AddString(Text(a));
                  list.AddString(Text(b));
                  return list.GetCount() == 1;
              }),
              "");
}

TEST(LetterCase, EntryListFindsEntriesByTheRule) {
    EXPECT_EQ(FirstCaseRuleBreak([](char a, char b) {
                  CEntryList list;
                  list.AddEntry(new CDoubleString(Text(a).c_str(), "value"));
                  return list.FindEntry(Text(b).c_str(), 0) != nullptr;
              }),
              "");
}

TEST(LetterCase, VariableNamesFollowTheRuleInTheMapAndItsLookup) {
    EXPECT_EQ(FirstCaseRuleBreak([](char a, char b) {
                  CVarMap variables;
                  variables.SetVariable(Text(a).c_str(), "first", nullptr);
                  variables.SetVariable(Text(b).c_str(), "second", nullptr);
                  return variables.GetCount() == 1;
              }),
              "");
    for (char c : testing_support::AsciiCharacters()) {
        CVarMap variables;
        variables.SetVariable(Text(c).c_str(), "value", nullptr);
        variables.BuildLookup();
        const char upper = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        ASSERT_NE(variables.GetLookup(), nullptr);
        EXPECT_EQ(variables.GetLookup()->count(Text(upper)), 1u) << int(c);
    }
}

}  // namespace
