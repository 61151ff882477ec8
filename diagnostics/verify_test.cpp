#include "verify.h"

#include <gtest/gtest.h>

#include "report_test_support.h"

namespace {

using VerifyTest = diag_testing::ReportTest;

TEST_F(VerifyTest, PassingCheckWritesNothingAndEvaluatesOnce) {
    int calls = 0;
    auto succeed = [&calls] {
        ++calls;
        return 1;
    };
    EXPECT_TRUE(VERIFY(succeed()));
    EXPECT_EQ(1, calls);
    EXPECT_TRUE(TraceLines().empty());
}

TEST_F(VerifyTest, FailingCheckWritesTheLocationLineOfThisFile) {
    int calls = 0;
    auto fail = [&calls] {
        ++calls;
        return 0;
    };
    const int line = __LINE__ + 1;
    EXPECT_FALSE(VERIFY(fail()));
    EXPECT_EQ(1, calls);
    EXPECT_EQ(std::vector<std::string>{"Error in line " + std::string(__FILE__) + " (" +
                                       std::to_string(line) + ")"},
              TraceLines());
}

TEST_F(VerifyTest, FailingCheckNeverShowsOrThrows) {
    fw::SetApplicationObjectPresent(true);
    ::testing::internal::CaptureStdout();
    EXPECT_NO_THROW(VERIFY(false, "detail"));
    EXPECT_EQ("", ::testing::internal::GetCapturedStdout());
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(VerifyTest, NamedSourceCheckUsesTheGivenLocation) {
    const char* no_value = nullptr;
    EXPECT_FALSE(VSB_VERIFY_AT("MsiDbClasses", 689, no_value,
                               "Reading binary values from existing db not supported."));
    EXPECT_FALSE(VSB_VERIFY_AT("MsiDbClasses", 1552, 1 == 2));
    EXPECT_EQ((std::vector<std::string>{"Error in line MsiDbClasses.cpp (689)",
                                        "Error in line MsiDbClasses.cpp (1552)"}),
              TraceLines());
}

TEST_F(VerifyTest, ValueOfAPointerCheckIsItsTruth) {
    int target = 0;
    EXPECT_TRUE(VERIFY(&target));
    EXPECT_TRUE(TraceLines().empty());
}

TEST(VerifyReportTextTest, JoinsPrefixExpressionAndDetailWithoutSeparators) {
    EXPECT_EQ(
        "[BETA_BUILD]: VERIFY failed: pbvRetValueReading binary values from existing db not "
        "supported.",
        diag::VerifyReportText("pbvRetValue",
                               "Reading binary values from existing db not supported."));
    EXPECT_EQ("[BETA_BUILD]: VERIFY failed: GetFieldName( 0, &csTemp )MsiDbClasses.cpp",
              diag::VerifyReportText("GetFieldName( 0, &csTemp )", "MsiDbClasses.cpp"));
}

TEST_F(VerifyTest, DeltalensFailingCheckWritesNothing) {
    VSB_SetReportVariant(VSB_VARIANT_DELTALENS);
    EXPECT_FALSE(VERIFY(0));
    EXPECT_TRUE(TraceLines().empty());
}

}  // namespace
