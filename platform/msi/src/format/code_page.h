// Database code pages: which values a string pool may carry, and conversion of
// its bytes to and from the process code page (UTF-8 unless a test selects a
// double-byte one), through win32::ConvertCodePage.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/status.h"

namespace msi::format {

// 0 = neutral: the pool declares no code page, and its bytes are in the ANSI
// code page of whoever wrote them (code page 0 is CP_ACP in the installer's
// own conversions). Strings cross our interface in UTF-8, so neutral bytes
// must be decoded somehow:
//  - Bytes that are not UTF-8 are Windows-1252: the neutral packages met in
//    practice are made on Western Windows or by msitools' wixl (fixture
//    generated/wixl-hello.msi stores "Crème" as "Cr\xE8me" under code page
//    0), and both peers (msiinfo, and the oracle with its ANSI code page
//    1252) read such bytes that way. The decoding is total (the bytes 1252
//    leaves undefined are C1 controls), so no neutral string fails to read.
//  - Bytes that are UTF-8 pass through: that is the process code page, in
//    which this engine used to write neutral text.
// Writing follows from reading: text is stored as Windows-1252 when the
// code page has every character and the bytes cannot be taken for UTF-8,
// so the peers show what was written; otherwise (a character 1252 lacks, or
// rare text such as "Ã©" whose 1252 bytes are valid UTF-8) it is stored as
// UTF-8, which reads back unchanged here. The peers show such text as 1252
// (Windows would have stored '?'); a database that holds it should have a
// code page. The rules apply while the process code page is UTF-8; a test
// that selects another passes neutral bytes through.
inline constexpr uint32_t kNeutralCodePage = 0;

// True for the code pages a database may be set to: 0 (neutral), the Windows
// ANSI and OEM code pages (874, 932, 936, 949, 950, 1250-1258, 437, 850, ...),
// the ISO 8859 family, KOI8, and UTF-7/UTF-8 (65000, 65001).
bool IsValidDatabaseCodePage(uint32_t code_page);

// Database bytes -> process text. Code page 0 (see above) never fails.
Result<std::string> DatabaseToProcess(std::string_view bytes, uint32_t code_page);
// True when DatabaseToProcess would hand the bytes back unchanged, told
// without converting them; false also where only converting can tell.
bool ReadsAsItself(std::string_view bytes, uint32_t code_page);
// Process text -> database bytes; code page 0 as above.
Result<std::string> ProcessToDatabase(std::string_view text, uint32_t code_page);
// True when ProcessToDatabase would hand the text back unchanged, told
// without converting it; false also where only converting can tell.
bool WritesAsItself(std::string_view text, uint32_t code_page);

}  // namespace msi::format
