// The record calls of the interface: the string buffer protocol, integers and
// null, streams read in pieces.
#include <gtest/gtest.h>

#include <string>

#include "msiquery.h"
#include "test_support.h"

namespace {

class RecordApi : public ::testing::Test {
  protected:
    void SetUp() override {
        rec_ = MsiCreateRecord(3);
        ASSERT_NE(rec_, 0u);
    }
    void TearDown() override { EXPECT_EQ(MsiCloseHandle(rec_), ERROR_SUCCESS); }
    MSIHANDLE rec_ = 0;
};

TEST_F(RecordApi, GetStringReportsMoreDataAndLengthWithoutTerminator) {
    ASSERT_EQ(MsiRecordSetStringA(rec_, 1, "hello"), ERROR_SUCCESS);
    char buf[16];
    DWORD size = 3;
    EXPECT_EQ(MsiRecordGetStringA(rec_, 1, buf, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 5u);
    EXPECT_STREQ(buf, "he");  // as much as fits, terminated

    size = 5;  // room for the text but not its terminator
    EXPECT_EQ(MsiRecordGetStringA(rec_, 1, buf, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 5u);

    size = 6;
    EXPECT_EQ(MsiRecordGetStringA(rec_, 1, buf, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 5u);
    EXPECT_STREQ(buf, "hello");

    size = 0;
    EXPECT_EQ(MsiRecordGetStringA(rec_, 1, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(MsiRecordGetStringA(rec_, 1, buf, nullptr), ERROR_INVALID_PARAMETER);
}

TEST_F(RecordApi, IntegerFieldReadsAsDecimalText) {
    ASSERT_EQ(MsiRecordSetInteger(rec_, 2, -1234), ERROR_SUCCESS);
    char buf[16];
    DWORD size = sizeof buf;
    EXPECT_EQ(MsiRecordGetStringA(rec_, 2, buf, &size), ERROR_SUCCESS);
    EXPECT_STREQ(buf, "-1234");
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(MsiRecordDataSize(rec_, 2), 4u);
}

TEST_F(RecordApi, NullRules) {
    char buf[8] = "xxxxxxx";
    DWORD size = sizeof buf;
    EXPECT_TRUE(MsiRecordIsNull(rec_, 1));
    EXPECT_EQ(MsiRecordGetStringA(rec_, 1, buf, &size), ERROR_SUCCESS);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(MsiRecordGetInteger(rec_, 1), static_cast<int>(MSI_NULL_INTEGER));

    // An empty string and the null integer both store null.
    ASSERT_EQ(MsiRecordSetStringA(rec_, 1, ""), ERROR_SUCCESS);
    EXPECT_TRUE(MsiRecordIsNull(rec_, 1));
    ASSERT_EQ(MsiRecordSetInteger(rec_, 2, 7), ERROR_SUCCESS);
    ASSERT_EQ(MsiRecordSetInteger(rec_, 2, static_cast<int>(MSI_NULL_INTEGER)), ERROR_SUCCESS);
    EXPECT_TRUE(MsiRecordIsNull(rec_, 2));
    EXPECT_EQ(MsiRecordDataSize(rec_, 2), 0u);

    // Fields beyond the count read as null and refuse writes.
    EXPECT_TRUE(MsiRecordIsNull(rec_, 4));
    EXPECT_EQ(MsiRecordSetInteger(rec_, 4, 1), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(MsiRecordSetStringA(rec_, 4, "x"), ERROR_INVALID_PARAMETER);
}

TEST_F(RecordApi, StringHoldingANumberReadsAsInteger) {
    MsiRecordSetStringA(rec_, 1, "42");
    EXPECT_EQ(MsiRecordGetInteger(rec_, 1), 42);
    MsiRecordSetStringA(rec_, 1, "-42");
    EXPECT_EQ(MsiRecordGetInteger(rec_, 1), -42);
    // Too many digits wrap to 32 bits, as the installer's do.
    MsiRecordSetStringA(rec_, 1, "99999999999");
    EXPECT_EQ(MsiRecordGetInteger(rec_, 1), 1215752191);
    MsiRecordSetStringA(rec_, 1, "4294967297");
    EXPECT_EQ(MsiRecordGetInteger(rec_, 1), 1);
    // Anything but an optional minus and digits is no number: a '+' neither.
    for (const char* text : {"4x2", "+1", " 42", "42 ", "0x42"}) {
        MsiRecordSetStringA(rec_, 1, text);
        EXPECT_EQ(MsiRecordGetInteger(rec_, 1), static_cast<int>(MSI_NULL_INTEGER)) << text;
    }
}

TEST_F(RecordApi, HandleAndFieldZeroRulesScriptsCompare) {
    // A handle that is no record is "not null" to the installer.
    EXPECT_FALSE(MsiRecordIsNull(0, 0));
    EXPECT_FALSE(MsiRecordIsNull(rec_ + 777, 1));
    // Field 0 never holds a stream.
    testing_support::TempDir dir;
    testing_support::WriteFile(dir.path() / "f", "abc");
    EXPECT_EQ(MsiRecordSetStreamA(rec_, 0, (dir.path() / "f").c_str()), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(MsiRecordSetStreamA(rec_, 1, (dir.path() / "f").c_str()), ERROR_SUCCESS);
    // A view call without a place for the record fails on the pointer first.
    EXPECT_EQ(MsiViewFetch(0, nullptr), ERROR_INVALID_PARAMETER);
    MSIHANDLE rec = 0;
    EXPECT_EQ(MsiViewFetch(0, &rec), ERROR_INVALID_HANDLE);
}

TEST_F(RecordApi, FieldZeroIsUsableAndClearDataEmptiesAll) {
    ASSERT_EQ(MsiRecordSetStringA(rec_, 0, "format"), ERROR_SUCCESS);
    ASSERT_EQ(MsiRecordSetInteger(rec_, 3, 9), ERROR_SUCCESS);
    EXPECT_FALSE(MsiRecordIsNull(rec_, 0));
    EXPECT_EQ(MsiRecordGetFieldCount(rec_), 3u);
    ASSERT_EQ(MsiRecordClearData(rec_), ERROR_SUCCESS);
    EXPECT_TRUE(MsiRecordIsNull(rec_, 0));
    EXPECT_TRUE(MsiRecordIsNull(rec_, 3));
    EXPECT_EQ(MsiRecordGetFieldCount(rec_), 3u);
}

TEST_F(RecordApi, StreamReadsInPiecesWithItsOwnPosition) {
    testing_support::TempDir dir;
    std::string bytes;
    for (int i = 0; i < 1000; ++i) bytes.push_back(static_cast<char>(i * 7));
    testing_support::WriteFile(dir.path() / "blob", bytes);
    ASSERT_EQ(MsiRecordSetStreamA(rec_, 1, (dir.path() / "blob").c_str()), ERROR_SUCCESS);
    ASSERT_EQ(MsiRecordSetStreamA(rec_, 2, (dir.path() / "blob").c_str()), ERROR_SUCCESS);
    EXPECT_EQ(MsiRecordDataSize(rec_, 1), 1000u);

    DWORD size = 0;
    EXPECT_EQ(MsiRecordReadStream(rec_, 1, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 1000u);

    std::string got;
    char piece[300];
    for (;;) {
        size = sizeof piece;
        ASSERT_EQ(MsiRecordReadStream(rec_, 1, piece, &size), ERROR_SUCCESS);
        if (size == 0) break;
        got.append(piece, size);
    }
    EXPECT_EQ(got, bytes);
    // The size query still reports the whole stream after it was read out.
    size = 0;
    EXPECT_EQ(MsiRecordReadStream(rec_, 1, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 1000u);

    // Field 2 kept its own position.
    size = 10;
    ASSERT_EQ(MsiRecordReadStream(rec_, 2, piece, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::string(piece, size), bytes.substr(0, 10));

    // A null path rewinds field 1.
    ASSERT_EQ(MsiRecordSetStreamA(rec_, 1, nullptr), ERROR_SUCCESS);
    size = 4;
    ASSERT_EQ(MsiRecordReadStream(rec_, 1, piece, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::string(piece, size), bytes.substr(0, 4));
}

TEST_F(RecordApi, StreamSurvivesDeletionOfItsFile) {
    testing_support::TempDir dir;
    testing_support::WriteFile(dir.path() / "f", "abc");
    ASSERT_EQ(MsiRecordSetStreamA(rec_, 1, (dir.path() / "f").c_str()), ERROR_SUCCESS);
    std::filesystem::remove(dir.path() / "f");
    char buf[8];
    DWORD size = sizeof buf;
    ASSERT_EQ(MsiRecordReadStream(rec_, 1, buf, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::string(buf, size), "abc");
}

TEST_F(RecordApi, StreamErrors) {
    EXPECT_EQ(MsiRecordSetStreamA(rec_, 1, "/nonexistent/file"), ERROR_BAD_PATHNAME);
    EXPECT_EQ(MsiRecordSetStreamA(rec_, 9, "/etc/hostname"), ERROR_INVALID_PARAMETER);
    char buf[4];
    DWORD size = sizeof buf;
    EXPECT_EQ(MsiRecordReadStream(rec_, 1, buf, &size), ERROR_INVALID_DATA);  // null field
    EXPECT_EQ(size, 0u);
    MsiRecordSetInteger(rec_, 1, 3);
    size = sizeof buf;
    EXPECT_EQ(MsiRecordReadStream(rec_, 1, buf, &size), ERROR_INVALID_DATATYPE);
    EXPECT_EQ(MsiRecordReadStream(rec_, 1, buf, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(MsiRecordReadStream(rec_ + 777, 1, buf, &size), ERROR_INVALID_HANDLE);
}

// A null field and an empty stream differ: only the stream can be read, so a
// field copied by reading and writing back stays null.
TEST_F(RecordApi, NullFieldIsNoStreamWhileAnEmptyStreamReadsAsZeroBytes) {
    DWORD size = 7;
    EXPECT_EQ(MsiRecordReadStream(rec_, 2, nullptr, &size), ERROR_INVALID_DATA);
    EXPECT_EQ(size, 0u);

    testing_support::TempDir dir;
    testing_support::WriteFile(dir.path() / "empty", "");
    ASSERT_EQ(MsiRecordSetStreamA(rec_, 2, (dir.path() / "empty").c_str()), ERROR_SUCCESS);
    EXPECT_FALSE(MsiRecordIsNull(rec_, 2));
    size = 7;
    EXPECT_EQ(MsiRecordReadStream(rec_, 2, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 0u);
    char buf[4];
    size = sizeof buf;
    EXPECT_EQ(MsiRecordReadStream(rec_, 2, buf, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 0u);
}

}  // namespace
