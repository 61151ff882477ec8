#include "registry_key.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/message_box.h"
#include "test_support.h"

namespace {

using testing_support::TraceCapture;
using testing_support::WriteFile;

// Counts the reports a piece of code makes: every report writes one
// "Error in line" trace line; a report with the message-box bit also shows
// its text, which the handler records.
class RegistryKeyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        win32::SetRegistryStorePath(store());
        // With an application object a report with the message-box bit shows
        // a box, which the handler records.
        had_app_object_ = fw::HasApplicationObject();
        fw::SetApplicationObjectPresent(true);
        previous_handler_ = fw::SetMessageBoxHandler([this](const std::string& text, unsigned, const std::string&) {
            shown_.push_back(text);
            return IDOK;
        });
    }
    void TearDown() override {
        fw::SetMessageBoxHandler(previous_handler_);
        fw::SetApplicationObjectPresent(had_app_object_);
        win32::SetRegistryStorePath("");
    }
    std::string store() const { return (dir_.path() / "registry.txt").string(); }
    int ReportCount(const TraceCapture& trace) const {
        int count = 0;
        for (const std::string& line : trace.Lines())
            if (line.rfind("Error in line", 0) == 0) ++count;
        return count;
    }
    bool KeyExists(const char* path) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }
    // A store with one key that denies write access, written by hand.
    void StoreWithReadOnlyKey(const char* path) {
        WriteFile(store(),
                  std::string("VSB-REGISTRY 1\nkey\tHKEY_CURRENT_USER\\") + path + "\tread-only\n");
    }

    testing_support::TempDir dir_;
    std::vector<std::string> shown_;
    fw::MessageBoxHandler previous_handler_;
    bool had_app_object_ = false;
};

TEST_F(RegistryKeyTest, OpeningAMissingKeyForReadingNeverCreatesItOrReports) {
    TraceCapture trace;
    CRegistryKey key(0);
    EXPECT_FALSE(key.Open(HKEY_CURRENT_USER, "Software\\Missing", KEY_READ, 0));
    EXPECT_EQ(key.GetLastResult(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key.GetKey(), nullptr);
    EXPECT_FALSE(KeyExists("Software\\Missing"));
    EXPECT_TRUE(trace.Lines().empty());
}

TEST_F(RegistryKeyTest, OpeningAMissingKeyForReadingIsReportedFromLevelOne) {
    TraceCapture trace;
    CRegistryKey key(1);
    EXPECT_FALSE(key.Open(HKEY_CURRENT_USER, "Software\\Missing", KEY_READ, 0));
    EXPECT_EQ(ReportCount(trace), 1);
    EXPECT_TRUE(shown_.empty());  // open failures are reported with flags 3
}

TEST_F(RegistryKeyTest, OpeningAMissingKeyForWritingCreatesIt) {
    TraceCapture trace;
    CRegistryKey key(0);
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, "Software\\New", KEY_WRITE, 0));
    EXPECT_EQ(key.GetLastResult(), ERROR_SUCCESS);
    EXPECT_NE(key.GetKey(), nullptr);
    EXPECT_TRUE(KeyExists("software\\new"));
    EXPECT_TRUE(trace.Lines().empty());  // level 0 does not trace the creation
}

TEST_F(RegistryKeyTest, LevelFourTracesTheCreatedKey) {
    TraceCapture trace;
    CRegistryKey key(4);
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, "Software\\100%Done", KEY_WRITE, 0));
    ASSERT_EQ(trace.Lines().size(), 1u);
    // The format is a message template, so the percent sign in the name is kept.
    EXPECT_EQ(trace.Lines()[0], "Created registry key 'Software\\100%Done'");
}

TEST_F(RegistryKeyTest, LevelThreeDoesNotTraceTheCreatedKey) {
    TraceCapture trace;
    CRegistryKey key(3);
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, "Software\\Quiet", KEY_ALL_ACCESS, 0));
    EXPECT_TRUE(trace.Lines().empty());
}

TEST_F(RegistryKeyTest, DeniedOpenIsNeverFollowedByACreateAttempt) {
    StoreWithReadOnlyKey("Locked");
    TraceCapture trace;
    CRegistryKey key(0);
    EXPECT_FALSE(key.Open(HKEY_CURRENT_USER, "Locked", KEY_WRITE, 0));
    EXPECT_EQ(key.GetLastResult(), ERROR_ACCESS_DENIED);
    // Every attempt to change the store takes its lock file first; there is
    // none, so nothing tried to create the key.
    EXPECT_FALSE(std::filesystem::exists(store() + ".lock"));
    // Level 0 with write access reports the failure.
    EXPECT_EQ(ReportCount(trace), 1);
}

TEST_F(RegistryKeyTest, NegativeLevelNeverReportsAFailedOpen) {
    StoreWithReadOnlyKey("Locked");
    TraceCapture trace;
    CRegistryKey key(-1);
    EXPECT_FALSE(key.Open(HKEY_CURRENT_USER, "Locked", KEY_WRITE, 0));
    EXPECT_TRUE(trace.Lines().empty());
}

