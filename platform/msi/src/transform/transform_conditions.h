// What a transform says, in its own summary information, about the package it
// was made against, and whether a database meets it. MsiDatabaseApplyTransform
// itself checks none of this; an installer applying a patch (or a transform
// named at install time) does, before it applies anything, and a tool that
// lists what a patch would do to a package has to decide the same way which
// of its transforms apply at all. The layout of the summary properties is in
// transform_summary.h.
#pragma once

#include <string>
#include <vector>

#include "common/status.h"
#include "db/database.h"
#include "format/property_set.h"
#include "transform/transform_source.h"

namespace msi::transform {

// The validation flags (high word of the Character Count property).
enum Validation : int {
    kValidateLanguage = 0x0001,
    kValidateProduct = 0x0002,
    kValidatePlatform = 0x0004,
    kValidateMajorVersion = 0x0008,
    kValidateMinorVersion = 0x0010,
    kValidateUpdateVersion = 0x0020,
    kValidateNewLessBase = 0x0040,
    kValidateNewLessEqualBase = 0x0080,
    kValidateNewEqualBase = 0x0100,
    kValidateNewGreaterEqualBase = 0x0200,
    kValidateNewGreaterBase = 0x0400,
    kValidateUpgradeCode = 0x0800,
};

struct TransformConditions {
    std::string base_platform;                // Template before ';'
    std::vector<std::string> base_languages;  // Template after ';', split at ','
    std::string base_product_code;
    std::string base_version;
    std::string new_product_code;
    std::string new_version;
    std::string upgrade_code;
    int validation = 0;        // Validation bits
    int error_conditions = 0;  // the Condition bits to suppress when applying
};

// Reads the conditions from a summary property set (a transform without one
// has none: everything fits).
TransformConditions ParseConditions(const format::SummaryPropertySet& summary);
// The same from the transform's own summary stream; kCorrupt when the stream
// is there but cannot be decoded.
Result<TransformConditions> ReadConditions(const TransformSource& source);

// One condition a database does not meet.
struct Mismatch {
    std::string what;      // "product code", "language", "product version", ...
    std::string expected;  // as the transform says it ("= 1.0.0", "{GUID}")
    std::string actual;    // what the database has ("" when it has nothing)
};

// Every validated condition that `db` as it is now does not meet; empty when
// the transform fits.
std::vector<Mismatch> CheckConditions(db::Database& db, const TransformConditions& conditions);

}  // namespace msi::transform
