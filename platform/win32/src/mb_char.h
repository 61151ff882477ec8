// Character boundaries in the process code page, for the multibyte string
// functions and the path code that must never split a character.
#pragma once

#include <cstddef>

#include "win32/types.h"

namespace win32 {

// True for the double-byte code pages whose lead bytes we know (932, 936,
// 949, 950).
bool IsDoubleByteCodePage(UINT code_page);

// True when the byte starts a character of more than one byte in the code page.
bool IsLeadByte(unsigned int byte, UINT code_page);

// Bytes taken by the character that starts at `p` (1 for the terminator).
// A lead byte whose sequence is cut short or malformed counts as a character
// of its own, so a walk through bad text neither stalls nor runs past the
// terminator.
size_t CharLength(const unsigned char* p, UINT code_page);

// Start of the character before `current`, never before `start`; nullptr when
// `current` is at or before `start`.
const unsigned char* PreviousChar(const unsigned char* start, const unsigned char* current,
                                  UINT code_page);

// The character at `p` as one number: its bytes read big-endian ("\x82\xA0"
// gives 0x82A0, UTF-8 "é" gives 0xC3A9), the value the _mbs functions take.
unsigned int CharValue(const unsigned char* p, size_t length);

}  // namespace win32
