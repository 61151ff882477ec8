// The example program end to end: a section saved by one run is what the
// next run loads, in an INI file and in the registry store, and both stay in
// the configuration folder the environment names.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

class ProfileExample : public ::testing::Test {
  protected:
    // Runs the example with the configuration folder inside the test's own
    // folder, so the user's real settings are never touched.
    std::string Run(std::vector<std::string> arguments, int* status) {
        arguments.insert(arguments.begin(), PROFILE_EXAMPLE);
        const auto run = testing_support::Run(
            arguments, testing_support::RunOptions().With("XDG_CONFIG_HOME=" + config_.str()));
        *status = run.status;
        return run.out;
    }

    testing_support::TempDir config_;
};

TEST_F(ProfileExample, SavedSectionLoadsBackInBothKindsOfProfile) {
    for (const std::vector<std::string>& where :
         {std::vector<std::string>{"--ini", "settings.ini"}, {"--registry", "Software\\Example"}}) {
        SCOPED_TRACE(where[0]);
        int status = -1;
        Run({"save", where[0], where[1], "Paths", "Out=/var/out/", "Name=demo", "Formula=a=b",
             "name=second"},
            &status);
        ASSERT_EQ(status, 0);
        // Names are one whatever their case (the last one wins), a folder
        // loses its trailing separator, and only the first '=' divides.
        EXPECT_EQ(Run({"load", where[0], where[1], "paths"}, &status),
                  "Formula=a=b\nOut=/var/out\nname=second\n");
        EXPECT_EQ(status, 0);
    }
    EXPECT_TRUE(std::filesystem::exists(config_.path() / "vsb" / "settings.ini"));
    EXPECT_TRUE(std::filesystem::exists(config_.path() / "vsb" / "registry.txt"));
}

TEST_F(ProfileExample, SavingReplacesTheSection) {
    int status = -1;
    Run({"save", "--ini", "s.ini", "Main", "Old=1", "Kept=2"}, &status);
    ASSERT_EQ(status, 0);
    Run({"save", "--ini", "s.ini", "Main", "Kept=3"}, &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(Run({"load", "--ini", "s.ini", "Main"}, &status), "Kept=3\n");
}

TEST_F(ProfileExample, EmptySectionsAndBadWordsAreTold) {
    int status = -1;
    EXPECT_EQ(Run({"load", "--ini", "s.ini", "Missing"}, &status), "");
    EXPECT_EQ(status, 1);
    Run({"save", "--ini", "s.ini", "Main", "novalue"}, &status);
    EXPECT_EQ(status, 2);
    Run({"save", "--elsewhere", "s.ini", "Main", "A=1"}, &status);
    EXPECT_EQ(status, 2);
    Run({"load", "--ini", "s.ini", "Main", "extra"}, &status);
    EXPECT_EQ(status, 2);
}

}  // namespace
