#include <gtest/gtest.h>

#include "error_report.h"
#include "report_test_support.h"

namespace {

// Reports go to a recorded message box so that the tests can read the text.
class WinErrorReportTest : public diag_testing::ReportTest {
  protected:
    WinErrorReportTest() { fw::SetApplicationObjectPresent(true); }

    std::string Report(const char* text, DWORD error) {
        size_t before = Boxes().size();
        VSB_ReportWinError(VSB_LOCATION("RegClasses", 88), 0, text, error, VSB_REPORT_MSGBOX);
        EXPECT_EQ(before + 1, Boxes().size());
        return Boxes().empty() ? std::string() : Boxes().back().text;
    }

    static std::string SystemText(DWORD code) {
        char* buffer = nullptr;
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code,
                       MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&buffer),
                       0, nullptr);
        if (buffer == nullptr) return {};
        std::string text = buffer;
        LocalFree(buffer);
        return text;
    }
};

TEST_F(WinErrorReportTest, PlainTextIsFollowedByALineFeedAndTheSystemText) {
    ASSERT_FALSE(SystemText(2).empty());
    EXPECT_EQ("Couldn\xB4t read regvalue InstallDir\n" + SystemText(2),
              Report("Couldn\xB4t read regvalue InstallDir", 2));
    EXPECT_EQ(std::vector<std::string>{"Error in line RegClasses.cpp (88)"}, TraceLines());
}

TEST_F(WinErrorReportTest, ErrorZeroHasNoSystemText) {
    EXPECT_EQ("Failed to write profile\n", Report("Failed to write profile", 0));
}

TEST_F(WinErrorReportTest, NoTextGivesTheSystemTextAlone) {
    EXPECT_EQ(SystemText(5), Report(nullptr, 5));
    EXPECT_EQ(SystemText(5), Report("", 5));
}

TEST_F(WinErrorReportTest, TemplateTakesTheSystemTextAsFirstInsert) {
    EXPECT_EQ("Opening key failed: " + SystemText(2) + " (100%)",
              Report("Opening key failed: %1 (100%%)", 2));
}

TEST_F(WinErrorReportTest, TemplateInsertsBeyondTheFirstAreEmpty) {
    // A value name filled into the text may carry insert marks of its own.
    EXPECT_EQ("Couldn't read value '' of '' (%): " + SystemText(2),
              Report("Couldn't read value '%2' of '%99' (%%): %1", 2));
}

TEST_F(WinErrorReportTest, Win32HResultIsLookedUpByItsCode) {
    EXPECT_EQ("Access\n" + SystemText(5), Report("Access", HRESULT_FROM_WIN32(5)));
    EXPECT_EQ(0x80070005u, static_cast<DWORD>(HRESULT_FROM_WIN32(5)));
}

TEST_F(WinErrorReportTest, WindowsFacilityHResultIsLookedUpByItsCode) {
    EXPECT_EQ("x\n" + SystemText(2), Report("x", 0x80080002u));
}

TEST_F(WinErrorReportTest, OnlyTheLowFourteenBitsAreLookedUp) {
    // 0x4005 would be a code of its own; the mask keeps 0x0005.
    EXPECT_EQ("x\n" + SystemText(5), Report("x", 0x80074005u));
}

TEST_F(WinErrorReportTest, HResultWithClearFacilityNibbleIsLookedUpByItsCode) {
    // Facility 0x10: bits 16 to 19 are clear.
    EXPECT_EQ("x\n" + SystemText(5), Report("x", 0x80100005u));
}

TEST_F(WinErrorReportTest, OtherFacilityShowsTheHResultInHex) {
    EXPECT_EQ("Class not registered?\nHRESULT: 0x80040154",
              Report("Class not registered?", 0x80040154u));
    EXPECT_EQ("HRESULT: 0x800a0bcd", Report(nullptr, 0x800A0BCDu));
}

TEST_F(WinErrorReportTest, MalformedTemplateGivesTheReplacementText) {
    EXPECT_EQ("An exception occurred in VSB_ReportWinError while formatting a report...\n",
              Report("%1!d", 2));
    EXPECT_EQ(std::vector<std::string>{"Error in line RegClasses.cpp (88)"}, TraceLines());
}

TEST_F(WinErrorReportTest, LastErrorIsUnchanged) {
    SetLastError(1010);
    Report("x", 99999);  // a code without system text: the lookup fails inside
    Report("%1!d", 2);
    EXPECT_EQ(1010u, GetLastError());
}

TEST_F(WinErrorReportTest, WithoutApplicationObjectTheTextGoesToStandardOutput) {
    fw::SetApplicationObjectPresent(false);
    ::testing::internal::CaptureStdout();
    VSB_ReportWinError(VSB_LOCATION("RegClasses", 88), 0, "Read failed", 2, VSB_REPORT_MSGBOX);
    EXPECT_EQ("Read failed\n" + SystemText(2), ::testing::internal::GetCapturedStdout());
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(WinErrorReportTest, FlagsThreeShowNothing) {
    VSB_ReportWinError(VSB_LOCATION("ProfileLib", 187), 0, "x", 2, 3);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(std::vector<std::string>{"Error in line ProfileLib.cpp (187)"}, TraceLines());
}

TEST_F(WinErrorReportTest, DeltalensLooksUpForeignHResultsUnchangedAndTracesNothing) {
    VSB_SetReportVariant(VSB_VARIANT_DELTALENS);
    EXPECT_EQ("Class not registered?\n" + SystemText(0x80040154u),
              Report("Class not registered?", 0x80040154u));
    EXPECT_EQ("x\n" + SystemText(5), Report("x", HRESULT_FROM_WIN32(5)));
    EXPECT_TRUE(TraceLines().empty());
}

TEST_F(WinErrorReportTest, DeltalensGoesOnWithTheCallersTextWhenTheTemplateFails) {
    VSB_SetReportVariant(VSB_VARIANT_DELTALENS);
    EXPECT_EQ("%1!d", Report("%1!d", 2));
}

}  // namespace
