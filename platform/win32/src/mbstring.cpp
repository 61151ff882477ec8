// The C runtime's multibyte string functions over the process code page.
//
// A null argument gets the answer the Microsoft runtime gives after its
// invalid-parameter check (a null pointer, 0, or _NLSCMPERROR for the
// comparisons), never a crash.
//
// Every function steps by whole characters (mb_char.h), so the trail byte of a
// double-byte character is never taken for the single-byte character it looks
// like: in code page 932 the trail byte of many characters is 0x5C, '\'.
#include <mbstring.h>

#include <cerrno>
#include <cstring>

#include "mb_char.h"
#include "win32/codepage.h"

namespace {

// The _setmbcp selectors that name no code page of their own.
constexpr int kMbCpSbcs = 0;
constexpr int kMbCpOem = -2;
constexpr int kMbCpAnsi = -3;
constexpr int kMbCpLocale = -4;

// Compares two characters by their values as the C runtime does; a double-
// byte character sorts above every single byte, which a byte comparison would
// get wrong for the single-byte katakana of 932.
int CompareValues(unsigned int a, unsigned int b) {
    return a < b ? -1 : a > b ? 1 : 0;
}

unsigned int FoldAscii(unsigned int value) {
    return value >= 'A' && value <= 'Z' ? value + ('a' - 'A') : value;
}

// Shared body of the comparisons; `limit` counts characters.
int CompareChars(const unsigned char* s1, const unsigned char* s2, size_t limit, bool fold) {
    if (s1 == nullptr || s2 == nullptr) {
        errno = EINVAL;
        return _NLSCMPERROR;
    }
    UINT code_page = win32::ProcessCodePage();
    for (size_t n = 0; n < limit; ++n) {
        size_t len1 = win32::CharLength(s1, code_page);
        size_t len2 = win32::CharLength(s2, code_page);
        unsigned int c1 = win32::CharValue(s1, len1);
        unsigned int c2 = win32::CharValue(s2, len2);
        if (fold) {
            c1 = FoldAscii(c1);
            c2 = FoldAscii(c2);
        }
        if (c1 != c2) return CompareValues(c1, c2);
        if (c1 == 0) return 0;
        s1 += len1;
        s2 += len2;
    }
    return 0;
}

// True when `delimiters` holds the character `value`.
bool IsDelimiter(const unsigned char* delimiters, unsigned int value, UINT code_page) {
    for (const unsigned char* d = delimiters; *d != 0;) {
        size_t len = win32::CharLength(d, code_page);
        if (win32::CharValue(d, len) == value) return true;
        d += len;
    }
    return false;
}

// Shared body of _mbsupr and _mbslwr: ASCII letters only, and never a byte
// inside a multibyte character (a 932 trail byte can be an ASCII letter).
unsigned char* MapAsciiCase(unsigned char* s, bool upper) {
    if (s == nullptr) return nullptr;
    UINT code_page = win32::ProcessCodePage();
    for (unsigned char* p = s; *p != 0;) {
        size_t len = win32::CharLength(p, code_page);
        if (len == 1) {
            if (upper && *p >= 'a' && *p <= 'z') *p = static_cast<unsigned char>(*p - 'a' + 'A');
            if (!upper && *p >= 'A' && *p <= 'Z') *p = static_cast<unsigned char>(*p - 'A' + 'a');
        }
        p += len;
    }
    return s;
}

// strtok keeps one position per process; ours keeps one per thread, as the
// Microsoft runtime does, so two threads tokenising never disturb each other.
thread_local unsigned char* tls_token_next = nullptr;

}  // namespace

