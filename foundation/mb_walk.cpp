#include "mb_walk.h"

#include <cstring>
#include <mbstring.h>

namespace foundation {

std::size_t CharLengthAt(const char* p) {
    if (*p == '\0') return 0;
    return static_cast<std::size_t>(_mbsinc(p) - p);
}

unsigned int CharValueAt(const char* p) {
    unsigned int value = 0;
    const std::size_t length = CharLengthAt(p);
    for (std::size_t i = 0; i < length; ++i)
        value = (value << 8) | static_cast<unsigned char>(p[i]);
    return value;
}

const char* LastCharOf(const char* text) {
    const char* end = text + std::strlen(text);
    if (end == text) return nullptr;
    return _mbsdec(text, end);
}

}  // namespace foundation
