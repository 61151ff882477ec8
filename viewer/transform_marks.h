// The grid's RowMarks over ChangeMarks: what Deltalens lists for one or more
// transforms, shown on the package as the transforms leave it. Inserted rows
// and changed values are in the database (the transforms are applied to the
// viewer's handle in memory, never committed); deleted rows and the rows of
// dropped tables are given back as extra rows, struck through.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "change_marks.h"
#include "row_marks.h"

namespace viewer {

// The MarksMaker the dialogs hand to the viewer. `database` must be open in
// a mode that may change (transacted); failures are told as Deltalens'
// Apply tells them.
std::unique_ptr<RowMarks> MakeTransformMarks(MSIHANDLE database,
                                             const std::vector<std::string>& transforms,
                                             diag::OutcomeSink& sink);

}  // namespace viewer
