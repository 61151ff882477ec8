// Rows with named columns as a command-line program prints them, in one of
// four formats chosen with --format:
//
//   table  the column names, a rule, then one line per row; columns padded
//          to their widest cell (in characters, not bytes); no line ends in
//          padding
//   tsv    the column names, then one line per row, cells cut by TAB
//   csv    the same as comma-separated values (RFC 4180): lines end in CR LF,
//          a cell holding a comma or a double quote is quoted, its quotes
//          doubled
//   json   one array with an object per row, keyed by the column names;
//          an empty cell is null; "[]" when there are no rows
//
// Cells and names are escaped as text_escape.h says (EscapeCell in table, tsv
// and csv, JsonString in json), so every row stays on one line, tsv and csv
// read back exactly, and no control character reaches the terminal.
//
// tsv, csv and json rows are written as they come; table holds them until
// Finish, which needs every cell's width.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

enum class OutputFormat { kTable, kTsv, kCsv, kJson };

// The format when --format is not given.
inline constexpr OutputFormat kDefaultOutputFormat = OutputFormat::kTable;

// The format's name on the command line ("table", "tsv", "csv", "json").
std::string_view OutputFormatName(OutputFormat format);
// Every format, in the order the usage texts list them.
const std::vector<OutputFormat>& AllOutputFormats();
// The format of that name, or none.
std::optional<OutputFormat> ParseOutputFormat(std::string_view name);

class RowWriter {
  public:
    RowWriter(OutputFormat format, std::vector<std::string> columns, std::ostream& out);
    RowWriter(const RowWriter&) = delete;
    RowWriter& operator=(const RowWriter&) = delete;

    // One row, with a cell per column.
    void Add(const std::vector<std::string>& cells);
    // Ends the output (the table itself, the closing bracket). Once only.
    void Finish();

  private:
    void WriteLine(const std::string& line);

    OutputFormat format_;
    std::vector<std::string> columns_;
    std::ostream& out_;
    std::vector<std::vector<std::string>> table_rows_;  // escaped, for kTable
    std::vector<std::string> json_keys_;
    bool first_row_ = true;
    std::string line_;  // the row being written
};

}  // namespace cli
