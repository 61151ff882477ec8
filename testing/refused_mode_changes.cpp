#include "refused_mode_changes.h"

#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace {

bool g_refused = false;

}  // namespace

namespace testing_support {

RefusedModeChanges::RefusedModeChanges() {
    g_refused = true;
}

RefusedModeChanges::~RefusedModeChanges() {
    g_refused = false;
}

}  // namespace testing_support

// Takes the place of the C library's function in the test program.
extern "C" int fchmod(int fd, mode_t mode) noexcept {
    if (g_refused) {
        errno = EPERM;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_fchmod, fd, mode));
}
