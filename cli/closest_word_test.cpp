#include "closest_word.h"

#include <gtest/gtest.h>

namespace {

const std::vector<std::string> kCommands = {"tables", "export", "generate"};

TEST(ClosestWordTest, TyposWithinTwoEditsAndBeginningsAreSuggestedNothingFarOff) {
    const std::pair<const char*, const char*> cases[] = {
        {"exprot", "export"},   // two letters changed
        {"exprt", "export"},    // one left out
        {"exporrt", "export"},  // one too many
        {"table", "tables"},    // a beginning
        {"gen", "generate"},    // a beginning however much follows
        {"tabels", "tables"},
        {"zzzzzzzz", ""},
        {"tablesxyz", ""},  // the third edit is the last letter
        {"ts", ""},         // four letters left out
        {"", ""},
    };
    for (const auto& [typed, suggested] : cases)
        EXPECT_EQ(cli::ClosestWord(typed, kCommands), suggested) << typed;
    EXPECT_EQ(cli::ClosestWord("diff", {}), "");
    // A beginning counts when it is where the word begins, though it occurs
    // again further on.
    EXPECT_EQ(cli::ClosestWord("-", {"--verbose"}), "--verbose");
}

}  // namespace
