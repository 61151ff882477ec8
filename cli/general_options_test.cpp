#include "general_options.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

constexpr cli::Program kProgram = {"tablesmith", "1.05"};

struct Answer {
    std::optional<int> status;
    std::string out;
};

Answer Ask(const std::vector<std::string>& arguments) {
    std::ostringstream out;
    Answer answer;
    answer.status =
        cli::AnswerHelpOrVersion(kProgram, "Usage: tablesmith [PACKAGE]\n", arguments, out);
    answer.out = out.str();
    return answer;
}

TEST(AnswerHelpOrVersionTest, HelpAndVersionAreAnsweredWhereverTheyStand) {
    Answer answer = Ask({"--version"});
    EXPECT_EQ(answer.status, 0);
    EXPECT_EQ(answer.out, "tablesmith 1.05\n");
    answer = Ask({"product.msi", "-h"});
    EXPECT_EQ(answer.status, 0);
    EXPECT_EQ(answer.out, "Usage: tablesmith [PACKAGE]\n");
}

TEST(AnswerHelpOrVersionTest, EverythingElseIsLeftToTheProgram) {
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {}, {"product.msi"}, {"--trace"}, {"--", "--help"}}) {
        const Answer answer = Ask(arguments);
        EXPECT_FALSE(answer.status.has_value());
        EXPECT_EQ(answer.out, "");
    }
}

}  // namespace
