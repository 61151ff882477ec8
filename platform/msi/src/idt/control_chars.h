// Control characters inside values of a text archive. A value may hold any
// byte, but TAB separates fields and CR/LF end rows, so six control
// characters are written as other control characters that never occur in
// installer data:
//
//   IN VALUE   WRITTEN AS
//   NUL 0x00   0x15
//   BS  0x08   0x1B
//   TAB 0x09   0x10
//   LF  0x0A   0x19
//   FF  0x0C   0x18
//   CR  0x0D   0x11
//
// The installer's documentation lists the six replacement codes in decimal
// (21, 27, 16, 25, 24, 17). Both directions use the full table, so every
// value survives export and import; other tools translate fewer characters
// (Wine only CR LF and LF), which is why a bare 0x10 in their files would
// import here as a TAB.
#pragma once

#include <string>
#include <string_view>

namespace msi::idt {

// Appends `value` to `out` with the six characters replaced.
void AppendEscaped(std::string_view value, std::string& out);
// The reverse: the six replacement codes become the characters they stand
// for, and a raw NUL (which no export writes) becomes a line feed.
std::string Unescape(std::string_view field);

}  // namespace msi::idt
