#include "apply_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "deltalens_test_support.h"
#include "msi.h"
#include "msi_error_text.h"
#include "outcome.h"
#include "report_variant.h"
#include "test_support.h"

namespace {

using deltalens::ApplyOutcome;
using deltalens::ApplyTransformView;
using deltalens_test::Rows;

struct Recording : diag::OutcomeSink {
    void Tell(const diag::Outcome& outcome) override { told.push_back(outcome); }
    std::vector<diag::Outcome> told;
};

class ApplyCommandTest : public testing::Test {
  protected:
    void SetUp() override {
        previous_variant_ = VSB_GetReportVariant();
        VSB_SetReportVariant(VSB_VARIANT_DELTALENS);
        files_ = deltalens_test::MakeSampleFiles(inputs_.path());
        ASSERT_FALSE(files_.package.empty());
        // Making the inputs must not have left anything in the temporary
        // folder, or the checks below would blame the command for it.
        ASSERT_TRUE(temp_.Entries().empty());
    }

    void TearDown() override {
        // Every run ends with no installer handle open and no working copy.
        EXPECT_EQ(MsiCloseAllHandles(), 0u);
        EXPECT_TRUE(temp_.Entries().empty());
        VSB_SetReportVariant(previous_variant_);
    }

    ApplyOutcome Apply(const std::string& package, const std::string& transform) {
        sink_.told.clear();
        rows_.clear();
        return ApplyTransformView(
            package, transform,
            [this](const deltalens::ChangeRow& change) { rows_.push_back(change); }, sink_);
    }

    Rows Engine(const std::string& package, const std::string& transform) {
        bool ok = false;
        Rows rows = deltalens_test::EngineChanges(package, transform, ok);
        EXPECT_TRUE(ok) << "the engine cannot view " << transform;
        return rows;
    }

    bool Listed(const std::vector<std::string>& row) const {
        return std::find(rows_.begin(), rows_.end(), row) != rows_.end();
    }

