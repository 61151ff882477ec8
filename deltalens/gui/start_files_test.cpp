#include "start_files.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using deltalens::gui::StartFilesOf;

TEST(StartFilesTest, ATransformIsKnownByItsNameInAnyOrderOrCase) {
    EXPECT_EQ("/p/base.msi", StartFilesOf({"/p/base.msi"}).package);
    EXPECT_EQ("", StartFilesOf({"/p/base.msi"}).transform);
    // A lone transform, as a file manager hands it over.
    EXPECT_EQ("", StartFilesOf({"/p/fr.MST"}).package);
    EXPECT_EQ("/p/fr.MST", StartFilesOf({"/p/fr.MST"}).transform);
    // Both, in either order; a patch is a transform here.
    for (const char* transform : {"/p/fr.mst", "/p/kb1.Msp"})
        for (const auto& arguments : {std::vector<std::string>{"/p/base.msi", transform},
                                      std::vector<std::string>{transform, "/p/base.msi"}}) {
            EXPECT_EQ("/p/base.msi", StartFilesOf(arguments).package);
            EXPECT_EQ(transform, StartFilesOf(arguments).transform);
        }
    // Two of one kind keep the order PACKAGE TRANSFORM.
    EXPECT_EQ("/p/a.mst", StartFilesOf({"/p/a.mst", "/p/b.mst"}).package);
    EXPECT_EQ("/p/b", StartFilesOf({"/p/a", "/p/b"}).transform);
    EXPECT_EQ("", StartFilesOf({}).package);
}

TEST(StartFilesTest, ViewOpensTheFilesThatFollowIt) {
    const std::vector<std::string> cases[] = {{"--view", "/p/base.msi"},
                                              {"--view", "/p/fr.mst", "/p/base.msi"}};
    for (const auto& arguments : cases) {
        EXPECT_TRUE(StartFilesOf(arguments).view);
        EXPECT_EQ("/p/base.msi", StartFilesOf(arguments).package);
    }
    EXPECT_EQ("/p/fr.mst", StartFilesOf(cases[1]).transform);
    EXPECT_FALSE(StartFilesOf({"/p/base.msi", "/p/fr.mst"}).view);
}

TEST(StartFilesTest, RelativePathsBecomeAbsoluteAsTheFileDialogGivesThem) {
    const std::string current = std::filesystem::current_path().string();
    EXPECT_EQ(current + "/base.msi", StartFilesOf({"base.msi"}).package);
}

}  // namespace
