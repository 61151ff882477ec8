// Key, value, section and setting names ignore ASCII letter case and
// nothing else, in the registry store and in INI files alike. Each pair
// costs a file access, so the pairs are those of the alphabet's edges.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "ascii_case.h"
#include "registry_test_fixture.h"
#include "win32/profile.h"

namespace {

using testing_support::AlphabetEdges;
using testing_support::FirstCaseRuleBreak;

using NameCase = RegistryStoreTest;

TEST_F(NameCase, KeyNamesFollowTheRule) {
    EXPECT_EQ(FirstCaseRuleBreak(
                  [&](char a, char b) {
                      const std::string created = "K\\" + std::string(1, a) + "x";
                      const std::string asked = "K\\" + std::string(1, b) + "x";
                      RegCloseKey(Create(created.c_str()));
                      HKEY key = nullptr;
                      const bool found = Open(asked.c_str(), KEY_READ, &key) == ERROR_SUCCESS;
                      if (found) RegCloseKey(key);
                      EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, created.c_str()), ERROR_SUCCESS);
                      return found;
                  },
                  AlphabetEdges()),
              "");
}

TEST_F(NameCase, ValueNamesFollowTheRule) {
    HKEY key = Create("V");
    EXPECT_EQ(FirstCaseRuleBreak(
                  [&](char a, char b) {
                      EXPECT_EQ(RegDeleteKeyA(key, ""), ERROR_SUCCESS);
                      RegCloseKey(key);
                      key = Create("V");
                      SetString(key, std::string(1, a).c_str(), "set");
                      DWORD size = 0;
                      return RegQueryValueExA(key, std::string(1, b).c_str(), nullptr, nullptr,
                                              nullptr, &size) == ERROR_SUCCESS;
                  },
                  AlphabetEdges()),
              "");
    RegCloseKey(key);
}

TEST_F(NameCase, IniSectionsAndSettingsFollowTheRule) {
    const std::string ini = (dir_.path() / "case.ini").string();
    EXPECT_EQ(FirstCaseRuleBreak(
                  [&](char a, char b) {
                      std::remove(ini.c_str());
                      const std::string name_a = std::string("n") + a,
                                        name_b = std::string("n") + b;
                      WritePrivateProfileStringA(name_a.c_str(), name_a.c_str(), "v", ini.c_str());
                      char section_value[8] = {}, setting_value[8] = {};
                      GetPrivateProfileStringA(name_b.c_str(), name_a.c_str(), "", section_value,
                                               sizeof section_value, ini.c_str());
                      GetPrivateProfileStringA(name_a.c_str(), name_b.c_str(), "", setting_value,
                                               sizeof setting_value, ini.c_str());
                      const bool section_same = std::string(section_value) == "v";
                      const bool setting_same = std::string(setting_value) == "v";
                      EXPECT_EQ(section_same, setting_same) << a << " " << b;
                      return section_same;
                  },
                  AlphabetEdges()),
              "");
}

}  // namespace
