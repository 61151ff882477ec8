// The calling thread's last-error value and the errno to Windows mapping.
#include "win32/lasterror.h"

#include <cerrno>

#include "win32/winerror.h"

namespace {
// Windows keeps the value per thread; so do we, so that a worker thread's
// failure never shows up in another thread's GetLastError().
thread_local DWORD tls_last_error = ERROR_SUCCESS;
}  // namespace

extern "C" DWORD GetLastError(void) {
    return tls_last_error;
}

extern "C" void SetLastError(DWORD dwErrCode) {
    tls_last_error = dwErrCode;
}

namespace win32 {

DWORD ErrorFromErrno(int err) {
    switch (err) {
        case 0:
            return ERROR_SUCCESS;
        case ENOENT:
            // Without the path we cannot tell a missing file from a missing
            // folder; the file services that can tell use PathErrorFromErrno.
            return ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EISDIR:
            return ERROR_ACCESS_DENIED;
        case EBUSY:
        case ETXTBSY:
            return ERROR_SHARING_VIOLATION;
        case EEXIST:
            return ERROR_FILE_EXISTS;
        case ENOTEMPTY:
            return ERROR_DIR_NOT_EMPTY;
        case EINVAL:
            return ERROR_INVALID_PARAMETER;
        case ENOSPC:
        case EDQUOT:
            return ERROR_DISK_FULL;
        case ENAMETOOLONG:
            return ERROR_FILENAME_EXCED_RANGE;
        case EMFILE:
        case ENFILE:
            return ERROR_TOO_MANY_OPEN_FILES;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case EROFS:
            return ERROR_WRITE_PROTECT;
        case EBADF:
            return ERROR_INVALID_HANDLE;
        case ELOOP:
            return ERROR_CANT_RESOLVE_FILENAME;
        case EXDEV:
            return ERROR_NOT_SAME_DEVICE;
        case EPIPE:
            return ERROR_BROKEN_PIPE;
        case ENOSYS:
        case EOPNOTSUPP:
            return ERROR_NOT_SUPPORTED;
        case EILSEQ:
            return ERROR_NO_UNICODE_TRANSLATION;
        default:
            // Any other I/O failure: the generic "device not functioning".
            return ERROR_GEN_FAILURE;
    }
}

DWORD SetLastErrorFromErrno(int err) {
    DWORD code = ErrorFromErrno(err);
    SetLastError(code);
    return code;
}

}  // namespace win32
