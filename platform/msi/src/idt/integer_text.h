// Integers in archive cells: optional '-', decimal digits, nothing else.
// The range is what the column's stored width can hold: the most negative
// value of each width is the stored form of null, so it is refused.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/status.h"

namespace msi::idt {

// width 2: -32767..32767; width 4: -2147483647..2147483647.
Result<int32_t> ParseInteger(std::string_view text, unsigned width);

}  // namespace msi::idt
