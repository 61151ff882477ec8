#include "compare_text.h"

#include <mbstring.h>

#include "mb_walk.h"

namespace {

unsigned int UpperAscii(unsigned int ch) {
    return (ch >= 'a' && ch <= 'z') ? ch - 'a' + 'A' : ch;
}

// Modes 2 and 6, walking both texts one character at a time.
//
// A "?" matches one character, so it matches nothing against the end of the
// other text: "ab?" is longer than "ab" and compares greater, and "ab" and
// "ab?" never count as equal.
int CompareWithWildcards(const char* p1, const char* p2, bool pattern) {
    using foundation::CharLengthAt;
    using foundation::CharValueAt;
    for (;;) {
        const unsigned int c1 = CharValueAt(p1);
        const unsigned int c2 = CharValueAt(p2);
        if (pattern ? (c1 == 0 || c2 == 0) : (c1 == 0 && c2 == 0)) break;
        const bool one_side_ended = c1 == 0 || c2 == 0;
        if (one_side_ended || (c1 != '?' && c2 != '?' && c1 != c2)) {
            const unsigned int u1 = UpperAscii(c1);
            const unsigned int u2 = UpperAscii(c2);
            if (u1 != u2) {
                if (pattern && (c1 == '*' || c2 == '*')) return 0;
                return u1 < u2 ? -1 : 1;
            }
        }
        p1 += CharLengthAt(p1);
        p2 += CharLengthAt(p2);
    }
    if (!pattern) return 0;
    // A pattern ends its comparison when either text ends: a "*" where the
    // other one stopped matches the empty rest.
    const unsigned char b1 = static_cast<unsigned char>(*p1);
    const unsigned char b2 = static_cast<unsigned char>(*p2);
    if (b1 == '*' || b2 == '*') return 0;
    return static_cast<int>(b1) - static_cast<int>(b2);
}

}  // namespace

int VSB_CompareText(const char* text1, const char* text2, std::uint32_t mode) {
    if (text1 == nullptr) text1 = "";
    if (text2 == nullptr) text2 = "";
    switch (mode & VSB_CMP_MODE_MASK) {
        case VSB_CMP_EXACT:
            return _mbscmp(text1, text2);
        case VSB_CMP_WILDCARD:
            return CompareWithWildcards(text1, text2, false);
        case VSB_CMP_ANY:
            return 0;
        case VSB_CMP_PATTERN:
            return CompareWithWildcards(text1, text2, true);
        default:
            return _mbsicmp(text1, text2);
    }
}
