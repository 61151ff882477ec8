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

#include "row_writer.h"

class CEntryList;

namespace deltalens {

// Writes the valid entries of `list`, in list order, with its column names.
void WriteChanges(const CEntryList& list, ::cli::OutputFormat format, std::ostream& out);

}  // namespace deltalens
