// The viewer's Apply command without its dialog: applies a transform to a
// package in the installer's view mode and hands over every change the
// transform would make, one ChangeRow (Table, Column, Row, Data, Current)
// per row of the installer's _TransformView table. The dialog's OnApply and
// deltalens-cli both call it; what becomes of the rows is theirs to decide.
//
// Invariants of one run:
//   1. The package and the transform are never changed on disk: the package
//      is opened in place in transacted mode and nothing is committed; no
//      working copy is made.
//   2. Rows are handed over only by a run that applied the transform; a run
//      that fails hands over none and tells one stop.
//   3. No installer handle is open when the run returns.
#pragma once

#include <string>

#include "change_columns.h"
#include "outcome.h"
#include "transform_failure.h"

class CMsiDatabase;

namespace deltalens {

// How a run ended. Failures have been told already.
enum class ApplyOutcome {
    kListed,           // every change was handed over; none for a transform that changes nothing
    kOpenFailed,       // the package could not be opened (the open-error message was told)
    kTransformFailed,  // the transform could not be applied (its message was told)
};

// The two messages a run can tell, both stops, and the causes under them:
// the package viewer tells the same, so they live in the installer layer.
using installer::kOpenErrorText;
using installer::kTransformErrorFormat;
using installer::TransformErrorText;
using installer::TransformFailureCause;

// Hands each change `transform_path` makes to `package_path` to
// `take_change` as it is read; tells failures to `sink`.
ApplyOutcome ApplyTransformView(const std::string& package_path, const std::string& transform_path,
                                const TakeChange& take_change, diag::OutcomeSink& sink);
// The same with the installer's error conditions to suppress (MSITRANSFORM_ERROR_*).
ApplyOutcome ApplyTransformView(const std::string& package_path, const std::string& transform_path,
                                int error_conditions, const TakeChange& take_change,
                                diag::OutcomeSink& sink);

// Hands over the rows of `database`'s _TransformView in the installer's
// order (by table, then row); none when there is no such table.
void ListTransformView(CMsiDatabase* database, const TakeChange& take_change);

}  // namespace deltalens
