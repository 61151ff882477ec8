// Splits a query into tokens. The lexer knows the dialect's few lexical
// rules (see README.md): whitespace, names, back-quoted names, strings
// without escapes, decimal integers and the punctuation of the grammar.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "common/status.h"
#include "sql/token.h"

namespace msi::sql {

// Longer queries are refused before any work is done.
inline constexpr size_t kMaxQueryLength = 64 * 1024 * 1024;

// Tokenizes the whole query at once; the result always ends with a kEnd
// token whose column is one past the last byte. Fails with
// "col N: <what is wrong>" on the first byte that starts no token.
Result<std::vector<Token>> Tokenize(std::string_view query);

}  // namespace msi::sql
