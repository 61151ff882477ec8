// Applies a checked transform plan to its database (the apply half of
// MsiDatabaseApplyTransform; the view half is transform_view.h).
#pragma once

#include "common/status.h"
#include "db/database.h"
#include "transform/transform_plan.h"

namespace msi::transform {

// Makes every change of the plan and of its row records. The plan was made
// against this database from `source`, its records were all planned once
// without a failure, and nothing changed the database since.
Status ApplyPlan(db::Database& db, const TransformSource& source, TransformPlan& plan);

// Opens, plans and applies (or views, with kViewTransform) in one step.
// Failures: kNotFound/kIo when the transform cannot be opened; anything else
// means the transform does not fit. Either way the database is as it was.
Status ApplyTransform(db::Database& db, const std::string& source_name, int conditions);
// The same for a transform opened already (one held inside a patch, say).
Status ApplySource(db::Database& db, const TransformSource& source, int conditions);

}  // namespace msi::transform
