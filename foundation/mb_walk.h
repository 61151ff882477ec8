// Stepping through a text one character of the process code page at a time.
// Internal to the foundation library.
#pragma once

#include <cstddef>

namespace foundation {

// Number of bytes of the character at `p` (at least 1 unless `p` is at the terminator).
std::size_t CharLengthAt(const char* p);

// The value of the character at `p`: one byte, or the bytes of a multibyte
// character read as a big-endian number. 0 at the terminator.
unsigned int CharValueAt(const char* p);

// Start of the last character of the zero-terminated text, or nullptr when it is empty.
const char* LastCharOf(const char* text);

}  // namespace foundation
