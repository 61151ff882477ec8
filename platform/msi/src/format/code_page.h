// Database code pages: which values a string pool may carry, and conversion of
// its bytes to and from the process code page (UTF-8 unless a test selects a
// double-byte one), through win32::ConvertCodePage.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/status.h"

namespace msi::format {

// 0 = neutral: the pool holds bytes of no declared code page.
inline constexpr uint32_t kNeutralCodePage = 0;

// True for the code pages a database may be set to: 0 (neutral), the Windows
// ANSI and OEM code pages (874, 932, 936, 949, 950, 1250-1258, 437, 850, ...),
// the ISO 8859 family, KOI8, and UTF-7/UTF-8 (65000, 65001).
bool IsValidDatabaseCodePage(uint32_t code_page);

// Database bytes -> process text. Code page 0 passes the bytes through
// unchanged: packages whose neutral pool holds 8-bit text stay lossless.
Result<std::string> DatabaseToProcess(std::string_view bytes, uint32_t code_page);
// Process text -> database bytes; code page 0 again passes through.
Result<std::string> ProcessToDatabase(std::string_view text, uint32_t code_page);

}  // namespace msi::format
