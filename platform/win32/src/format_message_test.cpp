#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>

#include "win32/format.h"
#include "win32/lasterror.h"
#include "win32/winerror.h"

namespace {

// FormatMessageA from a string with the inserts given here, into a buffer.
std::string FromString(DWORD extra_flags, const char* source, ...) {
    va_list args;
    va_start(args, source);
    char buffer[512];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_STRING | extra_flags, source, 0, 0, buffer,
                                  sizeof buffer, &args);
    va_end(args);
    if (length == 0) return "<failed " + std::to_string(GetLastError()) + ">";
    EXPECT_EQ(length, std::strlen(buffer));
    return buffer;
}

std::string SystemText(DWORD code, DWORD language = 0) {
    char* text = nullptr;
    DWORD length =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code,
                       language, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    if (length == 0) return "";
    std::string result(text, length);
    LocalFree(text);
    return result;
}

TEST(FormatMessageSystem, GivesTheWindowsTextWithLineBreak) {
    EXPECT_EQ(SystemText(ERROR_FILE_NOT_FOUND), "The system cannot find the file specified.\r\n");
    EXPECT_EQ(SystemText(ERROR_ACCESS_DENIED), "Access is denied.\r\n");
    EXPECT_EQ(SystemText(ERROR_SUCCESS), "The operation completed successfully.\r\n");
    EXPECT_EQ(SystemText(ERROR_BAD_QUERY_SYNTAX), "SQL query syntax invalid or unsupported.\r\n");
}

TEST(FormatMessageSystem, EveryCodeThePlatformProducesHasText) {
    const DWORD codes[] = {0,    1,    2,    3,    4,    5,    6,    8,    13,  14,
                           18,   19,   32,   50,   80,   87,   110,  112,  120, 122,
                           123,  145,  161,  183,  206,  232,  234,  259,  267, 1010,
                           1011, 1012, 1013, 1014, 1015, 1016, 1017, 1018, 3010};
    for (DWORD code : codes) {
        std::string text = SystemText(code);
        EXPECT_GT(text.size(), 2u) << code;
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << code;
    }
    for (DWORD code = 1601; code <= 1642; ++code) EXPECT_FALSE(SystemText(code).empty()) << code;
}

TEST(FormatMessageSystem, NeutralAndEnglishLanguagesAreAccepted) {
    EXPECT_FALSE(SystemText(ERROR_FILE_NOT_FOUND, 0x0400).empty());
    EXPECT_FALSE(SystemText(ERROR_FILE_NOT_FOUND, 0x0409).empty());
    EXPECT_TRUE(SystemText(ERROR_FILE_NOT_FOUND, 0x0407).empty());  // German
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_LANG_NOT_FOUND));
}

TEST(FormatMessageSystem, UnknownCodeAllocatesNothing) {
    char* text = reinterpret_cast<char*>(0x1);  // must stay untouched
    DWORD length =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 99999,
                       0x0400, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MR_MID_NOT_FOUND));
    EXPECT_EQ(text, reinterpret_cast<char*>(0x1));
}

TEST(FormatMessageSystem, TextWithInsertsTakesArgumentArray) {
    uintptr_t args[] = {reinterpret_cast<uintptr_t>("2A"), reinterpret_cast<uintptr_t>("System")};
    char buffer[256];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                  nullptr, ERROR_MR_MID_NOT_FOUND, 0, buffer, sizeof buffer,
                                  reinterpret_cast<va_list*>(args));
    ASSERT_GT(length, 0u);
    EXPECT_STREQ(buffer,
                 "The system cannot find message text for message number 0x2A in the message "
                 "file for System.\r\n");
}

TEST(FormatMessageSystem, TextWithInsertsButNoArgumentsKeepsThem) {
    std::string text = SystemText(ERROR_MR_MID_NOT_FOUND);
    EXPECT_NE(text.find("0x%1"), std::string::npos);
}

TEST(FormatMessageString, InsertsStringsByPosition) {
    EXPECT_EQ(FromString(0, "%1 then %2", "one", "two"), "one then two");
    EXPECT_EQ(FromString(0, "%2 before %1", "one", "two"), "two before one");
    EXPECT_EQ(FromString(0, "%1 and %1", "same"), "same and same");
}

TEST(FormatMessageString, PercentInsideAnInsertStaysUnchanged) {
    EXPECT_EQ(FromString(0, "Created registry key '%1'", "50%1 %s %n"),
              "Created registry key '50%1 %s %n'");
}

