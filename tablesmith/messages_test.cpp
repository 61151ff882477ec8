#include "messages.h"

#include <gtest/gtest.h>

namespace tablesmith {
namespace {

TEST(FillMessageTest, FillsTheCommandsTextsInOrder) {
    EXPECT_EQ("Successfully exported table Property to\n/tmp/product",
              FillMessage(kExportedTable, {"Property", "/tmp/product"}));
    EXPECT_EQ("42 Tables", FillMessage(kTableCount, {"42"}));
}

}  // namespace
}  // namespace tablesmith
