// The message box sink hands the cause to the box as its detail, and the
// default of a sink without a place for it tells the text alone.
#include "message_sink.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/message_box.h"

namespace {

struct Box {
    std::string text;
    unsigned type;
    std::string detail;
};

TEST(MessageBoxSinkTest, TheDetailGoesToTheBoxBesideItsText) {
    std::vector<Box> boxes;
    const fw::MessageBoxHandler previous = fw::SetMessageBoxHandler(
        [&boxes](const std::string& text, unsigned type, const std::string& detail) {
            boxes.push_back({text, type, detail});
            return IDOK;
        });
    tablesmith::MessageBoxSink sink;
    sink.Tell("Successfully exported all CABs to\n/tmp/p", MB_ICONINFORMATION);
    EXPECT_FALSE(sink.SawStop());
    sink.TellWithDetail("Can't open MSI Database in Transaction mode!", MB_ICONSTOP,
                        "cannot open p.msi: No such file or directory");
    EXPECT_TRUE(sink.SawStop());
    fw::SetMessageBoxHandler(previous);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].detail, "");
    EXPECT_EQ(boxes[0].type, MB_OK | MB_ICONINFORMATION);
    EXPECT_EQ(boxes[1].text, "Can't open MSI Database in Transaction mode!");
    EXPECT_EQ(boxes[1].type, MB_OK | MB_ICONSTOP);
    EXPECT_EQ(boxes[1].detail, "cannot open p.msi: No such file or directory");
}

TEST(MessageSinkTest, ASinkWithoutDetailsTellsTheTextAlone) {
    struct TextOnly : tablesmith::MessageSink {
        void Tell(const std::string& text, unsigned icon_type) override {
            told.push_back({text, icon_type, ""});
        }
        std::vector<Box> told;
    } sink;
    sink.TellWithDetail("Can't export table T!", MB_ICONSTOP, "no table T");
    ASSERT_EQ(sink.told.size(), 1u);
    EXPECT_EQ(sink.told[0].text, "Can't export table T!");
    EXPECT_EQ(sink.told[0].type, MB_ICONSTOP);
}

}  // namespace
