#include "debug_trace.h"

#include <gtest/gtest.h>

#include "report_test_support.h"

namespace {

using TraceTest = diag_testing::ReportTest;

void TaggedTrace(const char* tag, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    VSB_TraceTagged(tag, format, arguments);
    va_end(arguments);
}

const std::vector<std::string> kFailureLine = {
    "An Exception occurred while formatting a report.\n"};

TEST_F(TraceTest, PrintfFormatWritesOneLine) {
    VSB_Trace("Exported %d tables to %s", 5, "/tmp/demo");
    EXPECT_EQ(std::vector<std::string>{"Exported 5 tables to /tmp/demo"}, TraceLines());
}

TEST_F(TraceTest, EveryLineEndsWithALineFeed) {
    std::vector<std::string> raw;
    auto previous = win32::SetDebugSink([&raw](std::string_view text) { raw.emplace_back(text); });
    VSB_Trace("plain");
    VSB_Trace("%1", "template");
    win32::SetDebugSink(previous);
    EXPECT_EQ((std::vector<std::string>{"plain\n", "template\n"}), raw);
}

TEST_F(TraceTest, TemplateInsertWithPercentSignIsCopiedUnchanged) {
    VSB_Trace("Created registry key '%1'", "Software\\100%Sure\\%d%s");
    EXPECT_EQ(std::vector<std::string>{"Created registry key 'Software\\100%Sure\\%d%s'"},
              TraceLines());
}

TEST_F(TraceTest, TemplateTakesInsertsByPosition) {
    VSB_Trace("%2 after %1", "first", "second");
    EXPECT_EQ(std::vector<std::string>{"second after first"}, TraceLines());
}

TEST_F(TraceTest, FormatWithoutPercentOneIsReadPrintfStyle) {
    VSB_Trace("100%% of %s", "rows");
    EXPECT_EQ(std::vector<std::string>{"100% of rows"}, TraceLines());
}

TEST_F(TraceTest, PrintfTextIsCutAt1023Bytes) {
    const std::string long_text(2000, 'x');
    VSB_Trace("%s", long_text.c_str());
    ASSERT_EQ(1u, TraceLines().size());
    EXPECT_EQ(std::string(1023, 'x'), TraceLines()[0]);
}

TEST_F(TraceTest, TemplateTextIsNotCut) {
    const std::string long_text(2000, 'y');
    VSB_Trace("%1", long_text.c_str());
    ASSERT_EQ(1u, TraceLines().size());
    EXPECT_EQ(long_text, TraceLines()[0]);
}

TEST_F(TraceTest, TraceErrorWritesTheSameLineAsTrace) {
    VSB_Trace("Committed %d of %d records", 3, 4);
    VSB_TraceError("Committed %d of %d records", 3, 4);
    ASSERT_EQ(2u, TraceLines().size());
    EXPECT_EQ(TraceLines()[0], TraceLines()[1]);
}

TEST_F(TraceTest, BetaTraceTagsTheLine) {
    VSB_BetaTrace("Skipping new and deleted record.");
    EXPECT_EQ(std::vector<std::string>{"[BETA_BUILD] Skipping new and deleted record."},
              TraceLines());
}

TEST_F(TraceTest, TaggedTraceFormatsAfterTheTag) {
    TaggedTrace("MGR", "Opened %s in mode %d", "a.msi", 1);
    TaggedTrace("MGR", "Copied to '%1'", "/tmp/wk%1.tmp");
    EXPECT_EQ((std::vector<std::string>{"[MGR] Opened a.msi in mode 1",
                                        "[MGR] Copied to '/tmp/wk%1.tmp'"}),
              TraceLines());
}

TEST_F(TraceTest, PercentSignInATagPrintsAsItself) {
    TaggedTrace("100%d", "plain %s", "text");
    TaggedTrace("%1 tag", "template '%1'", "insert");
    TaggedTrace("%1 tag", "printf %d", 7);
    EXPECT_EQ((std::vector<std::string>{"[100%d] plain text", "[%1 tag] template 'insert'",
                                        "[%1 tag] printf 7"}),
              TraceLines());
}

TEST_F(TraceTest, NullFormatGivesTheReplacementLine) {
    VSB_Trace(nullptr);
    EXPECT_EQ(kFailureLine, TraceLines());
}

TEST_F(TraceTest, MalformedTemplateGivesTheReplacementLine) {
    VSB_Trace("%1!d", 5);
    EXPECT_EQ(kFailureLine, TraceLines());
}

TEST_F(TraceTest, TraceLeavesTheLastErrorAlone) {
    SetLastError(1234);
    VSB_Trace("%1!d", 5);
    VSB_Trace("fine %s", "text");
    EXPECT_EQ(1234u, GetLastError());
}

TEST_F(TraceTest, DeltalensWritesNoTrace) {
    VSB_SetReportVariant(VSB_VARIANT_DELTALENS);
    VSB_Trace("plain %d", 1);
    VSB_TraceError("%1", "template");
    VSB_BetaTrace("tagged");
    TaggedTrace("T", "tagged");
    VSB_Trace(nullptr);
    EXPECT_TRUE(TraceLines().empty());
}

}  // namespace
