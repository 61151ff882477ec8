// The table list of the browse step: the names in a package's _Tables table,
// sorted as the dialog's sorted table list shows them.
#pragma once

#include <string>
#include <vector>

namespace tablesmith {

// The package's table names, sorted without regard to ASCII letter case
// (ties in byte order, so the order never depends on how rows were stored).
// Empty when the package does not open; the database layer traces why.
// `opened`, when given, tells whether the package opened at all, and
// `failure`, when given, why not in the engine's words.
std::vector<std::string> ListPackageTables(const std::string& msi_file, bool* opened = nullptr,
                                           std::string* failure = nullptr);

// The list order on its own, for lists built elsewhere.
void SortTableNames(std::vector<std::string>& names);

}  // namespace tablesmith