TEST(FormatMessageString, PrintfFormatsInsideExclamationMarks) {
    EXPECT_EQ(FromString(0, "%1!d! items, %2!s!", -3, "done"), "-3 items, done");
    EXPECT_EQ(FromString(0, "[%1!04X!]", 0xABu), "[00AB]");
    EXPECT_EQ(FromString(0, "%2!u! of %1", "total", 7u), "7 of total");
    EXPECT_EQ(FromString(0, "%1!I64d!", static_cast<int64_t>(-5000000000LL)), "-5000000000");
}

TEST(FormatMessageString, EscapesAndLineBreaks) {
    EXPECT_EQ(FromString(0, "100%% sure%n"), "100% sure\r\n");
    EXPECT_EQ(FromString(0, "a%tb%rc%.%!% "), "a\tb\rc.! ");
    EXPECT_EQ(FromString(0, "kept%0 dropped"), "kept");
    EXPECT_EQ(FromString(0, "line one\r\nline two"), "line one\r\nline two");
    EXPECT_EQ(FromString(FORMAT_MESSAGE_MAX_WIDTH_MASK, "line one\r\nline two%n"),
              "line one line two\r\n");
}

TEST(FormatMessageString, MaximumWidthWrapsAtBlanks) {
    EXPECT_EQ(FromString(10, "one two three\r\nfour%nfive sixseveneight"),
              "one two\r\nthree four\r\nfive\r\nsixseveneight");
}

TEST(FormatMessageString, IgnoreInsertsLeavesThemAsWritten) {
    EXPECT_EQ(FromString(FORMAT_MESSAGE_IGNORE_INSERTS, "%1 and %2!d!%n"), "%1 and %2!d!\r\n");
}

TEST(FormatMessageString, ArgumentArrayHoldsPointerSizedValues) {
    uintptr_t args[] = {reinterpret_cast<uintptr_t>("Table"), 42};
    char buffer[64];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                  "%1 has %2!d! rows", 0, 0, buffer, sizeof buffer,
                                  reinterpret_cast<va_list*>(args));
    EXPECT_EQ(length, 17u);
    EXPECT_STREQ(buffer, "Table has 42 rows");
}

TEST(FormatMessageString, AllocateBufferIsReleasedByLocalFree) {
    char* text = nullptr;
    DWORD length = FormatMessageA(
        FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
        "hello", 0, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    ASSERT_EQ(length, 5u);
    EXPECT_STREQ(text, "hello");
    EXPECT_EQ(LocalFree(text), nullptr);
}

TEST(FormatMessageString, SmallBufferAndBadTemplatesFail) {
    char buffer[4];
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_IGNORE_INSERTS, "too long",
                             0, 0, buffer, sizeof buffer, nullptr),
              0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(FromString(0, "%1!d unclosed", 5), "<failed 87>");
    EXPECT_EQ(
        FormatMessageA(FORMAT_MESSAGE_FROM_STRING, nullptr, 0, 0, buffer, sizeof buffer, nullptr),
        0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace

namespace {

// Random templates, inserts and escapes, well-formed or not, with every insert
// slot filled: the call must end with a text or an error code, never a crash
// (run under the sanitizers, this also checks every byte read and written).
TEST(FormatMessageString, RandomTemplatesNeverMisbehave) {
    static const char kInsert[16] = "ab%1";  // the zeros after it end any reading
    uintptr_t args[99];
    for (uintptr_t& slot : args) slot = reinterpret_cast<uintptr_t>(kInsert);
    const std::string alphabet = "%%%%1290!!!dsSxXcpuIl64h.-#0 nrt\r\n";
    std::mt19937 random(2024);
    for (int round = 0; round < 20000; ++round) {
        std::string source;
        for (size_t i = random() % 20; i > 0; --i) source += alphabet[random() % alphabet.size()];
        char buffer[4096];
        DWORD flags = FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY;
        if (random() % 4 == 0) flags |= FORMAT_MESSAGE_IGNORE_INSERTS;
        if (random() % 4 == 0) flags |= FORMAT_MESSAGE_MAX_WIDTH_MASK;
        DWORD length = FormatMessageA(flags, source.c_str(), 0, 0, buffer, sizeof buffer,
                                      reinterpret_cast<va_list*>(args));
        if (length != 0) {
            ASSERT_LT(length, sizeof buffer);
            ASSERT_EQ(buffer[length], '\0') << source;
        } else {
            DWORD error = GetLastError();
            ASSERT_TRUE(error == ERROR_INVALID_PARAMETER || error == ERROR_SUCCESS ||
                        error == ERROR_NO_UNICODE_TRANSLATION || source.empty() ||
                        buffer[0] == '\0')
                << source << " -> " << error;
        }
    }
}

}  // namespace
