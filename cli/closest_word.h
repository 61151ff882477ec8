// The suggestion after a mistyped word: "unknown command 'exprot', did you
// mean 'export'?".
#pragma once

#include <string>
#include <vector>

namespace cli {

// The word of `words` that `typed` most likely meant: one it begins, else
// the nearest within two edits (insert, delete, replace one character);
// "" when none is that close.
std::string ClosestWord(const std::string& typed, const std::vector<std::string>& words);

}  // namespace cli
