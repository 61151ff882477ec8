#include "apply_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "change_columns.h"
#include "core/message_box.h"
#include "deltalens_test_support.h"
#include "entry_list.h"
#include "msi.h"
#include "msi_error_text.h"
#include "report_variant.h"
#include "string_array_entry.h"
#include "test_support.h"

namespace {

using deltalens::ApplyOutcome;
using deltalens::ApplyTransformView;
using deltalens_test::Rows;

// An entry that counts its destructions and says whether the list still held
// it at that moment.
class CountingEntry : public CStringArrayEntry {
  public:
    explicit CountingEntry(int* deletions) : CStringArrayEntry("old"), deletions_(deletions) {}
    ~CountingEntry() override { ++*deletions_; }

  private:
    int* deletions_;
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
        deltalens::NameChangeColumns(changes_);
        feedback_.tell = [this](const std::string& text, unsigned type) {
            told_.emplace_back(text, type);
        };
        feedback_.refresh = [this] { refreshed_counts_.push_back(changes_.GetCount()); };
    }

    void TearDown() override {
        // Every run ends with no installer handle open and no working copy.
        EXPECT_EQ(MsiCloseAllHandles(), 0u);
        EXPECT_TRUE(temp_.Entries().empty());
        VSB_SetReportVariant(previous_variant_);
    }

    ApplyOutcome Apply(const std::string& package, const std::string& transform) {
        told_.clear();
        refreshed_counts_.clear();
        return ApplyTransformView(package, transform, changes_, feedback_);
    }

    Rows Engine(const std::string& package, const std::string& transform) {
        bool ok = false;
        Rows rows = deltalens_test::EngineChanges(package, transform, ok);
        EXPECT_TRUE(ok) << "the engine cannot view " << transform;
        return rows;
    }

    bool Listed(const std::vector<std::string>& row) const {
        const Rows rows = deltalens_test::ListedRows(changes_);
        return std::find(rows.begin(), rows.end(), row) != rows.end();
    }

    // Made before TMPDIR is redirected, so the inputs are not in temp_.
    testing_support::TempDir inputs_{false};
    testing_support::TempDir temp_{true};
    deltalens_test::SampleFiles files_;
    CEntryList changes_;
    deltalens::ApplyFeedback feedback_;
    std::vector<std::pair<std::string, unsigned>> told_;
    std::vector<INT_PTR> refreshed_counts_;
    VSB_ReportVariant previous_variant_ = VSB_VARIANT_TABLESMITH;
};

// --- what a successful Apply lists --------------------------------------------

