// Character boundaries in UTF-8 and in the double-byte code pages.
#include "mb_char.h"

namespace win32 {
namespace {

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Length of a well-formed UTF-8 sequence at `p`, or 1 for a byte that does not
// start one (stray continuation byte, overlong form, surrogate, beyond U+10FFFF,
// or a sequence cut short by the terminator).
size_t Utf8Length(const unsigned char* p) {
    unsigned char lead = p[0];
    if (lead < 0xC2 || lead > 0xF4) return 1;
    size_t length = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    // The second byte's range is narrower after E0, ED, F0 and F4: that is
    // where overlong forms, surrogates and values past U+10FFFF would hide.
    unsigned char low = 0x80, high = 0xBF;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
    if (p[1] < low || p[1] > high) return 1;
    for (size_t i = 2; i < length; ++i) {
        if (!IsContinuation(p[i])) return 1;
    }
    return length;
}

}  // namespace

bool IsDoubleByteCodePage(UINT code_page) {
    return code_page == 932 || code_page == 936 || code_page == 949 || code_page == 950;
}

bool IsLeadByte(unsigned int byte, UINT code_page) {
    byte &= 0xFF;
    switch (code_page) {
        case 932:
            return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
        case 936:
        case 949:
        case 950:
            return byte >= 0x81 && byte <= 0xFE;
        case 65001:
            return byte >= 0xC2 && byte <= 0xF4;
        default:
            return false;
    }
}

size_t CharLength(const unsigned char* p, UINT code_page) {
    if (code_page == 65001) return Utf8Length(p);
    // A lead byte right before the terminator stands alone: taking the NUL as
    // its trail byte would walk past the end of the string.
    if (IsLeadByte(p[0], code_page) && p[1] != 0) return 2;
    return 1;
}

const unsigned char* PreviousChar(const unsigned char* start, const unsigned char* current,
                                  UINT code_page) {
    if (current <= start) return nullptr;
    if (code_page == 65001) {
        // Every byte that is not a continuation byte starts a character, so
        // the nearest such byte before `current` either starts the previous
        // character or `current - 1` is a stray continuation byte.
        const unsigned char* p = current - 1;
        while (p > start && IsContinuation(*p) && current - p < 4) --p;
        if (!IsContinuation(*p) && p + Utf8Length(p) >= current) return p;
        return current - 1;
    }
    if (IsDoubleByteCodePage(code_page)) {
        // A trail byte can look like any single-byte character, so only a walk
        // from the start tells where characters begin.
        const unsigned char* p = start;
        for (;;) {
            const unsigned char* next = p + CharLength(p, code_page);
            if (next >= current) return p;
            p = next;
        }
    }
    return current - 1;
}

unsigned int CharValue(const unsigned char* p, size_t length) {
    unsigned int value = 0;
    for (size_t i = 0; i < length; ++i) value = (value << 8) | p[i];
    return value;
}

}  // namespace win32
