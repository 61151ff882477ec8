// The viewer's Make Transform command, for the command line: writes the
// transform that turns package OLD into package NEW, with its summary
// information, to a file.
//
// Invariants of one run:
//   1. Neither package is changed (both are opened read-only).
//   2. The transform is written under a temporary name beside the target
//      and renamed onto it only when it is whole, summary information
//      included; a failure leaves no temporary file and the target as it was.
//   3. An existing target is replaced only when `replace` is set; without it
//      the run ends before anything is written, and a file that appears at
//      the target meanwhile is not replaced either.
//   4. No installer handle is open when the run returns.
//   5. The target is never OLD or NEW themselves (the same file by device
//      and inode, under any name or link), and `replace` replaces a regular
//      file only: both are checked before any work and again just before
//      the rename.
//   6. A stop asked for before the rename leaves the target as it was.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "outcome.h"

namespace deltalens {

// Validation bits of the transform's summary information (the high word of
// its property 16): what a package must match for the transform to apply.
inline constexpr int kValidateLanguage = 0x0001;
inline constexpr int kValidateProduct = 0x0002;
inline constexpr int kValidateUpgradeCode = 0x0800;

struct MakeTransformSettings {
    std::string old_package;
    std::string new_package;
    std::string transform;  // the file to write
    // Error conditions the transform suppresses when applied (the low word of
    // property 16); none by default, as the installer's tools make them.
    int error_conditions = 0;
    // What the transform validates; none given: DefaultValidation.
    std::optional<int> validation;
    bool replace = false;  // an existing transform file may be replaced
    // Asked just before the transform is put in place: true stops the run
    // there (an interrupt that arrived meanwhile). Empty: never.
    std::function<bool()> stop_requested;
};

enum class MakeTransformOutcome {
    kWritten,  // the transform file is in place
    kSame,     // the packages do not differ: no transform, nothing written
    kFailed,   // told; nothing written
    kStopped,  // stop_requested said so before the rename; nothing written
};

// The validation the installer's tools give a transform when asked for
// none: language and product, and the upgrade code when both packages have
// one (a validation of a code that is missing could never pass, and the
// summary information cannot even be made then).
int DefaultValidation(bool both_have_upgrade_code);

// Tells failures (and a kSame) to `sink`.
MakeTransformOutcome MakeTransformFile(const MakeTransformSettings& settings,
                                       diag::OutcomeSink& sink);

inline constexpr const char* kTransformExistsFormat = "The transform file %s exists already!";
inline constexpr const char* kTransformIsPackageFormat =
    "The transform file %s is the package %s itself!";
// The second field names the kind of file ("a directory", "a FIFO").
inline constexpr const char* kTransformNotFileFormat =
    "The transform file %s is %s, not a regular file!";
inline constexpr const char* kPackagesSameFormat =
    "The packages %s and %s do not differ: no transform was written.";
inline constexpr const char* kCantMakeTransformFormat = "Can't make the transform from %s to %s!";
inline constexpr const char* kCantWriteSummaryFormat =
    "Can't write the summary information of the transform %s!";
inline constexpr const char* kCantWriteTransformFormat = "Can't write the transform file %s!";

}  // namespace deltalens
