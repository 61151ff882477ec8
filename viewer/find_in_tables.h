// Find in all tables: every cell of every readable table that matches a text
// or a number, as a whole cell or as part of one, with letter case as chosen.
#pragma once

#include <string>
#include <vector>

#include "package_view.h"

namespace viewer {

struct FindOptions {
    std::string text;
    bool whole_cell = false;
    bool match_case = false;
};

struct FindHit {
    std::size_t table;  // in PackageView::Tables()
    std::size_t row;    // in the table's TableRows (key order)
    std::size_t column;
};

// Whether one cell matches. A text that is a number matches an integer cell
// of that value as a whole cell ("7" finds 7 but not 17) and as part of its
// decimal text otherwise; case folds ASCII letters only, as everywhere here.
bool CellMatches(std::string_view cell, bool integer_column, const FindOptions& options);

// Every hit, table by table in list order, rows in key order, columns left
// to right. Reads each table it has not read yet.
std::vector<FindHit> FindInTables(PackageView& package, const FindOptions& options);

}  // namespace viewer
