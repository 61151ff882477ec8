#include "message_fill.h"

#include <gtest/gtest.h>

namespace {

TEST(FillMessageTest, InsertedTextIsNeverReadAsAFormat) {
    EXPECT_EQ("Can't export table %s%d!", diag::FillMessage("Can't export table %s!", {"%s%d"}));
}

TEST(FillMessageTest, FieldsWithoutArgumentsStayAsWritten) {
    EXPECT_EQ("a x b %s", diag::FillMessage("a %s b %s", {"x"}));
    EXPECT_EQ("100% sure", diag::FillMessage("100% sure", {}));
}

}  // namespace
