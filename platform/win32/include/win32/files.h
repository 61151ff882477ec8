// Files and folders: the temporary folder, the program's file name, directory
// creation, copy, delete, attributes, unique temporary names and directory search.
#pragma once

#include "win32/types.h"

#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_HIDDEN 0x00000002
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)

typedef struct _WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    CHAR cFileName[MAX_PATH];
    CHAR cAlternateFileName[14];
} WIN32_FIND_DATAA, *LPWIN32_FIND_DATAA;

extern "C" {
// The temporary folder ($TMPDIR, else /tmp) with a trailing separator; the
// length written without the terminator, or the size needed when too small.
DWORD GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer);
// The running program's full path (module must be 0).
DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize);
// Creates one directory level; fails with ERROR_ALREADY_EXISTS or ERROR_PATH_NOT_FOUND.
BOOL CreateDirectoryA(LPCSTR lpPathName, LPVOID lpSecurityAttributes);
BOOL RemoveDirectoryA(LPCSTR lpPathName);
// Copies content (through a file beside the target, renamed into place); the
// copy is writable by its owner. ERROR_FILE_EXISTS when bFailIfExists and the
// target exists.
BOOL CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists);
// Deletes a file; a directory or a read-only file gives ERROR_ACCESS_DENIED as on Windows.
BOOL DeleteFileA(LPCSTR lpFileName);
// Renames; never replaces an existing name (ERROR_ALREADY_EXISTS).
BOOL MoveFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName);
DWORD GetFileAttributesA(LPCSTR lpFileName);
// FILE_ATTRIBUTE_NORMAL makes the file writable, READONLY takes write bits away.
BOOL SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes);
// The GetTempFileName contract: with uUnique 0 the system picks a free name
// "<prefix up to 3 chars><upper-case hex>.tmp" in the folder, creates the file and returns
// the number; 0 on failure.
UINT GetTempFileNameA(LPCSTR lpPathName, LPCSTR lpPrefixString, UINT uUnique, LPSTR lpTempFileName);
// Directory search for a name or a pattern with * and ?, matched without regard
// to ASCII case, sorted by name; "." and ".." are reported when they match.
HANDLE FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData);
BOOL FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData);
BOOL FindClose(HANDLE hFindFile);
}
