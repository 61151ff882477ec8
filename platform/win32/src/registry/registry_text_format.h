// The text form of the registry store.
//
//   VSB-REGISTRY 1
//   key<TAB>HKEY_CURRENT_USER\Software\Vendor[<TAB>read-only]
//   value<TAB>NAME<TAB>TYPE<TAB>DATA
//
// - The first line names the format and its version; a file without it is
//   not a store of ours.
// - Blank lines and lines that start with '#' are ignored.
// - A "key" line names a key by its full path: a root's Windows name, then the
//   sub-key names, joined by backslashes. Keys above it exist implicitly. The
//   optional flag "read-only" marks a key that denies write access.
// - A "value" line belongs to the key of the nearest "key" line above it.
//   NAME is empty for the default value; TYPE is the REG_* number in decimal.
//   DATA of the string types (REG_SZ, REG_EXPAND_SZ, REG_LINK, REG_MULTI_SZ)
//   is the bytes as text, zero bytes included (as %00); of every other type it
//   is two lower-case hex digits per byte.
// - Names and string data escape '%', control bytes (tab and line breaks
//   among them) and DEL as %XX, so every record stays on one line and every
//   byte survives.
// Lines end in "\n"; a "\r" before it is tolerated.
#pragma once

#include <string>
#include <string_view>

#include "registry_tree.h"

namespace win32 {

std::string EncodeRegistryText(const RegistryTree& tree);

// Fills `tree` (which should be empty) from the text. Returns false, with the
// 1-based number of the first bad line in `bad_line`, when the text is not a
// well-formed store; `tree` is then incomplete and must not be used.
bool DecodeRegistryText(std::string_view text, RegistryTree& tree, size_t& bad_line);

}  // namespace win32
