// The texts the commands tell are fixed literals with "%s" and "%d" fields.
// The fields take names from packages (tables, streams), paths and codes,
// which are inserted as they are and never read as formats themselves: a
// "%s" inside a table name stays "%s".
#pragma once

#include <initializer_list>
#include <string>

namespace diag {

// `format` with each "%s" or "%d" replaced, in order, by the next field. A
// field marker without a field left stays as written; nothing else of
// `format` is read as a format ("100% sure" stays).
std::string FillMessage(const char* format, std::initializer_list<std::string> fields);

}  // namespace diag
