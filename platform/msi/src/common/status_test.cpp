// Misuse of Result asserts in debug builds; elsewhere a Result made from an
// ok Status still reads as a failure, so no caller reads a value that is not
// there.
#include "common/status.h"

#include <gtest/gtest.h>

namespace msi {
namespace {

Result<int> MadeFromOk() {
    return Status::Ok();
}

TEST(ResultMisuse, ResultWithoutValueOrReasonAssertsOrFails) {
    EXPECT_DEBUG_DEATH(
        {
            const Result<int> result = MadeFromOk();
            EXPECT_FALSE(result.ok());
            EXPECT_FALSE(result.status().ok());
        },
        "needs a failed Status");
}

TEST(ResultMisuse, ValueOfAFailedResultAsserts) {
#ifdef NDEBUG
    GTEST_SKIP() << "a release build does not check this (reading it is the caller's fault)";
#else
    const Result<int> failed = Status::NotFound("nothing");
    EXPECT_DEATH((void)failed.value(), "the value of a failed Result");
#endif
}

}  // namespace
}  // namespace msi
