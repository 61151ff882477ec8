// Files the viewer writes for the user, never the package itself: a binary
// cell's bytes ("Save Data As...") and a table ("Export Table As...") in
// CSV, TSV or JSON through the command lines' row writer, or IDT through the
// engine's export. Each file is written under a temporary name in the
// chosen folder and renamed into place, so a failure leaves no half file.
#pragma once

#include <optional>
#include <string>

#include "package_view.h"

namespace viewer {

enum class ExportFormat { kCsv, kTsv, kJson, kIdt };

// The format a file name's extension asks for (.csv, .tsv/.txt, .json,
// .idt/.tbl); none for another.
std::optional<ExportFormat> ExportFormatOfPath(const std::string& path);

// Writes `bytes` to `path` through a temporary name beside it.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* failure);

// Writes every row of the table, in key order. False with the reason in
// `failure` when it cannot.
bool ExportTable(PackageView& package, std::size_t table, ExportFormat format,
                 const std::string& path, std::string* failure);

}  // namespace viewer
