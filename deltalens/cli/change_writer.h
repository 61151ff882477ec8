// Prints a change list (or any entry list with named columns) for
// deltalens-cli, in one of the output formats of cli/row_writer.h: an aligned
// table, tab-separated values, or JSON, with every cell escaped as
// cli/text_escape.h says.
//
// In json an empty cell is null. The installer stores an empty text as null
// and hands a null back as an empty text, so an empty cell of the change
// list IS a null value of _TransformView; there is no empty text to tell
// apart from it.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "row_writer.h"

class CEntry;
class CEntryList;

namespace deltalens {

// Writes entries one at a time, with the column names of a list (which may
// hold no entries itself): tsv and json print each row as it comes, a table
// waits for Finish. Only valid entries are changes; a list control would not
// show the others either.
class ChangeWriter {
  public:
    ChangeWriter(const CEntryList& names, ::cli::OutputFormat format, std::ostream& out);

    void Add(const CEntry& entry);
    // Ends the output. Once only.
    void Finish() { writer_.Finish(); }
    // How many changes were written.
    size_t count() const { return count_; }

  private:
    ::cli::RowWriter writer_;
    std::vector<std::string> row_;
    size_t count_ = 0;
};

// Writes the valid entries of `list`, in list order, with its column names.
void WriteChanges(const CEntryList& list, ::cli::OutputFormat format, std::ostream& out);

}  // namespace deltalens