extern "C" {

int _setmbcp(int codepage) {
    UINT wanted;
    switch (codepage) {
        case kMbCpAnsi:
        case kMbCpLocale:
        case kMbCpOem:
            // Linux has one system code page for ANSI and OEM alike.
            wanted = CP_UTF8;
            break;
        case kMbCpSbcs:
            // "No multibyte characters": the Western single-byte page.
            wanted = 1252;
            break;
        default:
            if (codepage < 0) {
                errno = EINVAL;
                return -1;
            }
            wanted = static_cast<UINT>(codepage);
    }
    if (!win32::SetProcessCodePage(wanted)) {
        errno = EINVAL;
        return -1;
    }
    return 0;
}

int _getmbcp(void) {
    return static_cast<int>(win32::ProcessCodePage());
}

int _ismbblead(unsigned int c) {
    return win32::IsLeadByte(c, win32::ProcessCodePage()) ? 1 : 0;
}

int _mbscmp(const unsigned char* s1, const unsigned char* s2) {
    return CompareChars(s1, s2, static_cast<size_t>(-1), false);
}

int _mbsicmp(const unsigned char* s1, const unsigned char* s2) {
    return CompareChars(s1, s2, static_cast<size_t>(-1), true);
}

int _mbsnicmp(const unsigned char* s1, const unsigned char* s2, size_t count) {
    return CompareChars(s1, s2, count, true);
}

unsigned char* _mbschr(const unsigned char* s, unsigned int c) {
    if (s == nullptr) return nullptr;
    UINT code_page = win32::ProcessCodePage();
    for (const unsigned char* p = s;;) {
        size_t len = win32::CharLength(p, code_page);
        if (win32::CharValue(p, len) == c) return const_cast<unsigned char*>(p);
        if (*p == 0) return nullptr;
        p += len;
    }
}

unsigned char* _mbsrchr(const unsigned char* s, unsigned int c) {
    if (s == nullptr) return nullptr;
    UINT code_page = win32::ProcessCodePage();
    const unsigned char* found = nullptr;
    for (const unsigned char* p = s;;) {
        size_t len = win32::CharLength(p, code_page);
        if (win32::CharValue(p, len) == c) found = p;
        if (*p == 0) break;
        p += len;
    }
    return const_cast<unsigned char*>(found);
}

unsigned char* _mbsstr(const unsigned char* s, const unsigned char* sub) {
    if (s == nullptr || sub == nullptr) return nullptr;
    UINT code_page = win32::ProcessCodePage();
    size_t sub_length = std::strlen(reinterpret_cast<const char*>(sub));
    if (sub_length == 0) return const_cast<unsigned char*>(s);
    // Only character starts are candidates, so a match that would begin on a
    // trail byte is never reported.
    for (const unsigned char* p = s; *p != 0; p += win32::CharLength(p, code_page)) {
        if (std::strncmp(reinterpret_cast<const char*>(p), reinterpret_cast<const char*>(sub),
                         sub_length) == 0) {
            return const_cast<unsigned char*>(p);
        }
    }
    return nullptr;
}

unsigned char* _mbsinc(const unsigned char* current) {
    if (current == nullptr) return nullptr;
    return const_cast<unsigned char*>(current +
                                      win32::CharLength(current, win32::ProcessCodePage()));
}

unsigned char* _mbsdec(const unsigned char* start, const unsigned char* current) {
    if (start == nullptr || current == nullptr) return nullptr;
    return const_cast<unsigned char*>(
        win32::PreviousChar(start, current, win32::ProcessCodePage()));
}

size_t _mbslen(const unsigned char* s) {
    if (s == nullptr) return 0;
    UINT code_page = win32::ProcessCodePage();
    size_t count = 0;
    for (const unsigned char* p = s; *p != 0; p += win32::CharLength(p, code_page)) ++count;
    return count;
}

unsigned char* _mbstok(unsigned char* s, const unsigned char* delimiters) {
    UINT code_page = win32::ProcessCodePage();
    unsigned char* p = s != nullptr ? s : tls_token_next;
    if (p == nullptr || delimiters == nullptr) return nullptr;
    // Skip the delimiters in front of the token.
    while (*p != 0) {
        size_t len = win32::CharLength(p, code_page);
        if (!IsDelimiter(delimiters, win32::CharValue(p, len), code_page)) break;
        p += len;
    }
    if (*p == 0) {
        tls_token_next = nullptr;
        return nullptr;
    }
    unsigned char* token = p;
    while (*p != 0) {
        size_t len = win32::CharLength(p, code_page);
        if (IsDelimiter(delimiters, win32::CharValue(p, len), code_page)) {
            // Every byte of a multibyte delimiter is cleared, so the token
            // never ends in half a character.
            std::memset(p, 0, len);
            tls_token_next = p + len;
            return token;
        }
        p += len;
    }
    tls_token_next = nullptr;
    return token;
}

unsigned char* _mbsupr(unsigned char* s) {
    return MapAsciiCase(s, true);
}

unsigned char* _mbslwr(unsigned char* s) {
    return MapAsciiCase(s, false);
}

}  // extern "C"