    // Made before TMPDIR is redirected, so the inputs are not in temp_.
    testing_support::TempDir inputs_{false};
    testing_support::TempDir temp_{true};
    deltalens_test::SampleFiles files_;
    Rows rows_;
    Recording sink_;
    const std::vector<diag::Outcome>& told_ = sink_.told;
    VSB_ReportVariant previous_variant_ = VSB_VARIANT_TABLESMITH;
};

// --- what a successful Apply lists --------------------------------------------

TEST_F(ApplyCommandTest, ListsExactlyTheRowsOfTheEnginesTransformView) {
    EXPECT_EQ(Apply(files_.package, files_.transform), ApplyOutcome::kListed);
    EXPECT_TRUE(told_.empty());
    const Rows expected = Engine(files_.package, files_.transform);
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(rows_, expected);
}

TEST_F(ApplyCommandTest, ChangedCellShowsNewDataAndCurrentValue) {
    ASSERT_EQ(Apply(files_.package, files_.transform), ApplyOutcome::kListed);
    EXPECT_TRUE(Listed({"Items", "Note", "alpha", "changed", "first"}));
}

TEST_F(ApplyCommandTest, NullDataAndCurrentOfADeletedRowShowAsEmptyCells) {
    ASSERT_EQ(Apply(files_.package, files_.transform), ApplyOutcome::kListed);
    EXPECT_TRUE(Listed({"Items", "DELETE", "beta", "", ""}));
    EXPECT_TRUE(Listed({"Items", "INSERT", "delta", "", ""}));
}

TEST_F(ApplyCommandTest, PackageAndTransformAreUnchangedOnDisk) {
    const std::string package_before = testing_support::ReadFile(files_.package);
    const std::string transform_before = testing_support::ReadFile(files_.transform);
    const std::vector<std::string> inputs_before = inputs_.Entries();

    ASSERT_EQ(Apply(files_.package, files_.transform), ApplyOutcome::kListed);

    EXPECT_EQ(testing_support::ReadFile(files_.package), package_before);
    EXPECT_EQ(testing_support::ReadFile(files_.transform), transform_before);
    // No copy beside the package either.
    EXPECT_EQ(inputs_.Entries(), inputs_before);
}

TEST_F(ApplyCommandTest, TransformThatChangesNothingGivesAnEmptyListAndNoMessage) {
    ASSERT_EQ(Apply(files_.package, files_.transform), ApplyOutcome::kListed);
    ASSERT_FALSE(rows_.empty());
    EXPECT_EQ(Apply(files_.package, files_.empty_transform), ApplyOutcome::kListed);
    EXPECT_TRUE(told_.empty());
    EXPECT_EQ(rows_.size(), 0u);
}

// --- one run's rows, not another's ---------------------------------------------

TEST_F(ApplyCommandTest, SecondApplyReplacesTheRowsOfTheFirst) {
    ASSERT_EQ(Apply(files_.package, files_.transform), ApplyOutcome::kListed);
    ASSERT_EQ(Apply(files_.package, files_.other_transform), ApplyOutcome::kListed);
    const Rows expected = Engine(files_.package, files_.other_transform);
    EXPECT_EQ(rows_, expected);
    EXPECT_TRUE(Listed({"Items", "Count", "gamma", "30", "3"}));
    EXPECT_FALSE(Listed({"Items", "DELETE", "beta", "", ""}));
}

TEST_F(ApplyCommandTest, FailedApplyAfterASuccessLeavesAnEmptyList) {
    ASSERT_EQ(Apply(files_.package, files_.transform), ApplyOutcome::kListed);
    ASSERT_GT(rows_.size(), 0u);
    EXPECT_EQ(Apply(files_.package, files_.text_file), ApplyOutcome::kTransformFailed);
    EXPECT_EQ(rows_.size(), 0u);
}

TEST_F(ApplyCommandTest, FailedOpenAfterASuccessLeavesAnEmptyList) {
    ASSERT_EQ(Apply(files_.package, files_.transform), ApplyOutcome::kListed);
    ASSERT_GT(rows_.size(), 0u);
    EXPECT_EQ(Apply(files_.text_file, files_.transform), ApplyOutcome::kOpenFailed);
    EXPECT_EQ(rows_.size(), 0u);
}

// --- failures -----------------------------------------------------------------

TEST_F(ApplyCommandTest, FileThatIsNotAPackageTellsTheOpenErrorOnly) {
    EXPECT_EQ(Apply(files_.text_file, files_.transform), ApplyOutcome::kOpenFailed);
    ASSERT_EQ(told_.size(), 1u);
    EXPECT_EQ(told_[0].text,
              "Error opening MSI database!\n\nPossible causes:\n\t- File is read-only.\n\t- File "
              "is opened by another process.\n\t- Another version is already installed.");
    EXPECT_EQ(told_[0].kind, diag::OutcomeKind::kStop);
    EXPECT_EQ(rows_.size(), 0u);
}

TEST_F(ApplyCommandTest, MissingPackageTellsTheOpenError) {
    EXPECT_EQ(Apply((inputs_.path() / "absent.msi").string(), files_.transform),
              ApplyOutcome::kOpenFailed);
    ASSERT_EQ(told_.size(), 1u);
    EXPECT_EQ(told_[0].text, deltalens::kOpenErrorText);
}

TEST_F(ApplyCommandTest, TransformThatDoesNotFitThePackageTellsTheInstallersResult) {
    // The transform changes rows of Items, which the other package lacks.
    EXPECT_EQ(Apply(files_.unrelated_package, files_.transform), ApplyOutcome::kTransformFailed);
    ASSERT_EQ(told_.size(), 1u);
    EXPECT_EQ(told_[0].text, "Error applying transform. (1624)");
    EXPECT_EQ(told_[0].kind, diag::OutcomeKind::kStop);
    EXPECT_EQ(rows_.size(), 0u);
}

TEST_F(ApplyCommandTest, PackageGivenAsTransformTellsTheTransformError) {
    EXPECT_EQ(Apply(files_.package, files_.unrelated_package), ApplyOutcome::kTransformFailed);
    ASSERT_EQ(told_.size(), 1u);
    EXPECT_EQ(told_[0].text, "Error applying transform. (1624)");
    EXPECT_EQ(rows_.size(), 0u);
}

TEST_F(ApplyCommandTest, TextFileAsTransformTellsTheTransformError) {
    EXPECT_EQ(Apply(files_.package, files_.text_file), ApplyOutcome::kTransformFailed);
    ASSERT_EQ(told_.size(), 1u);
    EXPECT_EQ(told_[0].text, "Error applying transform. (1624)");
}

TEST_F(ApplyCommandTest, MissingTransformTellsTheTransformErrorWithAResult) {
    EXPECT_EQ(Apply(files_.package, (inputs_.path() / "absent.mst").string()),
              ApplyOutcome::kTransformFailed);
    ASSERT_EQ(told_.size(), 1u);
    const std::string& text = told_[0].text;
    const std::string prefix = "Error applying transform. (";
    ASSERT_EQ(text.rfind(prefix, 0), 0u) << text;
    ASSERT_EQ(text.back(), ')') << text;
    const std::string number = text.substr(prefix.size(), text.size() - prefix.size() - 1);
    EXPECT_FALSE(number.empty());
    EXPECT_EQ(number.find_first_not_of("0123456789"), std::string::npos) << text;
    EXPECT_NE(number, "0");
    EXPECT_EQ(rows_.size(), 0u);
}

TEST_F(ApplyCommandTest, EachStopCarriesItsCause) {
    const std::string absent = (inputs_.path() / "absent.msi").string();
    EXPECT_EQ(Apply(absent, files_.transform), ApplyOutcome::kOpenFailed);
    ASSERT_EQ(told_.size(), 1u);
    EXPECT_EQ(told_[0].text, deltalens::kOpenErrorText);
    EXPECT_EQ(told_[0].cause, "cannot open " + absent + ": No such file or directory");
    EXPECT_EQ(Apply(files_.unrelated_package, files_.transform), ApplyOutcome::kTransformFailed);
    ASSERT_EQ(told_.size(), 1u);
    EXPECT_EQ(told_[0].text, "Error applying transform. (1624)");
    EXPECT_EQ(told_[0].cause.rfind("the transform does not fit this package: ", 0), 0u)
        << told_[0].cause;
}

TEST(TransformFailureCauseTest, SaysWhatTheResultMeansThenTheReason) {
    EXPECT_EQ(deltalens::TransformFailureCause(1624, "no table Items"),
              "the transform does not fit this package: no table Items");
    EXPECT_EQ(deltalens::TransformFailureCause(110, ""), "the transform cannot be opened");
    // Any other result in the installer's words.
    EXPECT_EQ(deltalens::TransformFailureCause(1627, "x"), VSB_MsiErrorText(1627) + ": x");
}

TEST_F(ApplyCommandTest, FailedRunsLeaveThePackageUnchanged) {
    const std::string package_before = testing_support::ReadFile(files_.package);
    Apply(files_.package, files_.text_file);
    Apply(files_.package, files_.unrelated_package);
    EXPECT_EQ(testing_support::ReadFile(files_.package), package_before);
}

TEST_F(ApplyCommandTest, ViewerReportsWriteNoTrace) {
    testing_support::TraceCapture trace;
    Apply(files_.text_file, files_.transform);
    Apply(files_.package, files_.text_file);
    EXPECT_TRUE(trace.Lines().empty()) << trace.Text();
}

TEST(TransformErrorTextTest, FillsTheResultInDecimal) {
    EXPECT_EQ(deltalens::TransformErrorText(1624), "Error applying transform. (1624)");
    EXPECT_EQ(deltalens::TransformErrorText(110), "Error applying transform. (110)");
}

}  // namespace
