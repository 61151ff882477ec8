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
}  // namespace win32
