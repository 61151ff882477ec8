#include "file_system_refusals.h"

#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace {

bool g_modes_refused = false;
bool g_syncs_fail = false;

}  // namespace

namespace testing_support {

RefusedModeChanges::RefusedModeChanges() {
    g_modes_refused = true;
}

RefusedModeChanges::~RefusedModeChanges() {
    g_modes_refused = false;
}

FailedSyncs::FailedSyncs() {
    g_syncs_fail = true;
}

FailedSyncs::~FailedSyncs() {
    g_syncs_fail = false;
}

}  // namespace testing_support

// These take the place of the C library's functions in the test program.
extern "C" int fchmod(int fd, mode_t mode) noexcept {
    if (g_modes_refused) {
        errno = EPERM;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_fchmod, fd, mode));
}

extern "C" int fsync(int fd) {
    if (g_syncs_fail) {
        errno = EIO;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_fsync, fd));
}
