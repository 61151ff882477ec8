#include "path_style.h"

#include <atomic>

namespace {
// Atomic only so that a thread reading the style while a test changes it sees
// one of the two values; nothing in the tools changes it after start-up.
std::atomic<VSB_PathStyle> g_path_style{VSB_PATH_NATIVE};
}  // namespace

VSB_PathStyle VSB_SetPathStyle(VSB_PathStyle style) {
    return g_path_style.exchange(style);
}

VSB_PathStyle VSB_GetPathStyle() {
    return g_path_style.load();
}

char VSB_PathSeparator() {
    return VSB_GetPathStyle() == VSB_PATH_WINDOWS ? '\\' : '/';
}
