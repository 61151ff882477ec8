// Last-error values for failed calls on a path.
#include "path_error.h"

#include <sys/stat.h>

#include <cerrno>

#include "win32/lasterror.h"
#include "win32/winerror.h"

namespace win32 {

std::string ParentFolder(const std::string& path) {
    size_t end = path.size();
    while (end > 1 && path[end - 1] == '/') --end;  // "dir/" names dir itself
    size_t slash = path.rfind('/', end - 1);
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Windows tells a missing file (2) from a missing folder on the way to it (3);
// errno says ENOENT for both, so the parent folder is looked at.
DWORD PathErrorFromErrno(int err, const char* path) {
    if (err == ENOENT && path != nullptr && *path != '\0') {
        struct stat st;
        std::string parent = ParentFolder(path);
        if (stat(parent.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return ERROR_PATH_NOT_FOUND;
        return ERROR_FILE_NOT_FOUND;
    }
    if (err == ENOENT) return ERROR_PATH_NOT_FOUND;  // the empty path names no file at all
    return ErrorFromErrno(err);
}

BOOL FailPath(int err, const char* path) {
    SetLastError(PathErrorFromErrno(err, path));
    return FALSE;
}

BOOL Fail(DWORD code) {
    SetLastError(code);
    return FALSE;
}

}  // namespace win32
