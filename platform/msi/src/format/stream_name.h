// Stream names as the compound file stores them.
//
// The installer packs names into UTF-16 code units so that table names fit the
// container's 31-unit limit. Alphabet (64 characters, index in parentheses):
//   '0'-'9' (0-9), 'A'-'Z' (10-35), 'a'-'z' (36-61), '.' (62), '_' (63)
//
//   UNIT RANGE       MEANING
//   0x3800..0x47FF   two alphabet characters: 0x3800 + (idx(second) << 6) + idx(first)
//   0x4800..0x483F   one alphabet character not followed by another: 0x4800 + idx
//   0x4840           first unit only: the stream holds a table
//   anything else    the character itself (UTF-16, surrogate pairs above U+FFFF)
//
// Names that begin with U+0005 (\005SummaryInformation, \005DigitalSignature, ...)
// are stored uncompressed. Sub-storage names are never compressed; use
// Utf8ToUtf16 (unicode.h) for them.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "common/status.h"

namespace msi::format {

// The compound file holds at most 31 code units per name (plus a NUL).
inline constexpr size_t kMaxStreamNameUnits = 31;
inline constexpr char16_t kTableStreamPrefix = 0x4840;

struct DecodedStreamName {
    std::string name;  // UTF-8
    bool is_table = false;
};

// Packs a UTF-8 name. Refuses an empty name, invalid UTF-8, a NUL, a character
// in U+3800..U+4840 (it would read back as packed characters), a table name
// that begins with U+0005, and a result longer than 31 units.
Result<std::u16string> EncodeStreamName(std::string_view name, bool is_table);

// The inverse of EncodeStreamName. Refuses a NUL unit and unpaired surrogates,
// which no writer produces and which have no UTF-8 form.
Result<DecodedStreamName> DecodeStreamName(std::u16string_view units);

// The name of the stream behind a binary cell: the table name, then each
// primary-key value in key order, each preceded by '.' ("Binary.BlobA").
// Encode it with is_table = false.
std::string JoinStreamName(std::string_view table, std::span<const std::string> keys);

}  // namespace msi::format
