// What the file services share: Windows attributes and times of a stat
// result, and a rename that never replaces.
#pragma once

#include <sys/stat.h>

#include "win32/types.h"

namespace win32 {

// FILE_ATTRIBUTE_DIRECTORY for folders, READONLY when the owner may not
// write, NORMAL when nothing else applies.
DWORD AttributesOf(const struct stat& st);

// A time as Windows counts it: 100-nanosecond steps since 1601-01-01 UTC.
FILETIME FileTimeOf(const struct timespec& time);

// rename() that fails with EEXIST instead of replacing an existing `to`.
// Returns 0 or -1 with errno set.
int RenameNoReplace(const char* from, const char* to);

}  // namespace win32
