#include <gtest/gtest.h>

#include <map>
#include <string>

#include "profile_test_support.h"
#include "var_map.h"

namespace {

std::map<std::string, std::string> Values(const CVarMap& map) {
    std::map<std::string, std::string> values;
    POSITION position = map.GetStartPosition();
    while (position != nullptr) {
        std::string name;
        CObject* object = nullptr;
        map.GetNextAssoc(position, name, object);
        values[name] = static_cast<CEntry*>(object)->GetFieldText(0);
    }
    return values;
}

using VarMapProfile = ProfileModeTest;

TEST_P(VarMapProfile, SavedSectionLoadsBackAsTheSameVariables) {
    CVarMap saved;
    saved.SetVariable("TEMP", "/tmp", "default temp");
    saved.SetVariable("Product", "Tablesmith", nullptr);
    saved.SetVariable("Spaces", "a b  c", nullptr);
    ASSERT_TRUE(saved.SaveSection("Vars"));

    CVarMap loaded;
    EXPECT_EQ(loaded.LoadSection("VARS"), 3);
    EXPECT_EQ(Values(loaded), Values(saved));
}

TEST_P(VarMapProfile, SavingReplacesTheWholeSection) {
    CVarMap first;
    first.SetVariable("Old", "1", nullptr);
    first.SetVariable("Kept", "2", nullptr);
    first.SaveSection("Vars");
    CVarMap second;
    second.SetVariable("Kept", "3", nullptr);
    second.SaveSection("Vars");

    CVarMap loaded;
    EXPECT_EQ(loaded.LoadSection("Vars"), 1);
    EXPECT_EQ(Values(loaded), (std::map<std::string, std::string>{{"Kept", "3"}}));
}

TEST_P(VarMapProfile, LoadingAMissingSectionEmptiesTheMap) {
    CVarMap map;
    map.SetVariable("Leftover", "x", nullptr);
    EXPECT_EQ(map.LoadSection("Nothing"), 0);
    EXPECT_TRUE(map.IsEmpty());
}

TEST_P(VarMapProfile, SettingsWithAnEmptyValueAreNotLoaded) {
    VSB_SetProfileSection("Vars");
    VSB_WriteProfileString("Empty", "");
    VSB_WriteProfileString("Full", "x");
    CVarMap map;
    EXPECT_EQ(map.LoadSection("Vars"), 1);
    EXPECT_EQ(Values(map), (std::map<std::string, std::string>{{"Full", "x"}}));
}

TEST_P(VarMapProfile, LongValuesAreCutTo399Bytes) {
    CVarMap saved;
    saved.SetVariable("Long", std::string(1000, 'v').c_str(), nullptr);
    saved.SaveSection("Vars");
    CVarMap loaded;
    loaded.LoadSection("Vars");
    EXPECT_EQ(Values(loaded)["Long"], std::string(399, 'v'));
}

TEST_P(VarMapProfile, WithoutALocationNothingIsSavedOrLoaded) {
    foundation::SetProfileLocation("", nullptr);
    CVarMap map;
    map.SetVariable("a", "1", nullptr);
    EXPECT_FALSE(map.SaveSection("Vars"));
    EXPECT_EQ(map.LoadSection("Vars"), 0);
    EXPECT_TRUE(dir_.Entries().empty());
}

INSTANTIATE_TEST_SUITE_P(Modes, VarMapProfile,
                         ::testing::Values(ProfileMode::kIni, ProfileMode::kRegistry), ModeName);

}  // namespace
