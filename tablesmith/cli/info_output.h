// tablesmith-cli info's output: the facts of a package or a transform
// (file_facts.h) as rows of Section, Name and Value in the row writer's
// table, tsv and csv, or as one JSON object whose keys the README lists.
#pragma once

#include <iosfwd>
#include <string>

#include "file_facts.h"
#include "row_writer.h"

namespace tablesmith::cli {

void WriteFileFacts(const FileFacts& facts, const std::string& path, ::cli::OutputFormat format,
                    std::ostream& out);

}  // namespace tablesmith::cli
