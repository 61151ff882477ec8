// The three header lines of a text archive (.idt) file:
//
//   LINE  FIELDS (TAB-separated)
//   1     column names
//   2     column types in the archive notation (s72, S255, l0, L0, i2, I4, v0, V0)
//   3     [code page,] table name, primary-key column names
//
// The code page comes first on line 3 only when the file holds non-ASCII
// text; it names the code page of every byte of the file. Two pseudo tables
// use the same three lines differently: `_ForceCodepage` has two empty lines
// and "<code page> TAB _ForceCodepage"; `_SummaryInformation` has the
// ordinary form with the columns PropertyId and Value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/status.h"
#include "idt/text_source.h"

namespace msi::idt {

inline constexpr const char* kForceCodepageTable = "_ForceCodepage";
inline constexpr const char* kSummaryTable = "_SummaryInformation";

struct ArchiveHeader {
    std::vector<std::string> column_names;
    std::vector<std::string> column_types;  // as written, parsed by the importer
    std::string table;
    std::vector<std::string> keys;
    // The code page of line 3 (for _ForceCodepage: the code page to set).
    std::optional<uint32_t> code_page;
};

// Splits a line at TABs; an empty line is one empty field.
std::vector<std::string_view> SplitFields(std::string_view line);
// A code page as line 3 writes it: 1 to 5 decimal digits.
std::optional<uint32_t> ParseCodePage(std::string_view text);

// Reads the three header lines and checks their shape: as many types as
// names, a table name, key columns that name columns. Errors read
// `file:line: message`.
Result<ArchiveHeader> ReadArchiveHeader(TextSource& source);

}  // namespace msi::idt
