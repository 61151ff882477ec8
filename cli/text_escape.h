// Text taken from a package (table names, keys, values, stream names) on its
// way to a terminal or a file. A package can hold any byte; printed raw, ESC,
// BEL, BS or a C1 control could move the cursor, erase lines or retitle the
// terminal, so no control character is ever written as it is.
//
// EscapeCell, for the cells of table and tsv output (every cell stays on one
// line and reads back exactly):
//   TAB  LF  CR  backslash      ->  \t  \n  \r  \\  (the backslash doubled)
//   any other C0 control, DEL   ->  \xHH  (the byte, two lower-case hex digits)
//   a C1 control (U+0080-U+009F, written in UTF-8)  ->  \u0080 ... \u009f
//   a byte that is not part of a UTF-8 character    ->  \xHH
//   everything else, other UTF-8 characters included, as it is.
//
// EscapeMessage, for the lines of a message: the same, except that line
// feeds, tabs and backslashes stay as they are (a message is read, not
// parsed back, and its own lines and "C:\..." paths must look as told).
//
// JsonString, for json output: a JSON string literal, with every C0 control,
// DEL and C1 control as \uXXXX (\n, \r, \t and the quote and backslash in
// their short forms) and a byte that is not UTF-8 as U+FFFD, so the document
// is always valid.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace cli {

std::string EscapeCell(std::string_view text);
// The same, appended to `out` (a row is built without a string per cell).
void AppendEscapedCell(std::string& out, std::string_view text);
// Undoes EscapeCell, for programs that read tsv back; false when the text
// holds an escape EscapeCell never writes.
bool UnescapeCell(std::string_view text, std::string& cell);
std::string EscapeMessage(std::string_view text);
std::string JsonString(std::string_view text);

// The characters `text` takes on a terminal, counted as UTF-8 characters
// (every byte that does not continue a sequence starts one), so that escaped
// cells line up.
std::size_t DisplayWidth(std::string_view text);

}  // namespace cli
