// UTF-8 <-> UTF-16 for stream and storage names. The compound file stores
// names as UTF-16 code units while the engine's text is UTF-8 (the process code
// page, architecture decision 4), so these conversions are exact and need no
// code-page tables.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "common/status.h"

namespace msi::format {

// Reads one code point from `text` at `pos` and advances `pos`. Returns false
// (leaving `pos` alone) for a malformed, overlong or surrogate sequence: such a
// name cannot be written as UTF-16, so callers refuse it instead of guessing.
bool NextUtf8CodePoint(std::string_view text, size_t& pos, char32_t& code_point);

void AppendUtf8(char32_t code_point, std::string& out);
// One unit below 0x10000, a surrogate pair above.
void AppendUtf16(char32_t code_point, std::u16string& out);

Result<std::u16string> Utf8ToUtf16(std::string_view text);
// Refuses unpaired surrogates: they have no UTF-8 form.
Result<std::string> Utf16ToUtf8(std::u16string_view units);

}  // namespace msi::format
