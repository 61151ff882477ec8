// The calling thread's last-error value, with errno mapped to Windows codes.
#pragma once

#include "win32/types.h"

extern "C" {
DWORD GetLastError(void);
void SetLastError(DWORD dwErrCode);
}

namespace win32 {
// The Windows error code for an errno value (ENOENT -> 2, EACCES -> 5, ...).
DWORD ErrorFromErrno(int err);
// Sets the thread's last error from errno and returns it.
DWORD SetLastErrorFromErrno(int err);
// The Windows code for `err` from a call on `path`: as ErrorFromErrno, except
// that ENOENT becomes ERROR_PATH_NOT_FOUND (3) when the folder that should
// hold `path` is missing, and ERROR_FILE_NOT_FOUND (2) when only the entry is.
DWORD PathErrorFromErrno(int err, const char* path);
}  // namespace win32
