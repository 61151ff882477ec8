// Last-error values for failed calls on a path.
#pragma once

#include <string>

#include "win32/lasterror.h"
#include "win32/types.h"

namespace win32 {

// Sets the thread's last error as PathErrorFromErrno does and returns FALSE,
// the usual ending of a failed file call.
BOOL FailPath(int err, const char* path);

// Sets the thread's last error and returns FALSE.
BOOL Fail(DWORD code);

// The folder part of `path` ("." when it has none), without a trailing "/".
std::string ParentFolder(const std::string& path);

}  // namespace win32
