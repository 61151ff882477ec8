// Every call of the interface that fills a caller's buffer, at and around the
// size that just fits: a guard after the buffer must stay untouched, a
// buffer one byte short must say ERROR_MORE_DATA (and hold as much as fits,
// terminated), and a buffer that fits must hold the whole text.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "guarded_buffer.h"
#include "msiquery.h"
#include "test_support.h"

namespace {

using testing_support::GuardedBuffer;

// A string getter: fills `buffer` (`*size` bytes) and sets *size.
using Getter = std::function<UINT(char* buffer, DWORD* size)>;

// Calls `get` with every buffer size from 0 to two beyond what `text` needs.
void ExpectBufferProtocol(const Getter& get, const std::string& text,
                          UINT more_data = ERROR_MORE_DATA, UINT success = ERROR_SUCCESS) {
    for (DWORD capacity = 0; capacity <= text.size() + 2; ++capacity) {
        SCOPED_TRACE("buffer of " + std::to_string(capacity) + " for \"" + text + "\"");
        GuardedBuffer buffer(capacity);
        DWORD size = capacity;
        const UINT result = get(buffer.data(), &size);
        EXPECT_TRUE(buffer.GuardIntact()) << "written past the buffer";
        EXPECT_EQ(size, text.size());
        if (capacity > text.size()) {
            EXPECT_EQ(result, success);
            EXPECT_EQ(buffer.Text(), text);
        } else {
            EXPECT_EQ(result, more_data);
            if (capacity > 0) {
                EXPECT_EQ(buffer.Text(), text.substr(0, capacity - 1));
            }
        }
    }
}

class BufferBoundary : public ::testing::Test {
  protected:
    void SetUp() override {
        path_ = (dir_.path() / "boundary.msi").string();
        MSIHANDLE db = 0;
        ASSERT_EQ(MsiOpenDatabaseA(path_.c_str(), MSIDBOPEN_CREATE, &db), ERROR_SUCCESS);
        for (const char* sql :
             {"CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL, `Value` CHAR(0) NOT NULL "
              "PRIMARY KEY `Property`)",
              "INSERT INTO `Property` (`Property`, `Value`) VALUES ('ProductName', 'Boundary')"}) {
            MSIHANDLE view = 0;
            ASSERT_EQ(MsiDatabaseOpenViewA(db, sql, &view), ERROR_SUCCESS) << sql;
            ASSERT_EQ(MsiViewExecute(view, 0), ERROR_SUCCESS) << sql;
            MsiCloseHandle(view);
        }
        MSIHANDLE summary = 0;
        ASSERT_EQ(MsiGetSummaryInformationA(db, nullptr, 3, &summary), ERROR_SUCCESS);
        ASSERT_EQ(MsiSummaryInfoSetPropertyA(summary, PID_TITLE, VT_LPSTR, 0, nullptr,
                                             "Installation Database"),
                  ERROR_SUCCESS);
        ASSERT_EQ(MsiSummaryInfoPersist(summary), ERROR_SUCCESS);
        MsiCloseHandle(summary);
        ASSERT_EQ(MsiDatabaseCommit(db), ERROR_SUCCESS);
        MsiCloseHandle(db);
    }

    testing_support::TempDir dir_;
    std::string path_;
};

TEST_F(BufferBoundary, RecordStringsOfEveryKind) {
    MSIHANDLE record = MsiCreateRecord(2);
    MsiRecordSetStringA(record, 1, "seven c");
    MsiRecordSetInteger(record, 2, -12345);
    ExpectBufferProtocol([&](char* b, DWORD* s) { return MsiRecordGetStringA(record, 1, b, s); },
                         "seven c");
    ExpectBufferProtocol([&](char* b, DWORD* s) { return MsiRecordGetStringA(record, 2, b, s); },
                         "-12345");
    MsiCloseHandle(record);
}

TEST_F(BufferBoundary, SummaryText) {
    MSIHANDLE summary = 0;
    ASSERT_EQ(MsiGetSummaryInformationA(0, path_.c_str(), 0, &summary), ERROR_SUCCESS);
    ExpectBufferProtocol(
        [&](char* b, DWORD* s) {
            UINT type = 0;
            return MsiSummaryInfoGetPropertyA(summary, PID_TITLE, &type, nullptr, nullptr, b, s);
        },
        "Installation Database");
    MsiCloseHandle(summary);
}

TEST_F(BufferBoundary, ProductProperty) {
    MSIHANDLE product = 0;
    ASSERT_EQ(MsiOpenPackageA(path_.c_str(), &product), ERROR_SUCCESS);
    ExpectBufferProtocol(
        [&](char* b, DWORD* s) { return MsiGetProductPropertyA(product, "ProductName", b, s); },
        "Boundary");
    MsiCloseHandle(product);
}

TEST_F(BufferBoundary, ColumnOfTheLastValidationError) {
    MSIHANDLE db = 0;
    ASSERT_EQ(MsiOpenDatabaseA(path_.c_str(), MSIDBOPEN_TRANSACT, &db), ERROR_SUCCESS);
    MSIHANDLE view = 0, record = 0;
    ASSERT_EQ(MsiDatabaseOpenViewA(db, "SELECT * FROM `Property`", &view), ERROR_SUCCESS);
    ASSERT_EQ(MsiViewExecute(view, 0), ERROR_SUCCESS);
    ASSERT_EQ(MsiViewFetch(view, &record), ERROR_SUCCESS);
    ASSERT_EQ(MsiViewModify(view, MSIMODIFY_VALIDATE_NEW, record), ERROR_INVALID_DATA);
    // Each finding is handed out once (a buffer too small keeps it): the
    // record is validated again before every read.
    ExpectBufferProtocol(
        [&](char* b, DWORD* s) {
            EXPECT_EQ(MsiViewModify(view, MSIMODIFY_VALIDATE_NEW, record), ERROR_INVALID_DATA);
            return static_cast<UINT>(MsiViewGetErrorA(view, b, s));
        },
        "Property", static_cast<UINT>(MSIDBERROR_MOREDATA),
        static_cast<UINT>(MSIDBERROR_DUPLICATEKEY));
    MsiCloseHandle(record);
    MsiCloseHandle(view);
    MsiCloseHandle(db);
}

// A stream is read in pieces: each read fills at most the size it is given,
// and the pieces add up to the stream.
TEST_F(BufferBoundary, StreamPiecesStopAtTheirSize) {
    const std::string bytes = "0123456789abcdefghij";
    const auto file = dir_.path() / "stream.bin";
    testing_support::WriteFile(file, bytes);
    for (DWORD piece = 1; piece <= bytes.size() + 1; ++piece) {
        SCOPED_TRACE("pieces of " + std::to_string(piece));
        MSIHANDLE record = MsiCreateRecord(1);
        ASSERT_EQ(MsiRecordSetStreamA(record, 1, file.string().c_str()), ERROR_SUCCESS);
        std::string read;
        for (;;) {
            GuardedBuffer buffer(piece);
            DWORD size = piece;
            ASSERT_EQ(MsiRecordReadStream(record, 1, buffer.data(), &size), ERROR_SUCCESS);
            EXPECT_TRUE(buffer.GuardIntact()) << "written past the buffer";
            ASSERT_LE(size, piece);
            if (size == 0) break;
            read += buffer.Bytes().substr(0, size);
        }
        EXPECT_EQ(read, bytes);
        MsiCloseHandle(record);
    }
}

}  // namespace
