#include "messages.h"

#include <gtest/gtest.h>

namespace tablesmith {
namespace {

TEST(FormatMessageTextTest, FillsFieldsInOrder) {
    EXPECT_EQ("Successfully exported table Property to\n/tmp/product",
              FormatMessageText(kExportedTable, {"Property", "/tmp/product"}));
    EXPECT_EQ("42 Tables", FormatMessageText(kTableCount, {"42"}));
}

TEST(FormatMessageTextTest, InsertedTextIsNeverReadAsAFormat) {
    EXPECT_EQ("Can't export table %s%d!", FormatMessageText(kCantExportTable, {"%s%d"}));
}

TEST(FormatMessageTextTest, FieldsWithoutArgumentsStayAsWritten) {
    EXPECT_EQ("a x b %s", FormatMessageText("a %s b %s", {"x"}));
    EXPECT_EQ("100% sure", FormatMessageText("100% sure", {}));
}

}  // namespace
}  // namespace tablesmith