TEST_F(ApplyCommandTest, ListsExactlyTheRowsOfTheEnginesTransformView) {
    EXPECT_EQ(Apply(files_.package, files_.transform), ApplyOutcome::kListed);
    EXPECT_TRUE(told_.empty());
    const Rows expected = Engine(files_.package, files_.transform);
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(deltalens_test::ListedRows(changes_), expected);
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

TEST_F(ApplyCommandTest, ListIsRefreshedWhenEmptiedAndAfterEveryRow) {
    ASSERT_EQ(Apply(files_.package, files_.transform), ApplyOutcome::kListed);
    const INT_PTR rows = changes_.GetCount();
    ASSERT_GT(rows, 0);
    std::vector<INT_PTR> expected;
    for (INT_PTR count = 0; count <= rows; ++count) expected.push_back(count);
    EXPECT_EQ(refreshed_counts_, expected);
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
    // Rows of an earlier run must go all the same.
    ASSERT_EQ(Apply(files_.package, files_.transform), ApplyOutcome::kListed);
    ASSERT_GT(changes_.GetCount(), 0);
    EXPECT_EQ(Apply(files_.package, files_.empty_transform), ApplyOutcome::kListed);
    EXPECT_TRUE(told_.empty());
    EXPECT_EQ(changes_.GetCount(), 0);
}

// --- replacing and emptying the list ------------------------------------------

TEST_F(ApplyCommandTest, SecondApplyReplacesTheRowsOfTheFirst) {
    ASSERT_EQ(Apply(files_.package, files_.transform), ApplyOutcome::kListed);
    ASSERT_EQ(Apply(files_.package, files_.other_transform), ApplyOutcome::kListed);
    const Rows expected = Engine(files_.package, files_.other_transform);
    EXPECT_EQ(deltalens_test::ListedRows(changes_), expected);
    EXPECT_TRUE(Listed({"Items", "Count", "gamma", "30", "3"}));
    EXPECT_FALSE(Listed({"Items", "DELETE", "beta", "", ""}));
}

TEST_F(ApplyCommandTest, FailedApplyAfterASuccessLeavesAnEmptyList) {
    ASSERT_EQ(Apply(files_.package, files_.transform), ApplyOutcome::kListed);
    ASSERT_GT(changes_.GetCount(), 0);
    EXPECT_EQ(Apply(files_.package, files_.text_file), ApplyOutcome::kTransformFailed);
    EXPECT_EQ(changes_.GetCount(), 0);
    EXPECT_EQ(refreshed_counts_, std::vector<INT_PTR>{0});
}

TEST_F(ApplyCommandTest, FailedOpenAfterASuccessLeavesAnEmptyList) {
    ASSERT_EQ(Apply(files_.package, files_.transform), ApplyOutcome::kListed);
    ASSERT_GT(changes_.GetCount(), 0);
    EXPECT_EQ(Apply(files_.text_file, files_.transform), ApplyOutcome::kOpenFailed);
    EXPECT_EQ(changes_.GetCount(), 0);
    EXPECT_EQ(refreshed_counts_, std::vector<INT_PTR>{0});
}

TEST_F(ApplyCommandTest, OldRowsAreDestroyedOnlyAfterTheEmptyListWasRefreshed) {
    int deletions = 0;
    for (int i = 0; i < 3; ++i) changes_.AddEntry(new CountingEntry(&deletions));
    int deletions_at_first_refresh = -1;
    feedback_.refresh = [&] {
        if (deletions_at_first_refresh < 0) {
            deletions_at_first_refresh = deletions;
            EXPECT_EQ(changes_.GetCount(), 0);
        }
    };
    ASSERT_EQ(Apply(files_.package, files_.transform), ApplyOutcome::kListed);
    // A list control could still hold them while it refreshed, so they lived...
    EXPECT_EQ(deletions_at_first_refresh, 0);
    // ...and were destroyed once each afterwards.
    EXPECT_EQ(deletions, 3);
}

TEST_F(ApplyCommandTest, RowsTheListRefusesAreNotKept) {
    // A list that accepts nothing: every row made must be deleted by the command.
    class RefusingList : public CEntryList {
      public:
        bool AddEntry(CEntry*) override { return false; }
    } refusing;
    deltalens::NameChangeColumns(refusing);
    EXPECT_EQ(ApplyTransformView(files_.package, files_.transform, refusing, feedback_),
              ApplyOutcome::kListed);
    EXPECT_EQ(refusing.GetCount(), 0);
    // Leaks would show in the sanitizer build.
}

// --- failures -----------------------------------------------------------------

TEST_F(ApplyCommandTest, FileThatIsNotAPackageTellsTheOpenErrorOnly) {
    EXPECT_EQ(Apply(files_.text_file, files_.transform), ApplyOutcome::kOpenFailed);
    ASSERT_EQ(told_.size(), 1u);
    EXPECT_EQ(told_[0].first,
              "Error opening MSI database!\n\nPossible causes:\n\t- File is read-only.\n\t- File "
              "is opened by another process.\n\t- Another version is already installed.");
    EXPECT_EQ(told_[0].second, 0x10u);
    EXPECT_EQ(changes_.GetCount(), 0);
}

TEST_F(ApplyCommandTest, MissingPackageTellsTheOpenError) {
    EXPECT_EQ(Apply((inputs_.path() / "absent.msi").string(), files_.transform),
              ApplyOutcome::kOpenFailed);
    ASSERT_EQ(told_.size(), 1u);
    EXPECT_EQ(told_[0].first, deltalens::kOpenErrorText);
}

TEST_F(ApplyCommandTest, TransformThatDoesNotFitThePackageTellsTheInstallersResult) {
    // The transform changes rows of Items, which the other package lacks.
    EXPECT_EQ(Apply(files_.unrelated_package, files_.transform), ApplyOutcome::kTransformFailed);
    ASSERT_EQ(told_.size(), 1u);
    EXPECT_EQ(told_[0].first, "Error applying transform. (1624)");
    EXPECT_EQ(told_[0].second, 0x10u);
    EXPECT_EQ(changes_.GetCount(), 0);
}

TEST_F(ApplyCommandTest, PackageGivenAsTransformTellsTheTransformError) {
    EXPECT_EQ(Apply(files_.package, files_.unrelated_package), ApplyOutcome::kTransformFailed);
    ASSERT_EQ(told_.size(), 1u);
    EXPECT_EQ(told_[0].first, "Error applying transform. (1624)");
    EXPECT_EQ(changes_.GetCount(), 0);
}

TEST_F(ApplyCommandTest, TextFileAsTransformTellsTheTransformError) {
    EXPECT_EQ(Apply(files_.package, files_.text_file), ApplyOutcome::kTransformFailed);
    ASSERT_EQ(told_.size(), 1u);
    EXPECT_EQ(told_[0].first, "Error applying transform. (1624)");
}

TEST_F(ApplyCommandTest, MissingTransformTellsTheTransformErrorWithAResult) {
    EXPECT_EQ(Apply(files_.package, (inputs_.path() / "absent.mst").string()),
              ApplyOutcome::kTransformFailed);
    ASSERT_EQ(told_.size(), 1u);
    const std::string& text = told_[0].first;
    const std::string prefix = "Error applying transform. (";
    ASSERT_EQ(text.rfind(prefix, 0), 0u) << text;
    ASSERT_EQ(text.back(), ')') << text;
    const std::string number = text.substr(prefix.size(), text.size() - prefix.size() - 1);
    EXPECT_FALSE(number.empty());
    EXPECT_EQ(number.find_first_not_of("0123456789"), std::string::npos) << text;
    EXPECT_NE(number, "0");
    EXPECT_EQ(changes_.GetCount(), 0);
}

TEST_F(ApplyCommandTest, WithoutACallbackTheBoxCarriesTheCauseAsItsDetail) {
    struct Box {
        std::string text;
        unsigned type;
        std::string detail;
    };
    std::vector<Box> boxes;
    const fw::MessageBoxHandler previous = fw::SetMessageBoxHandler(
        [&boxes](const std::string& text, unsigned type, const std::string& detail) {
            boxes.push_back({text, type, detail});
            return IDOK;
        });
    const std::string absent = (inputs_.path() / "absent.msi").string();
    EXPECT_EQ(ApplyTransformView(absent, files_.transform, changes_), ApplyOutcome::kOpenFailed);
    EXPECT_EQ(ApplyTransformView(files_.unrelated_package, files_.transform, changes_),
              ApplyOutcome::kTransformFailed);
    fw::SetMessageBoxHandler(previous);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, deltalens::kOpenErrorText);
    EXPECT_EQ(boxes[0].detail, "cannot open " + absent + ": No such file or directory");
    EXPECT_EQ(boxes[1].text, "Error applying transform. (1624)");
    EXPECT_EQ(boxes[1].detail.rfind("the transform does not fit this package: ", 0), 0u)
        << boxes[1].detail;
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
