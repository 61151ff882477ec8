// Comparing two texts in one of the modes a CStringListEx can be set to.
#pragma once

#include <cstdint>
#include <string>

// Comparison modes: the low four bits of a CStringListEx's flags.
enum : std::uint32_t {
    VSB_CMP_NOCASE = 0,  // multibyte, without regard to ASCII letter case (also every unknown mode)
    VSB_CMP_EXACT = 1,   // multibyte, case-sensitive
    VSB_CMP_WILDCARD = 2,  // "?" on either side matches any one character; ASCII case ignored
    VSB_CMP_ANY = 3,       // every pair of texts is equal
    VSB_CMP_PATTERN = 6,  // as VSB_CMP_WILDCARD, and a "*" at the first difference matches the rest
    VSB_CMP_MODE_MASK = 0xF,
};

// 0 when the texts are equal under `mode`, otherwise negative or positive.
// A null text compares as an empty one.
int VSB_CompareText(const char* text1, const char* text2, std::uint32_t mode);
inline int VSB_CompareText(const std::string& text1, const std::string& text2, std::uint32_t mode) {
    return VSB_CompareText(text1.c_str(), text2.c_str(), mode);
}
