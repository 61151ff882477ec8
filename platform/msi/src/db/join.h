// The rows a SELECT finds: every combination of one row from each table of
// its FROM list for which the WHERE condition holds, in the installer's
// order, which is the plain product's: the first table turns fastest.
//
// Trying every combination makes a two-table join quadratic. Instead the
// comparisons `A.x = B.y` that the whole condition requires (ANDed at its
// top) link the tables, and linked tables are paired through a hash of one
// side's column, so such a join takes time in proportion to its rows and its
// results. Tables that no such comparison links still multiply. Every
// combination found is checked against the whole condition, so the links
// only decide which combinations are tried, never which are kept, and the
// results are then put in the product's order.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "common/status.h"
#include "db/database.h"
#include "db/table.h"
#include "sql/condition.h"

namespace msi::db {

// More combinations than this are refused (kUnsupported) rather than run
// for hours or held in gigabytes: a product of tables that nothing links,
// or linked rows that pair into this many.
inline constexpr uint64_t kMaxJoinRows = 50'000'000;

// `columns[i]` is the (table, column) of the condition's column i. The
// result holds one row index (into the table's rows()) per table for each
// combination found, the combinations one after another.
Result<std::vector<uint32_t>> FindJoinedRows(const Database& db,
                                             std::span<const std::shared_ptr<Table>> tables,
                                             std::span<const std::pair<size_t, size_t>> columns,
                                             const sql::BoundCondition* where,
                                             std::span<const sql::FieldValue> params);

}  // namespace msi::db
