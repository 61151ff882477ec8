#include "random_bytes.h"

#include <sys/random.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace {

std::vector<unsigned char>* g_per_call = nullptr;
int g_calls = 0;

}  // namespace

namespace testing_support {

FixedRandomBytes::FixedRandomBytes(std::vector<unsigned char> per_call)
    : per_call_(std::move(per_call)), outer_(g_per_call), outer_calls_(g_calls) {
    g_per_call = &per_call_;
    g_calls = 0;
}

FixedRandomBytes::~FixedRandomBytes() {
    g_per_call = outer_;
    g_calls = outer_calls_;
}

int FixedRandomBytes::calls() const {
    return g_calls;
}

}  // namespace testing_support

// Takes the place of the C library's function in the test program.
extern "C" ssize_t getrandom(void* buffer, size_t length, unsigned int flags) {
    if (g_per_call == nullptr || g_per_call->empty())
        return ::syscall(SYS_getrandom, buffer, length, flags);
    const std::size_t at = std::min<std::size_t>(g_calls, g_per_call->size() - 1);
    ++g_calls;
    std::memset(buffer, (*g_per_call)[at], length);
    return static_cast<ssize_t>(length);
}
