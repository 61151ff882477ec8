// The real message boxes of a program with an application object, built as
// for the screen and answered by the test hook.
#include <gtest/gtest.h>

#include "core/message_box.h"
#include "window/ui_test_hook.h"

namespace {

TEST(WindowMessageBoxTest, BoxesShowTheTypesIconAndTheProgramNameAsCaption) {
    fw::UiTestHook hook;
    EXPECT_TRUE(fw::HasApplicationObject());
    EXPECT_EQ(IDOK, AfxMessageBox("It failed!", MB_ICONSTOP));
    AfxMessageBox("Careful", MB_ICONEXCLAMATION);
    AfxMessageBox("Done\nin two lines", MB_OK | MB_ICONINFORMATION);
    AfxMessageBox("Plain");
    ASSERT_EQ(4u, hook.MessageBoxes().size());
    const std::vector<unsigned> icons{16, 48, 64, 0};
    for (std::size_t i = 0; i < icons.size(); ++i) {
        EXPECT_EQ(icons[i], hook.MessageBoxes()[i].icon) << i;
        EXPECT_EQ("framework_window_tests", hook.MessageBoxes()[i].caption) << i;
    }
    EXPECT_EQ("Done\nin two lines", hook.MessageBoxes()[2].text);
}

TEST(WindowMessageBoxTest, TheDetailGoesBehindTheDetailsButton) {
    fw::UiTestHook hook;
    fw::MessageBoxWithDetail("Can't open MSI Database!", MB_ICONSTOP, "No such file or directory");
    ASSERT_EQ(1u, hook.MessageBoxes().size());
    EXPECT_EQ("Can't open MSI Database!", hook.MessageBoxes()[0].text);
    EXPECT_EQ("No such file or directory", hook.MessageBoxes()[0].detail);
}

TEST(WindowMessageBoxTest, TheAnswerIsTheButtonChosen) {
    fw::UiTestHook hook;
    hook.AnswerMessageBox(IDNO);
    EXPECT_EQ(IDNO, AfxMessageBox("Replace it?", MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(32u, hook.MessageBoxes()[0].icon);
    // Unanswered boxes get OK.
    EXPECT_EQ(IDOK, AfxMessageBox("Next"));
}

TEST(WindowMessageBoxTest, TheHookRestoresWhatWasBefore) {
    const bool had = fw::HasApplicationObject();
    { fw::UiTestHook hook; }
    EXPECT_EQ(had, fw::HasApplicationObject());
    ::testing::internal::CaptureStdout();
    AfxMessageBox("to standard output");
    EXPECT_EQ("to standard output\n", ::testing::internal::GetCapturedStdout());
}

}  // namespace
