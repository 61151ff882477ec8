// Rules for the names of storages and streams: what a valid name is and the
// order in which siblings are kept in their red-black tree.
#pragma once

#include <string>
#include <string_view>

#include "common/status.h"

namespace msi::storage {

// A name is 1 to 31 UTF-16 code units, without NUL and without the characters
// '/', '\\', ':' and '!'. Any other code unit is allowed: the installer's
// stream names use packed code units 0x3800-0x4840 that are not text.
Status CheckEntryName(std::u16string_view name);

// Sibling order: a shorter name sorts first; names of equal length compare
// code unit by code unit after simple (one-to-one) upper-casing. Returns <0,
// 0 or >0. Two names comparing equal may not be siblings.
int CompareEntryNames(std::u16string_view a, std::u16string_view b);

// The simple upper-case mapping of one UTF-16 code unit (surrogates and units
// without a mapping come back unchanged).
char16_t SimpleUpperCase(char16_t unit);

// The name for an error message: printable ASCII as is, every other code unit
// as \uXXXX (packed stream names are not text).
std::string NameForMessage(std::u16string_view name);

}  // namespace msi::storage
