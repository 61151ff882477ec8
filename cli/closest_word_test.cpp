#include "closest_word.h"

#include <gtest/gtest.h>

namespace {

const std::vector<std::string> kCommands = {"tables", "export", "generate"};

TEST(ClosestWordTest, TyposWithinTwoEditsAndBeginningsAreSuggested) {
    EXPECT_EQ(cli::ClosestWord("exprot", kCommands), "export");
    EXPECT_EQ(cli::ClosestWord("table", kCommands), "tables");
    EXPECT_EQ(cli::ClosestWord("gen", kCommands), "generate");
    EXPECT_EQ(cli::ClosestWord("tabels", kCommands), "tables");
}

TEST(ClosestWordTest, NothingFarOffIsSuggested) {
    EXPECT_EQ(cli::ClosestWord("zzzzzzzz", kCommands), "");
    EXPECT_EQ(cli::ClosestWord("tablesxyz", kCommands), "");  // the third edit is the last letter
    EXPECT_EQ(cli::ClosestWord("", kCommands), "");
    EXPECT_EQ(cli::ClosestWord("diff", {}), "");
}

}  // namespace
