// GetTempFileNameA: "<folder>/<up to 3 prefix characters><hex number>.tmp".
//
// With uUnique 0 the number is chosen here and the file is created with
// O_EXCL, which is what makes the name ours: another thread or process that
// picked the same number gets EEXIST and moves on to the next one.
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "path_error.h"
#include "win32/files.h"
#include "win32/lasterror.h"
#include "win32/winerror.h"

namespace {

// Windows uses the low 16 bits of the number, so there are 65535 names per
// folder and prefix (0 is never used).
constexpr unsigned kNumberSpace = 0xFFFF;

// Consecutive numbers from a start that differs between processes, so that
// two programs (or a parent and its forked child, which share the counter's
// state) do not walk the same sequence and collide at every step.
unsigned NextCandidate() {
    static std::atomic<unsigned> next{std::random_device{}()};
    unsigned process_offset = static_cast<unsigned>(getpid()) * 40503u;
    return (next.fetch_add(1) + process_offset) % kNumberSpace + 1;
}

std::string BuildName(const char* folder, const char* prefix, unsigned number) {
    std::string name = folder;
    if (!name.empty() && name.back() != '/') name += '/';
    name.append(prefix, strnlen(prefix, 3));
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X.tmp", number & kNumberSpace);
    return name + hex;
}

}  // namespace

extern "C" UINT GetTempFileNameA(LPCSTR lpPathName, LPCSTR lpPrefixString, UINT uUnique,
                                 LPSTR lpTempFileName) {
    if (lpPathName == nullptr || lpTempFileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const char* prefix = lpPrefixString != nullptr ? lpPrefixString : "";
    // A separator in the prefix would put the file in another folder than the
    // one the caller named ("../" climbs out of it).
    if (std::memchr(prefix, '/', strnlen(prefix, 3)) != nullptr) {
        SetLastError(ERROR_INVALID_NAME);
        return 0;
    }
    // The caller's buffer holds MAX_PATH characters, as on Windows.
    if (BuildName(lpPathName, prefix, 0xFFFF).size() >= MAX_PATH) {
        SetLastError(ERROR_BUFFER_OVERFLOW);
        return 0;
    }

    if (uUnique != 0) {
        std::string name = BuildName(lpPathName, prefix, uUnique);
        std::memcpy(lpTempFileName, name.c_str(), name.size() + 1);
        return uUnique;
    }

    for (unsigned attempt = 0; attempt < kNumberSpace; ++attempt) {
        unsigned number = NextCandidate();
        std::string name = BuildName(lpPathName, prefix, number);
        int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            close(fd);
            std::memcpy(lpTempFileName, name.c_str(), name.size() + 1);
            return number;
        }
        if (errno != EEXIST) {
            // The folder itself is missing or closed to us: no other number helps.
            SetLastError(win32::PathErrorFromErrno(errno, name.c_str()));
            return 0;
        }
    }
    // Every number is taken.
    SetLastError(ERROR_FILE_EXISTS);
    return 0;
}
