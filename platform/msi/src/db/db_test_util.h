// Helpers for the database tests: rows from texts, tables as text, and the
// output of Debian's msiinfo for comparison.
#pragma once

#include "test_support.h"

#include <string>
#include <vector>

#include "db/database.h"

namespace msi::db::test {

// A row for `table` from one text per column: "" is null, integer columns
// take decimal text, binary columns "1" or "".
RowPtr MakeRow(Database& db, const TableSchema& schema, const std::vector<std::string>& texts);
// The table's rows as lines of tab-separated texts (nulls empty, binary
// cells as the stream name), the way a text archive writes them.
std::vector<std::string> RenderRows(Database& db, const Table& table);
// Runs msiinfo with `arguments` in a scratch folder of its own.
testing_support::RunResult Msiinfo(const std::vector<std::string>& arguments);

}  // namespace msi::db::test
