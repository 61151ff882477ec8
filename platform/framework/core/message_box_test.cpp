#include "core/message_box.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/exceptions.h"

namespace {

struct Shown {
    std::string text;
    unsigned type;
    std::string detail;
};

// Records every box shown while it lives and answers with `answer`.
class BoxRecorder {
  public:
    explicit BoxRecorder(int answer = IDOK) {
        previous_ = fw::SetMessageBoxHandler(
            [this, answer](const std::string& text, unsigned type, const std::string& detail) {
                shown_.push_back({text, type, detail});
                return answer;
            });
    }
    ~BoxRecorder() { fw::SetMessageBoxHandler(previous_); }
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;
    const std::vector<Shown>& shown() const { return shown_; }

  private:
    fw::MessageBoxHandler previous_;
    std::vector<Shown> shown_;
};

TEST(MessageBoxTest, IconConstantsHaveTheirWindowsValues) {
    EXPECT_EQ(0x10u, MB_ICONSTOP);
    EXPECT_EQ(0x10u, MB_ICONHAND);
    EXPECT_EQ(0x30u, MB_ICONEXCLAMATION);
    EXPECT_EQ(0x40u, MB_ICONINFORMATION);
    EXPECT_EQ(0u, MB_OK);
}

TEST(MessageBoxTest, HandlerSeesTextAndTypeAndGivesTheAnswer) {
    BoxRecorder recorder(IDNO);
    EXPECT_EQ(IDNO, AfxMessageBox("Export done: 5 tables", MB_ICONINFORMATION | MB_YESNO));
    ASSERT_EQ(1u, recorder.shown().size());
    EXPECT_EQ("Export done: 5 tables", recorder.shown()[0].text);
    EXPECT_EQ(0x44u, recorder.shown()[0].type);
}

TEST(MessageBoxTest, WithoutHandlerTheTextGoesToStandardOutputUnchanged) {
    auto previous = fw::SetMessageBoxHandler({});
    ::testing::internal::CaptureStdout();
    int answer = AfxMessageBox("100% done\r\nsecond line", MB_ICONSTOP);
    std::string printed = ::testing::internal::GetCapturedStdout();
    fw::SetMessageBoxHandler(previous);
    EXPECT_EQ(IDOK, answer);
    EXPECT_EQ("100% done\r\nsecond line\n", printed);
}

TEST(MessageBoxTest, DetailReachesTheHandlerApartFromTheText) {
    BoxRecorder recorder;
    fw::MessageBoxWithDetail("Can't open!", MB_ICONSTOP, "No such file or directory");
    AfxMessageBox("plain");
    ASSERT_EQ(2u, recorder.shown().size());
    EXPECT_EQ("Can't open!", recorder.shown()[0].text);
    EXPECT_EQ("No such file or directory", recorder.shown()[0].detail);
    EXPECT_EQ("", recorder.shown()[1].detail);
}

TEST(MessageBoxTest, WithoutHandlerTheDetailFollowsOnALineOfItsOwn) {
    auto previous = fw::SetMessageBoxHandler({});
    ::testing::internal::CaptureStdout();
    fw::MessageBoxWithDetail("Can't open!", MB_ICONSTOP, "cause");
    std::string printed = ::testing::internal::GetCapturedStdout();
    fw::SetMessageBoxHandler(previous);
    EXPECT_EQ("Can't open!\ncause\n", printed);
}

TEST(MessageBoxTest, SetHandlerReturnsThePreviousOne) {
    BoxRecorder outer;
    {
        BoxRecorder inner;
        AfxMessageBox("inner");
        EXPECT_EQ(1u, inner.shown().size());
    }
    AfxMessageBox("outer");
    ASSERT_EQ(1u, outer.shown().size());
    EXPECT_EQ("outer", outer.shown()[0].text);
}

TEST(MessageBoxTest, ApplicationObjectPresenceIsRemembered) {
    EXPECT_FALSE(fw::HasApplicationObject());
    fw::SetApplicationObjectPresent(true);
    EXPECT_TRUE(fw::HasApplicationObject());
    fw::SetApplicationObjectPresent(false);
    EXPECT_FALSE(fw::HasApplicationObject());
}

TEST(MessageBoxTest, AppNameIsTheProgramFileWithoutFolderOrExtension) {
    EXPECT_EQ("framework_core_tests", AfxGetAppName());
    fw::SetAppName("Tablesmith");
    EXPECT_EQ("Tablesmith", AfxGetAppName());
    fw::SetAppName("");
    EXPECT_EQ("framework_core_tests", AfxGetAppName());
}

TEST(MessageBoxTest, ExceptionReportErrorShowsItsMessage) {
    BoxRecorder recorder;
    CFileException error(CFileException::accessDenied, 0, "/tmp/x.msi");
    error.ReportError(MB_ICONSTOP);
    ASSERT_EQ(1u, recorder.shown().size());
    EXPECT_EQ("Access to the file was denied. File: /tmp/x.msi.", recorder.shown()[0].text);
    EXPECT_EQ(MB_ICONSTOP, recorder.shown()[0].type);
}

}  // namespace
