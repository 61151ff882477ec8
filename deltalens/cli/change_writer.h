// Prints the changes of a run for deltalens-cli, in one of the output formats
// of cli/row_writer.h: an aligned table, tab-separated values, or JSON, with
// the five change columns and every cell escaped as cli/text_escape.h says.
//
// In json an empty cell is null. The installer stores an empty text as null
// and hands a null back as an empty text, so an empty cell of a change IS a
// null value of _TransformView; there is no empty text to tell apart from it.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "change_columns.h"
#include "row_writer.h"

namespace deltalens {

// Writes changes one at a time, straight from the command's rows: tsv and
// json print each row as it comes, a table waits for Finish.
class ChangeWriter {
  public:
    ChangeWriter(::cli::OutputFormat format, std::ostream& out);
    // The same with a column before the five: `first_column` names it
    // ("Transform": which transform of several makes each change).
    ChangeWriter(::cli::OutputFormat format, std::ostream& out, const char* first_column);

    void Add(const ChangeRow& change);
    // A change with its first column's cell.
    void Add(const std::string& first, const ChangeRow& change);
    // Ends the output. Once only.
    void Finish() { writer_.Finish(); }
    // How many changes were written.
    size_t count() const { return count_; }

  private:
    ::cli::RowWriter writer_;
    size_t count_ = 0;
    std::vector<std::string> row_;  // the cells of Add with a first column
};

}  // namespace deltalens
