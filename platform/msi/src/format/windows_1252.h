// Windows-1252 as Windows itself maps it, for the text of neutral databases
// (code page 0; see code_page.h for why neutral bytes are read this way).
//
// The map is total on bytes: 0x00-0x7F are ASCII, 0xA0-0xFF are U+00A0-U+00FF,
// and 0x80-0x9F are the 27 typographic characters of the code page plus the
// five bytes it leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D), which Windows
// maps to the C1 controls of the same value. iconv refuses those five, so
// a package holding them could not be read through iconv; here every byte
// string decodes, and encoding the result gives the same bytes back.
#pragma once

#include <string>
#include <string_view>

#include "common/status.h"

namespace msi::format {

// Bytes -> UTF-8. Never fails.
std::string Windows1252ToUtf8(std::string_view bytes);

// UTF-8 -> bytes. Fails (kUnsupported) for a character the code page lacks
// and for malformed UTF-8; the message names the first offending position.
Result<std::string> Utf8ToWindows1252(std::string_view text);

}  // namespace msi::format
