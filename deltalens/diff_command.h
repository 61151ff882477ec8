// The viewer's Diff command, for the command line: lists what turns package
// OLD into package NEW. It makes the transform the installer would generate
// from OLD to NEW, in a private folder of its own under the temporary folder,
// and lists it with the Apply command, so the rows are exactly those the
// viewer shows for that transform applied to OLD.
//
// Invariants of one run:
//   1. Neither package is changed on disk (both are opened read-only, and
//      Apply opens OLD in place without a commit).
//   2. No file is left behind: the private folder and the transform in it
//      are removed before the run returns, whatever happened.
//   3. Rows are handed over only by a run that listed, as with Apply.
//   4. No installer handle is open when the run returns.
//   5. Both files must be packages: a transform or a patch is refused.
//   6. A binary cell (a Binary row's data, a stream of _Streams) shows the
//      size and short hash of its bytes on each side (stream_digest.h), not
//      the stream's name.
//   7. What the options leave out (a table, a table's column) is neither
//      listed nor counted as a difference; summary information is compared
//      only when asked for, after the tables, as rows of the pseudo-table
//      _SummaryInformation (summary_changes.h), which can be left out too.
#pragma once

#include <string>
#include <vector>

#include "apply_command.h"

class CMsiDatabase;

namespace deltalens {

struct DiffResult {
    enum class Outcome {
        kListed,      // every change was handed over (none when the packages are the same)
        kOpenFailed,  // a package could not be opened (told)
        kFailed,      // no transform could be made or applied (told)
    };
    Outcome outcome = Outcome::kFailed;
    // The engine found a difference. It can be one the list has no row for:
    // a transform that only moves the string pool's code page lists nothing.
    bool differs = false;
};

struct DiffOptions {
    // "Table" leaves out the table's rows, "Table.Column" that column's.
    std::vector<std::string> ignore;
    bool summary = false;  // compare summary information too
};

// Opens a package read-only; a file that is no package (a transform, a
// patch, anything else) is refused. Told with kCantOpenPackageFormat and
// the cause.
bool OpenPackage(CMsiDatabase& database, const std::string& path, diag::OutcomeSink& sink);

// Hands each change from `old_package` to `new_package` to `take_change`;
// tells failures to `sink`.
DiffResult DiffPackages(const std::string& old_package, const std::string& new_package,
                        const TakeChange& take_change, diag::OutcomeSink& sink,
                        const DiffOptions& options = {});

// The messages of a run (besides Apply's, which it may tell as well).
inline constexpr const char* kCantOpenPackageFormat = "Can't open package %s!";
inline constexpr const char* kCantCompareFormat = "Can't compare %s with %s!";
inline constexpr const char* kNoScratchFolder = "Can't make a temporary folder for the transform!";

}  // namespace deltalens
