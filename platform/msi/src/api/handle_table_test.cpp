#include "api/handle_table.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "msi_engine.h"
#include "msiquery.h"

namespace {

using msi::api::HandleKind;
using msi::api::HandleTable;

TEST(HandleTable, WrongClosedOrZeroHandlesAreInvalid) {
    const size_t before = msi::OpenHandleCount();
    MSIHANDLE record = MsiCreateRecord(2);
    ASSERT_NE(record, 0u);
    EXPECT_EQ(msi::OpenHandleCount(), before + 1);

    EXPECT_EQ(MsiRecordSetInteger(record + 1000, 1, 5), ERROR_INVALID_HANDLE);
    EXPECT_EQ(MsiRecordSetInteger(0, 1, 5), ERROR_INVALID_HANDLE);
    EXPECT_EQ(MsiCloseHandle(record), ERROR_SUCCESS);
    EXPECT_EQ(MsiCloseHandle(record), ERROR_INVALID_HANDLE);
    EXPECT_EQ(MsiRecordSetInteger(record, 1, 5), ERROR_INVALID_HANDLE);
    EXPECT_EQ(MsiRecordGetFieldCount(record), static_cast<UINT>(-1));
    EXPECT_EQ(MsiCloseHandle(0), ERROR_SUCCESS);
    EXPECT_EQ(msi::OpenHandleCount(), before);
}

TEST(HandleTable, HandleOfAnotherKindIsInvalid) {
    MSIHANDLE record = MsiCreateRecord(1);
    ASSERT_NE(record, 0u);
    // A record handle is no database, view or summary handle.
    EXPECT_EQ(MsiDatabaseExportA(record, "T", "/tmp", "T.idt"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(MsiDatabaseCommit(record), ERROR_INVALID_HANDLE);
    EXPECT_EQ(MsiViewExecute(record, 0), ERROR_INVALID_HANDLE);
    UINT count = 0;
    EXPECT_EQ(MsiSummaryInfoGetPropertyCount(record, &count), ERROR_INVALID_HANDLE);
    EXPECT_EQ(HandleTable::Instance().Get<void>(record, HandleKind::kDatabase), nullptr);
    EXPECT_NE(HandleTable::Instance().Get<void>(record, HandleKind::kRecord), nullptr);
    EXPECT_EQ(MsiCloseHandle(record), ERROR_SUCCESS);
}

TEST(HandleTable, CloseAllReturnsHowManyWereOpen) {
    MsiCloseAllHandles();
    MSIHANDLE a = MsiCreateRecord(1);
    MSIHANDLE b = MsiCreateRecord(1);
    MSIHANDLE c = MsiCreateRecord(1);
    ASSERT_TRUE(a && b && c);
    EXPECT_NE(a, b);
    EXPECT_NE(b, c);
    EXPECT_EQ(MsiCloseAllHandles(), 3u);
    EXPECT_EQ(msi::OpenHandleCount(), 0u);
    EXPECT_EQ(MsiCloseHandle(b), ERROR_INVALID_HANDLE);
    EXPECT_EQ(MsiCloseAllHandles(), 0u);
}

TEST(HandleTable, ObjectOutlivesItsHandleWhileReferenced) {
    auto object = std::make_shared<int>(42);
    std::weak_ptr<int> watch = object;
    MSIHANDLE h = HandleTable::Instance().Add(HandleKind::kProduct, object);
    ASSERT_NE(h, 0u);
    auto held = HandleTable::Instance().Get<int>(h, HandleKind::kProduct);
    object.reset();
    EXPECT_EQ(MsiCloseHandle(h), ERROR_SUCCESS);
    ASSERT_FALSE(watch.expired());  // `held` still refers to it
    EXPECT_EQ(*held, 42);
    held.reset();
    EXPECT_TRUE(watch.expired());
}

// Handles live in slots that the table doubles as it fills: every open
// handle keeps naming its own object through the growth, closed ones name
// nothing, and new numbers keep counting up past the closed ones.
TEST(HandleTable, HandlesSurviveGrowthAndClosedOnesStayInvalid) {
    MsiCloseAllHandles();
    std::vector<MSIHANDLE> handles;
    for (int i = 0; i < 3000; ++i) {
        handles.push_back(MsiCreateRecord(1));
        ASSERT_NE(handles.back(), 0u);
        ASSERT_EQ(MsiRecordSetInteger(handles.back(), 1, i), ERROR_SUCCESS);
    }
    for (size_t i = 0; i < handles.size(); i += 2)
        ASSERT_EQ(MsiCloseHandle(handles[i]), ERROR_SUCCESS);
    MSIHANDLE last = handles.back();
    for (int i = 0; i < 5000; ++i) {
        MSIHANDLE fresh = MsiCreateRecord(1);
        ASSERT_GT(fresh, last);
        last = fresh;
    }
    for (size_t i = 0; i < handles.size(); ++i) {
        if (i % 2 == 0) {
            EXPECT_EQ(MsiRecordGetInteger(handles[i], 1), MSI_NULL_INTEGER) << i;
            EXPECT_EQ(MsiCloseHandle(handles[i]), ERROR_INVALID_HANDLE) << i;
        } else {
            EXPECT_EQ(MsiRecordGetInteger(handles[i], 1), static_cast<int>(i)) << i;
        }
    }
    EXPECT_EQ(msi::OpenHandleCount(), 1500u + 5000u);
    EXPECT_EQ(MsiCloseAllHandles(), 6500u);
}

// A program that starts threads gets the lock from then on: handles made,
// read and closed on four threads at once all stay distinct and readable,
// and none is lost or left open.
TEST(HandleTable, ThreadsShareTheTableWithoutLosingHandles) {
    const size_t before = msi::OpenHandleCount();
    constexpr int kThreads = 4;
    constexpr int kRounds = 2000;
    std::vector<int> failures(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &failures] {
            std::vector<MSIHANDLE> mine;
            for (int i = 0; i < kRounds; ++i) {
                MSIHANDLE record = MsiCreateRecord(1);
                if (record == 0 || MsiRecordSetInteger(record, 1, t * kRounds + i) != ERROR_SUCCESS)
                    ++failures[t];
                mine.push_back(record);
                if (i % 3 == 2) {  // close some early, so slots are reused while others grow
                    if (MsiCloseHandle(mine.front()) != ERROR_SUCCESS) ++failures[t];
                    mine.erase(mine.begin());
                }
            }
            for (MSIHANDLE record : mine) {
                const int value = MsiRecordGetInteger(record, 1);
                if (value < t * kRounds || value >= (t + 1) * kRounds) ++failures[t];
                if (MsiCloseHandle(record) != ERROR_SUCCESS) ++failures[t];
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], 0) << "thread " << t;
    EXPECT_EQ(msi::OpenHandleCount(), before);
}

TEST(HandleTable, NullObjectGetsNoHandle) {
    EXPECT_EQ(HandleTable::Instance().Add(HandleKind::kRecord, nullptr), 0u);
}

TEST(HandleTable, TooLargeRecordGetsNoHandle) {
    EXPECT_EQ(MsiCreateRecord(65536), 0u);
    MSIHANDLE h = MsiCreateRecord(65535);
    EXPECT_NE(h, 0u);
    EXPECT_EQ(MsiRecordGetFieldCount(h), 65535u);
    MsiCloseHandle(h);
}

}  // namespace
