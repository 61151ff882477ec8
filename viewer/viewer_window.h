// How the dialog programs open the package viewer. No Qt in this header: the
// dialogs' code names only the request and these calls.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "outcome.h"
#include "row_marks.h"

namespace viewer {

struct ViewRequest {
    std::string package;
    // Transforms to mark, in the order they apply; empty for none.
    std::vector<std::string> transforms;
    // The table shown first ("": the first in the list) and, within it, the
    // row of these key cells (empty: the first row).
    std::string table;
    std::vector<std::string> row_key;
    // Needed when `transforms` is not empty.
    MarksMaker make_marks;
    // Extracts the package's files into a folder the user picks, telling its
    // news (and showing its progress) as it goes. The viewer sits below the
    // tools' commands, so the program that has one passes it in; File >
    // Extract Files... is offered only when it is set.
    std::function<void(const std::string& package, diag::OutcomeSink& sink)> extract_files = {};
};

// Opens a viewer window beside the caller's windows; it lives until the user
// closes it. False, with no window, when the package does not open: the cause
// goes to `sink` as a stop (viewer::BoxOutcomes shows the dialogs' box).
bool ShowViewer(const ViewRequest& request, diag::OutcomeSink& sink);

// The viewer as the program's only window (`tablesmith --view`): runs until
// it is closed. Exit status 0, or 1 when the package does not open.
int RunViewer(const ViewRequest& request, diag::OutcomeSink& sink);

}  // namespace viewer
