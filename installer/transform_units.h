// Which transforms a file named as a transform stands for, and whether they
// fit a package: the one place the tools decide that. A transform file
// (.mst) stands for itself. A patch (.msp) stands for its pairs, one per
// target product: sub-storage NAME, then its companion #NAME, applied in that
// order as one unit; a pair applies only where its validation terms (in the
// transform's own summary information: product code, language, platform,
// version comparison, upgrade code) fit the package as it stands, and it is
// applied with the error conditions its summary suppresses, as an installer
// applying the patch does. A transform file is applied as the installer's
// own call applies it: unchecked, with the caller's conditions.
#pragma once

#include <string>
#include <vector>

#include "msi_database.h"
#include "msi_patch.h"

namespace installer {

// A patch none of whose pairs fits the package: every tool refuses it with
// this text (the file as named), the cause saying what each pair expects.
inline constexpr const char* kNoFitFormat = "No transform of %s fits the package.";
// A patch that cannot be read (the cause names the fault).
inline constexpr const char* kUnreadableFormat = "Cannot read %s.";

// One unit a tool applies: a transform file, or one pair of a patch.
struct TransformUnit {
    std::string file;  // the file named
    std::string name;  // the pair's NAME; the file's own name for a transform file
    std::vector<std::string>
        storages;  // in apply order; one "" (the whole file) for a transform file
    bool from_patch = false;
    msi::TransformTerms terms;  // what the unit's first transform says of its base package
};

// What a file named as a transform stands for.
struct TransformFile {
    std::string path;
    bool is_patch = false;
    msi::PatchSummary patch;  // a patch's summary (empty for a transform file)
    std::vector<TransformUnit> units;
};

// Reads `path`. False, with `failure` naming the file (and the pair, where
// one is at fault) and the cause, when it is a damaged patch, a pair lacks
// its companion, or a pair's summary cannot be read. A transform file is not
// opened here: applying it says what is wrong with it.
bool ReadTransformFile(const std::string& path, TransformFile& file, std::string& failure);

// The validation terms of `unit` that `database`, as it is now, does not
// meet; empty when it fits (always, for a transform file). False, with
// `failure`, when the unit's transform cannot be read.
bool CheckFit(CMsiDatabase& database, const TransformUnit& unit,
              std::vector<msi::TransformMisfit>& misfits, std::string& failure);

// "expects product version = 1.0.1, the package has 1.0.0.0; expects ..."
std::string DescribeMisfits(const std::vector<msi::TransformMisfit>& misfits);

// Applies the unit's transforms in order with `error_conditions` (plus the
// pair's own, for a patch). Returns the installer's result of the first one
// that fails, with `failure` naming the file, the pair and the cause.
UINT ApplyUnit(CMsiDatabase& database, const TransformUnit& unit, int error_conditions,
               std::string& failure);

// One of the unit's transforms (an entry of `storages`) alone, as ApplyUnit
// applies it: a listing in view mode steps through them one at a time.
UINT ApplyUnitPart(CMsiDatabase& database, const TransformUnit& unit, const std::string& storage,
                   int error_conditions, std::string& failure);

// "gdr1.msp, transform rtm.2" for a pair, "t.mst" for a transform file.
std::string DescribeUnit(const TransformUnit& unit);

}  // namespace installer
