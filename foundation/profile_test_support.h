// A private profile for each test: an INI file or a registry store in a
// temporary folder, selected as the process-wide profile location.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "profile.h"
#include "test_support.h"

enum class ProfileMode { kIni, kRegistry };

inline std::string ModeName(const ::testing::TestParamInfo<ProfileMode>& info) {
    return info.param == ProfileMode::kIni ? "Ini" : "Registry";
}

class ProfileTestBase : public ::testing::Test {
  protected:
    void UseProfile(ProfileMode mode) {
        win32::SetRegistryStorePath((dir_.path() / "registry.txt").string());
        if (mode == ProfileMode::kIni)
            foundation::SetProfileLocation(ini_path(), nullptr);
        else
            foundation::SetProfileLocation("Software\\VsbTest", HKEY_CURRENT_USER);
        VSB_SetProfileSection("");
    }
    void TearDown() override {
        foundation::SetProfileLocation("", nullptr);
        VSB_SetProfileSection("");
        win32::SetRegistryStorePath("");
    }
    std::string ini_path() const { return (dir_.path() / "profile.ini").string(); }

    testing_support::TempDir dir_;
};

class ProfileModeTest : public ProfileTestBase, public ::testing::WithParamInterface<ProfileMode> {
  protected:
    void SetUp() override { UseProfile(GetParam()); }
};
