// The C runtime's multibyte string functions, over the process code page
// (UTF-8 by default: a whole sequence is one character; 932 selectable, where
// lead bytes 0x81-0x9F and 0xE0-0xFC start a two-byte character).
// Case-insensitive comparison folds ASCII letters only. A multibyte character is
// passed as its bytes read big-endian (0x955C; UTF-8 "\xC3\xA9" is 0xC3A9).
#pragma once

#include <cstddef>

// What the comparisons return for a null argument (errno is then EINVAL).
#define _NLSCMPERROR 2147483647

extern "C" {
// 0 on success, -1 for an unknown code page. -2 (OEM), -3 (ANSI) and -4 (locale)
// select UTF-8; 0 (single-byte) selects 1252. Changes win32::ProcessCodePage() too.
int _setmbcp(int codepage);
int _getmbcp(void);
// Nonzero when the byte starts a multibyte character of more than one byte.
int _ismbblead(unsigned int c);
int _mbscmp(const unsigned char* s1, const unsigned char* s2);
int _mbsicmp(const unsigned char* s1, const unsigned char* s2);
int _mbsnicmp(const unsigned char* s1, const unsigned char* s2, size_t count);
// First / last occurrence of a character (single- or multibyte value), by whole characters.
unsigned char* _mbschr(const unsigned char* s, unsigned int c);
unsigned char* _mbsrchr(const unsigned char* s, unsigned int c);
unsigned char* _mbsstr(const unsigned char* s, const unsigned char* sub);
// Next character; previous character of `current` within `start`.
unsigned char* _mbsinc(const unsigned char* current);
unsigned char* _mbsdec(const unsigned char* start, const unsigned char* current);
// Number of characters.
size_t _mbslen(const unsigned char* s);
// Token splitting as strtok, by whole characters.
unsigned char* _mbstok(unsigned char* s, const unsigned char* delimiters);
// ASCII letters only; multibyte characters are left whole.
unsigned char* _mbsupr(unsigned char* s);
unsigned char* _mbslwr(unsigned char* s);
}

// Convenience overloads for plain char strings.
inline int _mbscmp(const char* a, const char* b) {
    return _mbscmp(reinterpret_cast<const unsigned char*>(a),
                   reinterpret_cast<const unsigned char*>(b));
}
inline int _mbsicmp(const char* a, const char* b) {
    return _mbsicmp(reinterpret_cast<const unsigned char*>(a),
                    reinterpret_cast<const unsigned char*>(b));
}
inline const char* _mbschr(const char* s, unsigned int c) {
    return reinterpret_cast<const char*>(_mbschr(reinterpret_cast<const unsigned char*>(s), c));
}
inline const char* _mbsrchr(const char* s, unsigned int c) {
    return reinterpret_cast<const char*>(_mbsrchr(reinterpret_cast<const unsigned char*>(s), c));
}
inline const char* _mbsinc(const char* p) {
    return reinterpret_cast<const char*>(_mbsinc(reinterpret_cast<const unsigned char*>(p)));
}
inline const char* _mbsdec(const char* start, const char* p) {
    return reinterpret_cast<const char*>(_mbsdec(reinterpret_cast<const unsigned char*>(start),
                                                 reinterpret_cast<const unsigned char*>(p)));
}
