// The main function of test programs that run real widgets: Qt on its
// offscreen platform (unless the environment names another), with the
// application object's message boxes, then every test.
#include <gtest/gtest.h>

#include "window/offscreen_session.h"

int main(int argc, char** argv) {
    fw::OffscreenSession session(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
