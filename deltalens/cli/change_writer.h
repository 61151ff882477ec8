// Prints a change list (or any entry list with named columns) as text for
// deltalens-cli: an aligned table, tab-separated values, or JSON.
//
//   table  the column names, a rule, then one line per entry; columns padded
//          to their widest cell (counted in characters, not bytes)
//   tsv    the column names, then one line per entry, cells cut by TAB
//   json   an array with one object per entry, keyed by the column names
//
// In table and tsv a cell's TAB, line feed, carriage return and backslash
// are written as \t, \n, \r and \\, so every entry stays on one line and
// the cells can be split on TAB and read back exactly.
//
// In json an empty cell is null. The installer stores an empty text as null
// and hands a null back as an empty text, so an empty cell of the change
// list IS a null value of _TransformView; there is no empty text to tell
// apart from it.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CEntryList;

namespace deltalens {

enum class OutputFormat { kTable, kTsv, kJson };

// The format's name on the command line ("table", "tsv", "json").
std::string_view OutputFormatName(OutputFormat format);
// Every format, in the order the usage lists them.
const std::vector<OutputFormat>& AllOutputFormats();
// The format of that name, or none.
std::optional<OutputFormat> ParseOutputFormat(std::string_view name);

// Writes the valid entries of `list`, in list order, with its column names.
void WriteChanges(const CEntryList& list, OutputFormat format, std::ostream& out);

// One cell as table and tsv write it (see above).
std::string EscapeCell(std::string_view text);
// One cell as a JSON string with its quotes. Bytes that are not UTF-8 become
// U+FFFD, so the output is always valid JSON.
std::string JsonString(std::string_view text);

}  // namespace deltalens
