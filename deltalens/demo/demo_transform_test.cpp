// deltalens-demo-transform as the demo runs it: a changed copy of a package
// and the transform between the two, which deltalens-cli then lists.
#include <gtest/gtest.h>

#include <algorithm>

#include "cli_test_support.h"
#include "deltalens_test_support.h"
#include "test_support.h"

namespace {

using deltalens_test::ProcessResult;
using deltalens_test::Rows;

class DemoTransformTest : public testing::Test {
  protected:
    void SetUp() override {
        files_ = deltalens_test::MakeSampleFiles(inputs_.path());
        ASSERT_FALSE(files_.package.empty());
    }

    ProcessResult RunDemo(const std::vector<std::string>& arguments) {
        return deltalens_test::RunProcess(DELTALENS_DEMO_TRANSFORM_PATH, arguments);
    }

    std::string Path(const char* name) const { return (inputs_.path() / name).string(); }

    testing_support::TempDir inputs_{false};
    testing_support::TempDir scratch_{false};
    deltalens_test::SampleFiles files_;
};

bool Contains(const Rows& rows, const std::vector<std::string>& row) {
    return std::find(rows.begin(), rows.end(), row) != rows.end();
}

TEST_F(DemoTransformTest, TransformListsTheDemoChangesAndLeavesTheBaseAlone) {
    const std::string changed = Path("demo-changed.msi");
    const std::string transform = Path("demo.mst");
    // What an earlier run left is replaced, not taken for this run's result.
    testing_support::WriteFile(transform, "left from an earlier run");
    const std::string base_before = testing_support::ReadFile(files_.package);

    const ProcessResult made = RunDemo({files_.package, changed, transform});
    ASSERT_EQ(made.status, 0) << made.out << made.err;
    EXPECT_EQ(testing_support::ReadFile(files_.package), base_before);

    const ProcessResult listed =
        deltalens_test::RunCliProcess({"--format", "tsv", files_.package, transform});
    ASSERT_EQ(listed.status, 0) << listed.out << listed.err;
    Rows rows;
    ASSERT_TRUE(deltalens_test::ParseTsv(listed.out, rows));
    EXPECT_TRUE(Contains(
        rows, {"Property", "Value", "ProductName", "Changed by the Deltalens demo", "Sample"}));
    EXPECT_TRUE(Contains(rows, {"Property", "INSERT", "DeltalensDemo", "", ""}));
    EXPECT_TRUE(Contains(rows, {"DeltalensNote", "CREATE", "", "", ""}));
    EXPECT_TRUE(Contains(rows, {"DeltalensNote", "INSERT", "hello", "", ""}));
}

TEST_F(DemoTransformTest, WrongNumberOfArgumentsIsAUsageError) {
    const ProcessResult result = RunDemo({files_.package, Path("changed.msi")});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err.rfind("deltalens-demo-transform: error:", 0), 0u) << result.err;
    EXPECT_EQ(result.out, "");
}

TEST_F(DemoTransformTest, BaseThatIsNotAPackageFailsWithoutATransform) {
    const std::string transform = Path("never.mst");
    const ProcessResult result = RunDemo({files_.text_file, Path("changed.msi"), transform});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("cannot change a copy of"), std::string::npos) << result.err;
    EXPECT_FALSE(std::filesystem::exists(transform));
}

}  // namespace
