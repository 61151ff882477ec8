#include "error_report.h"

#include <gtest/gtest.h>

#include "core/exceptions.h"
#include "report_test_support.h"

namespace {

using ErrorReportTest = diag_testing::ReportTest;

const std::string kHashKeyLocation = "ListClasses.cpp (120)";

TEST(LocationTest, NamesTheSourceFileAndLine) {
    EXPECT_EQ("MsiDbClasses.cpp (228)", VSB_LOCATION("MsiDbClasses", 228));
    const int line = 1552;
    EXPECT_EQ("MsiDbClasses.cpp (1552)", VSB_LOCATION("MsiDbClasses", line));
}

TEST_F(ErrorReportTest, FlagsThreeWriteOnlyTheLocationLine) {
    fw::SetApplicationObjectPresent(true);
    ::testing::internal::CaptureStdout();
    VSB_ReportError(VSB_LOCATION("MsiDbClasses", 228), 0, "Error opening database", 3);
    EXPECT_EQ("", ::testing::internal::GetCapturedStdout());
    EXPECT_EQ(std::vector<std::string>{"Error in line MsiDbClasses.cpp (228)"}, TraceLines());
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(ErrorReportTest, FlagsTwoWriteOnlyTheLocationLine) {
    ::testing::internal::CaptureStdout();
    VSB_ReportError(VSB_LOCATION("ProfileLib", 187), 0, "Failed to write profile", 2);
    EXPECT_EQ("", ::testing::internal::GetCapturedStdout());
    EXPECT_EQ(std::vector<std::string>{"Error in line ProfileLib.cpp (187)"}, TraceLines());
}

TEST_F(ErrorReportTest, Flags23ShowAnExclamationBoxWithAnApplicationObject) {
    fw::SetApplicationObjectPresent(true);
    VSB_ReportError(kHashKeyLocation, 0, "Call to HashKey with NULL ptr", 23);
    EXPECT_EQ(std::vector<std::string>{"Error in line ListClasses.cpp (120)"}, TraceLines());
    ASSERT_EQ(1u, Boxes().size());
    EXPECT_EQ("Call to HashKey with NULL ptr", Boxes()[0].text);
    EXPECT_EQ(0x30u, Boxes()[0].type);
}

TEST_F(ErrorReportTest, MessageBoxFlagWithoutApplicationObjectWritesTheTextUnchanged) {
    ::testing::internal::CaptureStdout();
    VSB_ReportError(kHashKeyLocation, 0, "Failed to create temporary file 100%", 23);
    EXPECT_EQ("Failed to create temporary file 100%", ::testing::internal::GetCapturedStdout());
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(1u, TraceLines().size());
}

TEST_F(ErrorReportTest, ThrowFlagRaisesUserExceptionWithoutBox) {
    fw::SetApplicationObjectPresent(true);
    EXPECT_THROW(VSB_ReportError(kHashKeyLocation, 0, "abandon", VSB_REPORT_THROW), CUserException);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(std::vector<std::string>{"Error in line ListClasses.cpp (120)"}, TraceLines());
}

TEST_F(ErrorReportTest, ThrowFlagRaisesAfterTheBox) {
    fw::SetApplicationObjectPresent(true);
    try {
        VSB_ReportError(kHashKeyLocation, 0, "shown, then abandoned",
                        VSB_REPORT_MSGBOX | VSB_REPORT_THROW);
        FAIL() << "no exception";
    } catch (const CUserException&) {
        ASSERT_EQ(1u, Boxes().size());
        EXPECT_EQ("shown, then abandoned", Boxes()[0].text);
    }
}

TEST_F(ErrorReportTest, NullTextShowsAnEmptyText) {
    fw::SetApplicationObjectPresent(true);
    VSB_ReportError(kHashKeyLocation, 0, nullptr, VSB_REPORT_MSGBOX);
    ASSERT_EQ(1u, Boxes().size());
    EXPECT_EQ("", Boxes()[0].text);
}

TEST_F(ErrorReportTest, LocationWithPercentSignIsTracedUnchanged) {
    VSB_ReportError("odd%sname.cpp (1)", 0, "x", 3);
    EXPECT_EQ(std::vector<std::string>{"Error in line odd%sname.cpp (1)"}, TraceLines());
}

TEST_F(ErrorReportTest, ReportLeavesTheLastErrorAlone) {
    SetLastError(5);
    VSB_ReportError(kHashKeyLocation, 0, "x", 3);
    EXPECT_EQ(5u, GetLastError());
}

TEST_F(ErrorReportTest, DeltalensWritesNoLocationLine) {
    VSB_SetReportVariant(VSB_VARIANT_DELTALENS);
    fw::SetApplicationObjectPresent(true);
    VSB_ReportError(kHashKeyLocation, 0, "Call to HashKey with NULL ptr", 23);
    EXPECT_TRUE(TraceLines().empty());
    ASSERT_EQ(1u, Boxes().size());
    EXPECT_EQ("Call to HashKey with NULL ptr", Boxes()[0].text);
    EXPECT_THROW(VSB_ReportError(kHashKeyLocation, 0, "x", VSB_REPORT_THROW), CUserException);
}

}  // namespace
