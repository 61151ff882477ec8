// The view half of MsiDatabaseApplyTransform (condition 0x100): lists what a
// transform would change in the temporary table _TransformView and changes
// nothing else.
//
//   Table  Column   Row        Data                   Current
//   t      column   keys       new value              value in the database
//   t      INSERT   keys       NULL                   NULL   (+ one row per non-key column)
//   t      DELETE   keys       NULL                   NULL
//   t      column   NULL       type word, decimal     column number
//   t      CREATE   NULL       NULL                   NULL   (+ one row per column)
//   t      DROP     NULL       NULL                   NULL
//
// Keys are joined by TAB, a null key shown as one blank; integers as decimal
// text; binary values by their stream name "Table.key...". The table is kept
// across applies until ALTER TABLE _TransformView FREE.
#pragma once

#include "common/status.h"
#include "db/database.h"
#include "transform/transform_plan.h"

namespace msi::transform {

inline constexpr const char* kTransformViewTable = "_TransformView";

// Plans the transform's row records (PlanRows) and lists them with the plan's
// schema changes. Only when every record is planned does it create
// _TransformView (when missing) and add the rows; a row whose key (Table,
// Column, Row) is there already takes the new Data and Current. A failure
// leaves the database as it was. Memory grows with the rows listed, not with
// the records: records repeating a key leave one row.
Status FillTransformView(db::Database& db, const TransformSource& source, TransformPlan& plan);

}  // namespace msi::transform
