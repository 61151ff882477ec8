#include "win32/debug.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "debug_channel_internal.h"
#include "test_support.h"

namespace {

using testing_support::TraceCapture;

TEST(DebugChannel, CaptureReceivesEveryLineInOrder) {
    TraceCapture capture;
    OutputDebugStringA("first\n");
    OutputDebugStringA("second\n");
    EXPECT_EQ(capture.Lines(), (std::vector<std::string>{"first", "second"}));
}

TEST(DebugChannel, NullTextIsIgnored) {
    TraceCapture capture;
    OutputDebugStringA(nullptr);
    EXPECT_TRUE(capture.Lines().empty());
}

TEST(DebugChannel, EmptySinkSilencesAndPreviousSinkComesBack) {
    std::vector<std::string> outer;
    win32::DebugSink original =
        win32::SetDebugSink([&](std::string_view text) { outer.emplace_back(text); });
    win32::DebugSink mine = win32::SetDebugSink({});
    OutputDebugStringA("lost");
    win32::SetDebugSink(mine);
    OutputDebugStringA("kept");
    win32::SetDebugSink(original);
    EXPECT_EQ(outer, (std::vector<std::string>{"kept"}));
}

TEST(DebugChannel, LinesFromManyThreadsArriveWhole) {
    TraceCapture capture;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            std::string line = "thread " + std::to_string(t) + " line\n";
            for (int i = 0; i < 200; ++i) OutputDebugStringA(line.c_str());
        });
    }
    for (auto& thread : threads) thread.join();
    ASSERT_EQ(capture.Lines().size(), 800u);
    for (const std::string& line : capture.Lines()) {
        EXPECT_EQ(line.rfind("thread ", 0), 0u);
        EXPECT_EQ(line.substr(line.size() - 5), " line");
    }
}

TEST(DebugChannel, SinkMayTraceFromInsideItself) {
    std::vector<std::string> seen;
    bool nested = false;
    win32::DebugSink previous = win32::SetDebugSink([&](std::string_view text) {
        seen.emplace_back(text);
        if (!nested) {
            nested = true;
            OutputDebugStringA("inner");
        }
    });
    OutputDebugStringA("outer");
    win32::SetDebugSink(previous);
    EXPECT_EQ(seen, (std::vector<std::string>{"outer", "inner"}));
}

TEST(DebugChannel, EnvironmentValueDecidesStderr) {
    EXPECT_FALSE(win32::TraceRequestedByEnvironment(nullptr));
    EXPECT_FALSE(win32::TraceRequestedByEnvironment(""));
    EXPECT_FALSE(win32::TraceRequestedByEnvironment("0"));
    EXPECT_TRUE(win32::TraceRequestedByEnvironment("1"));
}

// The death-test child runs in a fresh process, so the channel reads the
// environment afresh there.
TEST(DebugChannelProcess, VsbTraceSendsLinesToStderr) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    setenv("VSB_TRACE", "1", 1);
    EXPECT_EXIT(
        {
            OutputDebugStringA("traced line\n");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "traced line");
    unsetenv("VSB_TRACE");
}

TEST(DebugChannelProcess, SilentWithoutVsbTrace) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    unsetenv("VSB_TRACE");
    EXPECT_EXIT(
        {
            OutputDebugStringA("quiet line\n");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "^$");  // nothing at all on stderr
}

TEST(DebugChannelProcess, EnableDebugStderrWritesLines) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    unsetenv("VSB_TRACE");
    EXPECT_EXIT(
        {
            win32::EnableDebugStderr();
            OutputDebugStringA("cli trace\n");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "cli trace");
}

}  // namespace
