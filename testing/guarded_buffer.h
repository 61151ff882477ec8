// A caller's buffer with guard bytes after it, for every function that fills
// a buffer it is given the size of: whatever it writes, it must stop at that
// size, and the guard tells whether it did. The buffer starts filled with
// '#', so a test also sees how much was written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

class GuardedBuffer {
  public:
    explicit GuardedBuffer(size_t size);

    char* data() { return bytes_.data(); }
    unsigned char* bytes() { return reinterpret_cast<unsigned char*>(bytes_.data()); }
    uint32_t size() const { return static_cast<uint32_t>(size_); }

    // True when nothing was written past the size.
    bool GuardIntact() const;
    // The buffer's bytes up to the first zero byte, or all of them when it
    // holds none.
    std::string Text() const;
    // All of the buffer's bytes (the guard left out).
    std::string Bytes() const { return std::string(bytes_.data(), size_); }

  private:
    size_t size_;
    std::vector<char> bytes_;
};

}  // namespace testing_support
