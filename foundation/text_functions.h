// Small text helpers that go by whole characters of the process code page:
// searching for a character and cutting pieces out of a text.
//
// "Character" arguments are the value of one character: a single byte, or for
// a multibyte character its bytes read as one big-endian number (0x815C for
// the Shift-JIS character whose bytes are 81 5C). Positions are byte offsets
// into the text, std::string::npos meaning "none".
//
// Every search steps from character to character, never byte by byte: in a
// double-byte code page the second byte of a character may have the value of
// a backslash, colon or dot, and must never be taken for one.
#pragma once

#include <cstddef>
#include <string>

// Offset of the first character equal to `ch`, or npos.
std::size_t VSB_FindChar(const std::string& text, unsigned int ch);
// Offset of the last character equal to `ch`, or npos.
std::size_t VSB_FindLastChar(const std::string& text, unsigned int ch);

// The text before its first carriage return; with none, before its first line
// feed; with neither, the whole text.
std::string VSB_FirstLine(const std::string& text);
// The text before the first occurrence of `ch`; the whole text when it does not occur.
std::string VSB_LeftOfChar(const std::string& text, unsigned int ch);
// The text before byte offset `position`; the whole text when the offset lies beyond it.
std::string VSB_LeftOf(const std::string& text, std::size_t position);

// Removes the last character (a multibyte character as a whole) of `text` in
// place and returns a copy of the result. An empty text stays empty.
std::string VSB_DropLastChar(std::string& text);
// Removes every character equal to `ch` from `text` in place, keeping all other
// characters whole, and returns a copy of the result.
std::string VSB_RemoveChar(std::string& text, unsigned int ch);
