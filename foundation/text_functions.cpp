#include "text_functions.h"

#include <mbstring.h>

#include "mb_walk.h"

using foundation::CharLengthAt;
using foundation::CharValueAt;

std::size_t VSB_FindChar(const std::string& text, unsigned int ch) {
    const char* hit = _mbschr(text.c_str(), ch);
    return hit ? static_cast<std::size_t>(hit - text.c_str()) : std::string::npos;
}

// Walks forward rather than backward: going backward, a byte after a lead byte
// cannot be told apart from a single-byte character after a double-byte one
// whose second byte happens to have a lead byte's value. Only a walk from the
// start knows where each character begins.
std::size_t VSB_FindLastChar(const std::string& text, unsigned int ch) {
    const char* hit = _mbsrchr(text.c_str(), ch);
    return hit ? static_cast<std::size_t>(hit - text.c_str()) : std::string::npos;
}

std::string VSB_FirstLine(const std::string& text) {
    std::size_t end = VSB_FindChar(text, '\r');
    if (end == std::string::npos) end = VSB_FindChar(text, '\n');
    return text.substr(0, end);
}

std::string VSB_LeftOfChar(const std::string& text, unsigned int ch) {
    return text.substr(0, VSB_FindChar(text, ch));
}

std::string VSB_LeftOf(const std::string& text, std::size_t position) {
    return text.substr(0, position);
}

std::string VSB_DropLastChar(std::string& text) {
    if (const char* last = foundation::LastCharOf(text.c_str())) {
        text.resize(static_cast<std::size_t>(last - text.c_str()));
    }
    return text;
}

std::string VSB_RemoveChar(std::string& text, unsigned int ch) {
    std::string kept;
    kept.reserve(text.size());
    for (const char* p = text.c_str(); *p != '\0';) {
        const std::size_t length = CharLengthAt(p);
        if (CharValueAt(p) != ch) kept.append(p, length);
        p += length;
    }
    text = kept;
    return text;
}
