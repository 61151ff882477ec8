// Every base service that fills a caller's buffer, at and around the size
// that just fits: a guard after the buffer must stay untouched, and the
// answer must be the one the function promises for a buffer that is too
// small, exactly large enough, or larger.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "guarded_buffer.h"
#include "test_support.h"
#include "win32/files.h"
#include "win32/format.h"
#include "win32/lasterror.h"
#include "win32/winerror.h"

namespace {

using testing_support::GuardedBuffer;

TEST(BufferBoundary, TempPathAnswersTheSizeItNeeds) {
    testing_support::TempDir tmp(true);
    const std::string text = tmp.str() + "/";
    for (DWORD capacity = 0; capacity <= text.size() + 2; ++capacity) {
        SCOPED_TRACE(capacity);
        GuardedBuffer buffer(capacity);
        const DWORD result = GetTempPathA(capacity, buffer.data());
        EXPECT_TRUE(buffer.GuardIntact());
        if (capacity > text.size()) {
            EXPECT_EQ(result, text.size());
            EXPECT_EQ(buffer.Text(), text);
        } else {
            EXPECT_EQ(result, text.size() + 1);  // the size needed, terminator included
            EXPECT_EQ(buffer.Bytes(), std::string(capacity, '#'));
        }
    }
}

TEST(BufferBoundary, ModuleFileNameIsCutToTheBuffer) {
    char link[4096];
    const ssize_t length = readlink("/proc/self/exe", link, sizeof link);
    ASSERT_GT(length, 0);
    const std::string text(link, static_cast<size_t>(length));
    for (DWORD capacity = 1; capacity <= text.size() + 2; ++capacity) {
        SCOPED_TRACE(capacity);
        GuardedBuffer buffer(capacity);
        const DWORD result = GetModuleFileNameA(nullptr, buffer.data(), capacity);
        EXPECT_TRUE(buffer.GuardIntact());
        if (capacity > text.size()) {
            EXPECT_EQ(result, text.size());
            EXPECT_EQ(buffer.Text(), text);
        } else {
            EXPECT_EQ(result, capacity);
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
            EXPECT_EQ(buffer.Text(), text.substr(0, capacity - 1));
        }
    }
}

TEST(BufferBoundary, FormattedMessageFitsOrFails) {
    const std::string text = "twelve chars";
    for (DWORD capacity = 0; capacity <= text.size() + 2; ++capacity) {
        SCOPED_TRACE(capacity);
        GuardedBuffer buffer(capacity);
        const DWORD result =
            FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_IGNORE_INSERTS, text.c_str(),
                           0, 0, buffer.data(), capacity, nullptr);
        EXPECT_TRUE(buffer.GuardIntact());
        if (capacity > text.size()) {
            EXPECT_EQ(result, text.size());
            EXPECT_EQ(buffer.Text(), text);
        } else {
            EXPECT_EQ(result, 0u);
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
        }
    }
}

int Print(char* out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int written = wvsprintfA(out, format, args);
    va_end(args);
    return written;
}

// wvsprintf is given no size: its buffer is 1024 bytes by contract.
TEST(BufferBoundary, WsprintfStaysInsideItsTenTwentyFourBytes) {
    for (size_t length : {1022u, 1023u, 1024u, 1025u, 4000u}) {
        SCOPED_TRACE(length);
        const std::string text(length, 'x');
        GuardedBuffer buffer(1024);
        const int written = Print(buffer.data(), "%s", text.c_str());
        EXPECT_TRUE(buffer.GuardIntact());
        EXPECT_EQ(static_cast<size_t>(written), std::min<size_t>(length, 1023));
        EXPECT_EQ(buffer.Text(), text.substr(0, 1023));
    }
}

// A temporary file name fills a MAX_PATH buffer: a folder whose longest name
// would not fit is refused before anything is written.
TEST(BufferBoundary, TempFileNameFitsMaxPathOrIsRefused) {
    testing_support::TempDir dir;
    // "<folder>/abc" + up to four hex digits + ".tmp" + the terminator.
    const size_t fixed = 1 + 3 + 4 + 4 + 1;
    const size_t base = dir.str().size() + 1;
    ASSERT_LT(base + fixed, static_cast<size_t>(MAX_PATH));
    for (size_t folder_length : {MAX_PATH - fixed, MAX_PATH - fixed + 1}) {
        SCOPED_TRACE(folder_length);
        const std::filesystem::path folder = dir.path() / std::string(folder_length - base, 'f');
        std::filesystem::create_directory(folder);
        GuardedBuffer buffer(MAX_PATH);
        const UINT number = GetTempFileNameA(folder.c_str(), "abc", 0, buffer.data());
        EXPECT_TRUE(buffer.GuardIntact());
        if (folder_length + fixed <= MAX_PATH) {
            EXPECT_NE(number, 0u);
            EXPECT_EQ(buffer.Text().rfind(folder.string() + "/abc", 0), 0u);
        } else {
            EXPECT_EQ(number, 0u);
            EXPECT_EQ(buffer.Bytes(), std::string(MAX_PATH, '#'));
        }
    }
}

}  // namespace
