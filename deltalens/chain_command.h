// Lists what several transforms, or a patch, would do to a package: each
// transform file stands for itself, a patch for the pairs of it that fit the
// package (installer/transform_units.h decides which). The units are applied
// in order in one transacted, never committed, copy of the package in
// memory; each unit's changes are read in view mode against the package as
// the units before it left it, so a second transform's "Current" is what the
// first one made. Every change is handed over with the name of its unit.
//
// Invariants of one run:
//   1. Neither the package nor any transform is changed on disk, and nothing
//      is written anywhere.
//   2. Every file is read before the package is opened; a unit's fit is
//      checked when its turn comes, since it depends on the units before it.
//      A run that fails hands over no change: they are kept until every unit
//      applied.
//   3. No installer handle is open when the run returns.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "apply_command.h"
#include "change_columns.h"
#include "outcome.h"
#include "transform_units.h"

namespace deltalens {

struct ChainSettings {
    std::string package;
    std::vector<std::string> transforms;  // transform files and patches, in apply order
    std::string only_unit;     // a pair's NAME (or a transform file's name): that one alone
    int error_conditions = 0;  // suppressed in every unit (a patch's pairs add their own)
};

// Receives each change with the name of the unit that makes it.
using TakeUnitChange = std::function<void(const std::string& unit, const ChangeRow& change)>;

// The texts a run can tell besides those of apply_command.h; all stops.
inline constexpr const char* kNoFitFormat = installer::kNoFitFormat;
inline constexpr const char* kNoSuchUnitFormat = "No transform %s in %s.";
inline constexpr const char* kUnreadableFormat = installer::kUnreadableFormat;

// Whether a listing of these transforms names each change's unit: more than
// one file, a patch, or one unit picked by name. A single transform file is
// listed as ApplyTransformView lists it.
bool ListsUnits(const ChainSettings& settings);

ApplyOutcome ListTransformChain(const ChainSettings& settings, const TakeUnitChange& take_change,
                                diag::OutcomeSink& sink);

// The same in the five columns of the dialog's list: when more than one unit
// made changes, each change's unit goes into its Table column as
// "NAME: Table"; with one, the rows are that unit's as they are.
ApplyOutcome ListTransformChainInColumns(const ChainSettings& settings,
                                         const TakeChange& take_change, diag::OutcomeSink& sink);

}  // namespace deltalens
