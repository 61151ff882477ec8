#include "argument_reader.h"

#include <gtest/gtest.h>

namespace {

using cli::ArgumentReader;
using Value = ArgumentReader::Value;

// Each argument as the reader sees it: "op:" for an operand, "opt:" for an option.
std::vector<std::string> Shapes(const std::vector<std::string>& arguments) {
    ArgumentReader reader(arguments);
    std::vector<std::string> shapes;
    while (reader.Next())
        shapes.push_back((reader.IsOperand() ? "op:" : "opt:") + reader.Current());
    return shapes;
}

TEST(ArgumentReaderTest, DoubleDashEndsTheOptionsOnce) {
    EXPECT_EQ(
        Shapes({"--all", "a.msi", "-", "--", "--help", "-x", "--"}),
        (std::vector<std::string>{"opt:--all", "op:a.msi", "op:-", "op:--help", "op:-x", "op:--"}));
    EXPECT_EQ(Shapes({"--"}), std::vector<std::string>{});
    EXPECT_EQ(Shapes({"", "-h"}), (std::vector<std::string>{"op:", "opt:-h"}));
}

TEST(ArgumentReaderTest, IsMatchesTheLongAndTheShortFormOfOptionsOnly) {
    const std::vector<std::string> arguments = {"-h", "--help", "--", "--help"};
    ArgumentReader reader(arguments);
    ASSERT_TRUE(reader.Next());
    EXPECT_TRUE(reader.Is("--help", "-h"));
    EXPECT_FALSE(reader.Is("--help"));
    ASSERT_TRUE(reader.Next());
    EXPECT_TRUE(reader.Is("--help"));
    EXPECT_FALSE(reader.OptionsEnded());
    ASSERT_TRUE(reader.Next());
    EXPECT_FALSE(reader.Is("--help")) << "an operand after -- is no option";
    EXPECT_TRUE(reader.OptionsEnded());
    EXPECT_FALSE(reader.Next());
}

TEST(ArgumentReaderTest, ValuesComeInBothSpellings) {
    const std::vector<std::string> arguments = {"--table",  "Property", "--table=Media",
                                                "--table=", "--tables", "--table"};
    ArgumentReader reader(arguments);
    std::string value;
    ASSERT_TRUE(reader.Next());
    EXPECT_EQ(reader.TakeValue("--table", value), Value::kTaken);
    EXPECT_EQ(value, "Property");
    ASSERT_TRUE(reader.Next());
    EXPECT_EQ(reader.TakeValue("--table", value), Value::kTaken);
    EXPECT_EQ(value, "Media");
    ASSERT_TRUE(reader.Next());
    EXPECT_EQ(reader.TakeValue("--table", value), Value::kTaken);
    EXPECT_EQ(value, "");
    ASSERT_TRUE(reader.Next());
    EXPECT_EQ(reader.TakeValue("--table", value), Value::kNotThisOption);
    ASSERT_TRUE(reader.Next());
    EXPECT_EQ(reader.TakeValue("--table", value), Value::kMissing);
    EXPECT_FALSE(reader.Next());
    // After "--" nothing is an option, whatever its shape.
    const std::vector<std::string> ended = {"--", "--table=x"};
    ArgumentReader after(ended);
    ASSERT_TRUE(after.Next());
    EXPECT_EQ(after.TakeValue("--table", value), Value::kNotThisOption);
}

TEST(ArgumentReaderTest, AValueMayLookLikeAnOption) {
    const std::vector<std::string> arguments = {"--folder", "--all", "x"};
    ArgumentReader reader(arguments);
    std::string value;
    ASSERT_TRUE(reader.Next());
    EXPECT_EQ(reader.TakeValue("--folder", value), Value::kTaken);
    EXPECT_EQ(value, "--all");
    ASSERT_TRUE(reader.Next());
    EXPECT_EQ(reader.Current(), "x");
}

}  // namespace
