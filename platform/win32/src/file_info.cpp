// Windows attributes and times of a stat result; rename without replacing.
#include "file_info.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>

#include "win32/files.h"

namespace win32 {

namespace {
// Seconds from 1601-01-01 (the Windows epoch) to 1970-01-01 (the Unix epoch).
constexpr int64_t kEpochDifferenceSeconds = 11644473600LL;
constexpr int64_t kTicksPerSecond = 10000000LL;
}  // namespace

DWORD AttributesOf(const struct stat& st) {
    DWORD attributes = 0;
    if (S_ISDIR(st.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if ((st.st_mode & S_IWUSR) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
}

FILETIME FileTimeOf(const struct timespec& time) {
    int64_t ticks =
        (static_cast<int64_t>(time.tv_sec) + kEpochDifferenceSeconds) * kTicksPerSecond +
        time.tv_nsec / 100;
    if (ticks < 0) ticks = 0;  // before 1601: not representable, clamp
    FILETIME result;
    result.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) & 0xFFFFFFFFu);
    result.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32);
    return result;
}

int RenameNoReplace(const char* from, const char* to) {
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return -1;
    // A file system without RENAME_NOREPLACE: link() refuses an existing
    // name just as well, for files; folders fall back to a checked rename.
    struct stat st;
    if (lstat(from, &st) != 0) return -1;
    if (!S_ISDIR(st.st_mode)) {
        if (link(from, to) != 0) return -1;
        return unlink(from);
    }
    if (lstat(to, &st) == 0) {
        errno = EEXIST;
        return -1;
    }
    return rename(from, to);
}

}  // namespace win32