TEST_F(RegistryKeyTest, ReadAndWriteWithoutAnOpenKeyLeaveTheLastResult) {
    CRegistryKey key(5);
    EXPECT_FALSE(key.Open(HKEY_CURRENT_USER, "Missing", KEY_READ, 0));
    TraceCapture trace;
    DWORD size = 0;
    EXPECT_FALSE(key.ReadValue("v", nullptr, nullptr, &size));
    EXPECT_FALSE(key.WriteString("v", "text"));
    EXPECT_EQ(key.GetLastResult(), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(trace.Lines().empty());
}

TEST_F(RegistryKeyTest, WrittenStringReadsBack) {
    CRegistryKey writer(0);
    ASSERT_TRUE(writer.Open(HKEY_CURRENT_USER, "App", KEY_WRITE, 0));
    ASSERT_TRUE(writer.WriteString("Name", "Tablesmith"));
    CRegistryKey reader(0);
    ASSERT_TRUE(reader.Open(HKEY_CURRENT_USER, "APP", KEY_READ, 0));
    char buffer[32];
    DWORD type = 0, size = sizeof buffer;
    ASSERT_TRUE(reader.ReadValue("name", &type, reinterpret_cast<BYTE*>(buffer), &size));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 11u);
    EXPECT_STREQ(buffer, "Tablesmith");
}

TEST_F(RegistryKeyTest, FailedReadIsReportedOnlyAboveLevelZero) {
    CRegistryKey key(0);
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, "App", KEY_ALL_ACCESS, 0));
    TraceCapture trace;
    DWORD size = 0;
    EXPECT_FALSE(key.ReadValue("none", nullptr, nullptr, &size));
    EXPECT_EQ(key.GetLastResult(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ReportCount(trace), 0);

    CRegistryKey loud(0x17);
    ASSERT_TRUE(loud.Open(HKEY_CURRENT_USER, "App", KEY_READ, 0));
    EXPECT_FALSE(loud.ReadValue(nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(ReportCount(trace), 1);
    ASSERT_EQ(shown_.size(), 1u);  // the level is the flags word: 0x17 shows a box
    EXPECT_EQ(shown_[0].rfind("Couldn\u00b4t read standard value\n", 0), 0u) << shown_[0];
}

TEST_F(RegistryKeyTest, FailedWriteAtLevelZeroIsReportedWithFlagsThree) {
    CRegistryKey create(0);
    ASSERT_TRUE(create.Open(HKEY_CURRENT_USER, "App", KEY_WRITE, 0));
    CRegistryKey key(0);
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, "App", KEY_READ, 0));
    TraceCapture trace;
    EXPECT_FALSE(key.WriteString("v", "x"));
    EXPECT_EQ(key.GetLastResult(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ReportCount(trace), 1);
    EXPECT_TRUE(shown_.empty());
}

TEST_F(RegistryKeyTest, FailedWriteAtLevel23ShowsAMessageBox) {
    CRegistryKey create(0);
    ASSERT_TRUE(create.Open(HKEY_CURRENT_USER, "App", KEY_WRITE, 0));
    CRegistryKey key(23);
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, "App", KEY_READ, 0));
    TraceCapture trace;
    EXPECT_FALSE(key.WriteString("Value", "x"));
    EXPECT_EQ(ReportCount(trace), 1);
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].rfind("Couldn\u00b4t set regvalue Value\n", 0), 0u) << shown_[0];
}

TEST_F(RegistryKeyTest, FailedWriteAtANegativeLevelIsNotReported) {
    CRegistryKey create(0);
    ASSERT_TRUE(create.Open(HKEY_CURRENT_USER, "App", KEY_WRITE, 0));
    CRegistryKey key(-1);
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, "App", KEY_READ, 0));
    TraceCapture trace;
    EXPECT_FALSE(key.WriteString("v", "x"));
    EXPECT_TRUE(trace.Lines().empty());
}

TEST_F(RegistryKeyTest, CloseAndDestructionReleaseTheHandle) {
    HKEY handle = nullptr;
    {
        CRegistryKey key(0);
        ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, "App", KEY_WRITE, 0));
        handle = key.GetKey();
        CRegistryKey other(0);
        EXPECT_EQ(other.Close(), ERROR_SUCCESS);  // nothing open: 0
    }
    EXPECT_EQ(RegCloseKey(handle), ERROR_INVALID_HANDLE);

    CRegistryKey key(0);
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, "App", KEY_READ, 0));
    EXPECT_EQ(key.Close(), ERROR_SUCCESS);
    EXPECT_EQ(key.GetKey(), nullptr);
}

TEST_F(RegistryKeyTest, OpeningAgainClosesTheKeyOpenBefore) {
    CRegistryKey key(0);
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, "A", KEY_WRITE, 0));
    HKEY first = key.GetKey();
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, "B", KEY_WRITE, 0));
    EXPECT_EQ(RegCloseKey(first), ERROR_INVALID_HANDLE);
}

}  // namespace
