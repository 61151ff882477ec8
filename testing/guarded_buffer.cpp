#include "guarded_buffer.h"

#include <algorithm>

namespace testing_support {
namespace {

constexpr size_t kGuardSize = 16;
constexpr char kGuardByte = '\xA5';

}  // namespace

GuardedBuffer::GuardedBuffer(size_t size) : size_(size), bytes_(size + kGuardSize, '#') {
    std::fill(bytes_.begin() + static_cast<std::ptrdiff_t>(size), bytes_.end(), kGuardByte);
}

bool GuardedBuffer::GuardIntact() const {
    return std::all_of(bytes_.begin() + static_cast<std::ptrdiff_t>(size_), bytes_.end(),
                       [](char c) { return c == kGuardByte; });
}

std::string GuardedBuffer::Text() const {
    const auto end = bytes_.begin() + static_cast<std::ptrdiff_t>(size_);
    return std::string(bytes_.begin(), std::find(bytes_.begin(), end, '\0'));
}

}  // namespace testing_support
