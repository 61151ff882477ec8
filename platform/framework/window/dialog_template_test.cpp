#include "window/dialog_template.h"

#include <gtest/gtest.h>

namespace {

TEST(DialogTemplateTest, DialogUnitsScaleWithTheFontsBaseUnits) {
    // The platform's classic font: 6 by 13 pixels, so 4 units are 6 pixels.
    const fw::DialogBaseUnits classic{6, 13};
    EXPECT_EQ(6, fw::HorizontalPixels(4, classic));
    EXPECT_EQ(13, fw::VerticalPixels(8, classic));
    // 314 x 141 units, the size of a real dialog.
    EXPECT_EQ(471, fw::HorizontalPixels(314, classic));
    EXPECT_EQ(229, fw::VerticalPixels(141, classic));
    // A larger font makes the same template larger in proportion.
    const fw::DialogBaseUnits large{12, 26};
    EXPECT_EQ(942, fw::HorizontalPixels(314, large));
    EXPECT_EQ(458, fw::VerticalPixels(141, large));
}

TEST(DialogTemplateTest, PixelsRoundToTheNearestAsMulDivDoes) {
    const fw::DialogBaseUnits base{7, 15};
    EXPECT_EQ(2, fw::HorizontalPixels(1, base));    // 1.75
    EXPECT_EQ(4, fw::HorizontalPixels(2, base));    // 3.5 rounds up
    EXPECT_EQ(2, fw::VerticalPixels(1, base));      // 1.875
    EXPECT_EQ(-2, fw::HorizontalPixels(-1, base));  // halves away from zero
    const fw::ControlTemplate control{1, fw::ControlKind::kEdit, "", 48, 15, 236, 13};
    const fw::PixelRect rect = fw::ToPixels(control, base);
    EXPECT_EQ(84, rect.x);
    EXPECT_EQ(28, rect.y);
    EXPECT_EQ(413, rect.width);
    EXPECT_EQ(24, rect.height);
}

TEST(DialogTemplateTest, AverageCharWidthIsTheLettersWidthOver26Halved) {
    EXPECT_EQ(6, fw::AverageCharWidth(312));  // (12 + 1) / 2
    EXPECT_EQ(7, fw::AverageCharWidth(338));  // (13 + 1) / 2
    EXPECT_EQ(0, fw::AverageCharWidth(0));
}

}  // namespace
