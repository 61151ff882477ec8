// The Save Applied command, for the command line: writes PACKAGE with
// transforms applied in order, as the installer would apply them, to a new
// package file.
//
// Invariants of one run:
//   1. Neither the package nor a transform is changed: the package is copied
//      to a temporary file beside the output, and only that copy is opened
//      for writing.
//   2. The output is checked before any work and again just before the
//      rename (output_file.h): never an input itself, replaced only with
//      `replace` and only when a regular file, in a folder the user may
//      write to. It appears only whole; a failure or a stop leaves it as it
//      was and no temporary file behind.
//   3. Each transform applies to the package as the ones before it left it,
//      suppressing the errors its own summary information names (the low
//      word of its Character Count), as the installer applies it. A patch
//      (.msp) stands for its transform pairs (installer/transform_units.h):
//      those whose validation fits the package as it stands then are
//      applied, each pair NAME then #NAME; a patch none of whose pairs fits
//      stops the run, saying what each expected. A transform that cannot be
//      applied, or a damaged patch, stops the run, naming it; nothing is
//      written then.
//   4. The package's summary information is kept except its Template, which
//      becomes what the last transform file that names one gives as the
//      package's platform and languages after it (its Last Saved By); a
//      patch's pairs leave it as it is.
//   5. No installer handle is open when the run returns.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "outcome.h"

namespace deltalens {

struct SaveAppliedSettings {
    std::string package;
    std::vector<std::string> transforms;  // transform files and patches, applied in this order
    std::string output;
    bool replace = false;  // an existing output file may be replaced
    // Asked just before the output is put in place: true stops the run there.
    std::function<bool()> stop_requested;
};

enum class SaveAppliedOutcome {
    kWritten,  // the output file is in place
    kFailed,   // told; nothing written
    kStopped,  // stop_requested said so before the rename; nothing written
};

SaveAppliedOutcome SaveAppliedPackage(const SaveAppliedSettings& settings, diag::OutcomeSink& sink);

inline constexpr const char* kOutputExistsFormat = "The output package %s exists already!";
inline constexpr const char* kOutputIsInputFormat = "The output package %s is %s itself!";
inline constexpr const char* kOutputNotFileFormat =
    "The output package %s is %s, not a regular file!";
inline constexpr const char* kCantWriteOutputFormat = "Can't write the output package %s!";
inline constexpr const char* kCantApplyFormat = "Can't apply the transform %s to %s!";
inline constexpr const char* kCantReadTransformFormat = "Can't read the transform %s!";
// %s: the patch, the package; the cause names what each pair expected.
inline constexpr const char* kNoPairFitsFormat = "No transform of %s fits %s!";

}  // namespace deltalens
