// Parses one query of the installer's SQL dialect into a Statement
// (ast.h). The grammar is in README.md.
//
// Every failure is a syntax error that the engine reports as 1615
// (ERROR_BAD_QUERY_SYNTAX); its message reads "col N: expected X, found Y"
// (or "col N: <what is wrong>"), N being the 1-based byte position of the
// offending token, or one past the end when the query stops too early.
#pragma once

#include <string_view>

#include "common/status.h"
#include "sql/ast.h"

namespace msi::sql {

// How deep parentheses may nest in a WHERE clause. Real queries use two or
// three levels; the bound keeps hostile input from exhausting the stack.
inline constexpr int kMaxConditionNesting = 32;

Result<Statement> Parse(std::string_view query);

}  // namespace msi::sql
