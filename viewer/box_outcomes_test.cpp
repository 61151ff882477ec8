// The dialog's sink: the kind picks the box's icon, the cause goes to the
// box beside its text.
#include "box_outcomes.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/message_box.h"

namespace {

struct Box {
    std::string text;
    unsigned type;
    std::string detail;
};

TEST(BoxOutcomesTest, TheKindPicksTheIconAndTheCauseGoesToTheBoxBesideItsText) {
    std::vector<Box> boxes;
    const fw::MessageBoxHandler previous = fw::SetMessageBoxHandler(
        [&boxes](const std::string& text, unsigned type, const std::string& detail) {
            boxes.push_back({text, type, detail});
            return IDOK;
        });
    int refreshes = 0;
    viewer::BoxOutcomes sink([&refreshes] { ++refreshes; });
    sink.Inform("Successfully exported all CABs to\n/tmp/p");
    EXPECT_FALSE(sink.SawStop());
    sink.Warn("Careful!");
    EXPECT_FALSE(sink.SawStop());
    sink.Stop("Can't open MSI Database in Transaction mode!",
              "cannot open p.msi: No such file or directory");
    EXPECT_TRUE(sink.SawStop());
    fw::SetMessageBoxHandler(previous);
    EXPECT_EQ(refreshes, 3);  // the dialog is brought up to date before each box
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].detail, "");
    EXPECT_EQ(boxes[0].type, MB_OK | MB_ICONINFORMATION);
    EXPECT_EQ(boxes[1].type, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(boxes[2].text, "Can't open MSI Database in Transaction mode!");
    EXPECT_EQ(boxes[2].type, MB_OK | MB_ICONSTOP);
    EXPECT_EQ(boxes[2].detail, "cannot open p.msi: No such file or directory");
}

}  // namespace
