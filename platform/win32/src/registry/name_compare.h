// How INI sections and keys and registry key and value names are compared:
// without regard to case, by whole characters of the process code page.
#pragma once

#include <string_view>

namespace win32 {

// True when the names are equal but for the case of ASCII letters; a trail
// byte of a double-byte character is never folded.
bool SameName(std::string_view a, std::string_view b);

// Orders names without regard to case (negative, 0, positive), the order in
// which the registry lists sub-keys.
int CompareNames(std::string_view a, std::string_view b);

}  // namespace win32
