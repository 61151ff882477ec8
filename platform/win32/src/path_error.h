// Last-error values for failed calls on a path.
#pragma once

#include <string>

#include "win32/types.h"

namespace win32 {

// The Windows code for `err` from a call on `path`. Windows tells a missing
// file (2) from a missing folder on the way to it (3); errno says ENOENT for
// both, so the parent folder is looked at to tell them apart.
DWORD PathErrorFromErrno(int err, const char* path);

// Sets the thread's last error as PathErrorFromErrno does and returns FALSE,
// the usual ending of a failed file call.
BOOL FailPath(int err, const char* path);

// Sets the thread's last error and returns FALSE.
BOOL Fail(DWORD code);

// The folder part of `path` ("." when it has none), without a trailing "/".
std::string ParentFolder(const std::string& path);

}  // namespace win32
