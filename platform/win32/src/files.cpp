// Folders, attributes, deletion and renaming with Windows results.
//
// Paths are Linux paths ("/" separates folders). Where Linux and Windows
// disagree about what a call may do, the Windows answer wins, because the code
// above was written against it: a read-only file cannot be deleted, a
// directory is not a file, MoveFile never replaces an existing name.
#include "win32/files.h"
#include "win32/umask.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "file_info.h"
#include "path_error.h"
#include "win32/lasterror.h"
#include "win32/winerror.h"

namespace {

// Copies `text` into a caller's buffer with the Windows contract of the
// Get...Path functions: the length without the terminator when it fits, else
// the size needed including the terminator (and the buffer untouched).
DWORD ReturnPath(const std::string& text, DWORD size, LPSTR buffer) {
    if (buffer == nullptr || size < text.size() + 1) return static_cast<DWORD>(text.size() + 1);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

bool IsDirectory(const char* path) {
    struct stat st;
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

extern "C" {

DWORD GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer) {
    std::string folder = "/tmp";
    if (const char* tmpdir = std::getenv("TMPDIR"); tmpdir != nullptr && *tmpdir != '\0') {
        folder = tmpdir;
    }
    if (folder.back() != '/') folder += '/';
    return ReturnPath(folder, nBufferLength, lpBuffer);
}

DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
    // Only the program itself is a module here; there are no DLL handles.
    if (hModule != nullptr) return win32::Fail(ERROR_INVALID_HANDLE);
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length < 0) return win32::FailPath(errno, "/proc/self/exe");
    if (lpFilename == nullptr || nSize == 0) return win32::Fail(ERROR_INSUFFICIENT_BUFFER);
    // Windows cuts a long name to the buffer, still terminated, returns the
    // buffer size and says ERROR_INSUFFICIENT_BUFFER.
    if (static_cast<DWORD>(length) >= nSize) {
        std::memcpy(lpFilename, path, nSize - 1);
        lpFilename[nSize - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    std::memcpy(lpFilename, path, static_cast<size_t>(length));
    lpFilename[length] = '\0';
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(length);
}

BOOL CreateDirectoryA(LPCSTR lpPathName, LPVOID /*lpSecurityAttributes*/) {
    if (lpPathName == nullptr) return win32::Fail(ERROR_INVALID_PARAMETER);
    if (mkdir(lpPathName, 0777) == 0) return TRUE;
    int err = errno;
    // Windows says "already exists" whatever kind of entry holds the name.
    if (err == EEXIST) return win32::Fail(ERROR_ALREADY_EXISTS);
    if (err == ENOENT) return win32::Fail(ERROR_PATH_NOT_FOUND);
    return win32::FailPath(err, lpPathName);
}

BOOL RemoveDirectoryA(LPCSTR lpPathName) {
    if (lpPathName == nullptr) return win32::Fail(ERROR_INVALID_PARAMETER);
    if (rmdir(lpPathName) == 0) return TRUE;
    int err = errno;
    if (err == ENOTDIR && !IsDirectory(lpPathName)) {
        struct stat st;
        if (lstat(lpPathName, &st) == 0) return win32::Fail(ERROR_DIRECTORY);
    }
    if (err == ENOTEMPTY || err == EEXIST) return win32::Fail(ERROR_DIR_NOT_EMPTY);
    return win32::FailPath(err, lpPathName);
}

BOOL DeleteFileA(LPCSTR lpFileName) {
    if (lpFileName == nullptr) return win32::Fail(ERROR_INVALID_PARAMETER);
    struct stat st;
    if (lstat(lpFileName, &st) != 0) return win32::FailPath(errno, lpFileName);
    if (S_ISDIR(st.st_mode)) return win32::Fail(ERROR_ACCESS_DENIED);
    // Linux lets anyone with a writable folder unlink a read-only file;
    // Windows refuses, and callers rely on read-only meaning "keep".
    if (S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0) {
        return win32::Fail(ERROR_ACCESS_DENIED);
    }
    if (unlink(lpFileName) != 0) return win32::FailPath(errno, lpFileName);
    return TRUE;
}

BOOL MoveFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName) {
    if (lpExistingFileName == nullptr || lpNewFileName == nullptr) {
        return win32::Fail(ERROR_INVALID_PARAMETER);
    }
    struct stat st;
    if (lstat(lpExistingFileName, &st) != 0) return win32::FailPath(errno, lpExistingFileName);
    int rc = win32::RenameNoReplace(lpExistingFileName, lpNewFileName);
    if (rc == 0) return TRUE;
    int err = errno;
    if (err == EEXIST) return win32::Fail(ERROR_ALREADY_EXISTS);
    if (err == EXDEV && S_ISREG(st.st_mode)) {
        // Another file system: Windows copies the file and deletes the
        // original; so do we, and keep the original if the copy fails.
        if (!CopyFileA(lpExistingFileName, lpNewFileName, TRUE)) return FALSE;
        if (unlink(lpExistingFileName) != 0) return win32::FailPath(errno, lpExistingFileName);
        return TRUE;
    }
    if (err == ENOENT) return win32::FailPath(err, lpNewFileName);
    return win32::FailPath(err, lpExistingFileName);
}

DWORD GetFileAttributesA(LPCSTR lpFileName) {
    if (lpFileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_FILE_ATTRIBUTES;
    }
    struct stat st;
    if (stat(lpFileName, &st) != 0) {
        win32::FailPath(errno, lpFileName);
        return INVALID_FILE_ATTRIBUTES;
    }
    return win32::AttributesOf(st);
}

BOOL SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes) {
    if (lpFileName == nullptr) return win32::Fail(ERROR_INVALID_PARAMETER);
    struct stat st;
    if (stat(lpFileName, &st) != 0) return win32::FailPath(errno, lpFileName);
    // On Windows the read-only flag of a folder does not stop files being
    // made inside it; taking the write bits from a Linux folder would, so
    // folders keep their mode.
    if (S_ISDIR(st.st_mode)) return TRUE;
    mode_t mode = st.st_mode & 07777;
    if (dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
        mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    } else {
        mode |= S_IWUSR;
    }
    if (chmod(lpFileName, mode) != 0) return win32::FailPath(errno, lpFileName);
    return TRUE;
}

}  // extern "C"

namespace win32 {

// umask() reads the mask only by setting it. Two threads reading it at once
// could each set a value and one put back the other's, leaving the process
// with the wrong mask for good: a mask of 0 makes every later file writable
// by everyone. So every reader in the program comes through here, one at a
// time, and the value set while reading keeps everything from the group and
// others, so that a file another thread creates in that moment is never more
// open than it should be (its owner keeps every right: a folder made then
// still opens).
unsigned ProcessUmask() {
    static std::mutex reading;
    const std::lock_guard lock(reading);
    const mode_t mask = ::umask(077);
    ::umask(mask);
    return mask;
}

}  // namespace win32
