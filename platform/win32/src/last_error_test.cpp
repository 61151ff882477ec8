#include "win32/lasterror.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <thread>

#include "test_support.h"

#include "win32/winerror.h"

namespace {

TEST(LastError, IsKeptPerThread) {
    SetLastError(ERROR_ACCESS_DENIED);
    DWORD seen_in_thread = 12345;
    std::thread other([&] {
        seen_in_thread = GetLastError();
        SetLastError(ERROR_FILE_NOT_FOUND);
    });
    other.join();
    EXPECT_EQ(seen_in_thread, ERROR_SUCCESS);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST(LastError, ErrnoValuesMapToWindowsCodes) {
    struct Case {
        int err;
        DWORD code;
    };
    const Case cases[] = {
        {0, ERROR_SUCCESS},
        {ENOENT, ERROR_FILE_NOT_FOUND},
        {ENOTDIR, ERROR_PATH_NOT_FOUND},
        {EACCES, ERROR_ACCESS_DENIED},
        {EPERM, ERROR_ACCESS_DENIED},
        {EISDIR, ERROR_ACCESS_DENIED},
        {EBUSY, ERROR_SHARING_VIOLATION},
        {ETXTBSY, ERROR_SHARING_VIOLATION},
        {EEXIST, ERROR_FILE_EXISTS},
        {EINVAL, ERROR_INVALID_PARAMETER},
        {ENOSPC, ERROR_DISK_FULL},
        {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE},
        {EMFILE, ERROR_TOO_MANY_OPEN_FILES},
        {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
        {EROFS, ERROR_WRITE_PROTECT},
        {ENOTEMPTY, ERROR_DIR_NOT_EMPTY},
        {EIO, ERROR_GEN_FAILURE},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(win32::ErrorFromErrno(c.err), c.code) << "errno " << c.err;
    }
}

TEST(LastError, MissingEntryAndMissingFolderAreTold) {
    testing_support::TempDir dir;
    std::string missing_file = dir.str() + "/none";
    std::string missing_folder = dir.str() + "/none/file";
    EXPECT_EQ(win32::PathErrorFromErrno(ENOENT, missing_file.c_str()),
              static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(win32::PathErrorFromErrno(ENOENT, missing_folder.c_str()),
              static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(win32::PathErrorFromErrno(EACCES, missing_file.c_str()),
              static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST(LastError, SetFromErrnoStoresAndReturnsTheCode) {
    EXPECT_EQ(win32::SetLastErrorFromErrno(EACCES), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

}  // namespace
