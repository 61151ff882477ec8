// Matching a file name against a Windows wildcard pattern.
#pragma once

#include <string_view>

namespace win32 {

// True when `name` matches `pattern`: '*' stands for any run of characters,
// '?' for one character, and letters match without regard to ASCII case, as
// names do on Windows. "*.*" matches every name, dotted or not, and a
// pattern ending in "." also matches the name without an extension, the
// way Windows directory search has always read them.
bool MatchesWildcard(std::string_view pattern, std::string_view name);

// True when the text holds '*' or '?'.
bool HasWildcard(std::string_view text);

}  // namespace win32
