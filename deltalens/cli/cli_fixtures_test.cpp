// deltalens-cli over every real transform that has its base package in the
// shared fixtures: the tab-separated output must be exactly the rows the
// engine's _TransformView holds, in order, but for a binary cell's data,
// shown as the bytes the transform carries; and neither file may change.
#include <gtest/gtest.h>

#include <ostream>
#include <regex>

#include "cli_test_support.h"
#include "deltalens_test_support.h"
#include "test_support.h"

namespace {

using deltalens_test::FixturePair;

class CliFixturesTest : public testing::TestWithParam<FixturePair> {};

TEST_P(CliFixturesTest, TsvIsExactlyTheEnginesTransformView) {
    VSB_REQUIRE_FIXTURE(package, GetParam().package);
    VSB_REQUIRE_FIXTURE(transform, GetParam().transform);
    testing_support::TempDir scratch(false);
    testing_support::TempDir temp(true);
    const std::string package_before = testing_support::ReadFile(package);
    const std::string transform_before = testing_support::ReadFile(transform);

    const deltalens_test::ProcessResult result =
        deltalens_test::RunCliProcess({"--format", "tsv", package.string(), transform.string()});
    ASSERT_EQ(result.status, 0) << result.out << result.err;
    EXPECT_EQ(result.err, "");

    deltalens_test::Rows printed;
    ASSERT_TRUE(deltalens_test::ParseTsv(result.out, printed));
    bool ok = false;
    deltalens_test::Rows expected =
        deltalens_test::EngineChanges(package.string(), transform.string(), ok);
    ASSERT_TRUE(ok) << "the engine cannot view " << transform;
    EXPECT_FALSE(expected.empty());
    expected.insert(expected.begin(), {"Table", "Column", "Row", "Data", "Current"});
    ASSERT_EQ(printed.size(), expected.size());
    const std::regex described(R"(\[[0-9,]+ bytes [0-9a-f]{8}\])");
    for (std::size_t i = 0; i < expected.size(); ++i) {
        // The view names a binary cell's new data by the transform's stream.
        if (expected[i].size() == 5 && expected[i][3] == expected[i][0] + "." + expected[i][2] &&
            std::regex_match(printed[i][3], described))
            printed[i][3] = expected[i][3];
        ASSERT_EQ(printed[i], expected[i]) << "line " << i + 1;
    }

    EXPECT_TRUE(testing_support::ReadFile(package) == package_before) << "package changed";
    EXPECT_TRUE(testing_support::ReadFile(transform) == transform_before) << "transform changed";
    EXPECT_TRUE(temp.Entries().empty());
}

INSTANTIATE_TEST_SUITE_P(RealTransforms, CliFixturesTest,
                         testing::ValuesIn(deltalens_test::RealTransformPairs()),
                         deltalens_test::FixturePairName);

}  // namespace
