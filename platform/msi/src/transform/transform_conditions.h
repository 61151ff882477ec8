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
#include "msiquery.h"
#include "transform/transform_source.h"

namespace msi::transform {

// The validation flags (high word of the Character Count property), by the
// names the engine's code uses; their values are the interface's.
enum Validation : int {
    kValidateLanguage = MSITRANSFORM_VALIDATE_LANGUAGE,
    kValidateProduct = MSITRANSFORM_VALIDATE_PRODUCT,
    kValidatePlatform = MSITRANSFORM_VALIDATE_PLATFORM,
    kValidateMajorVersion = MSITRANSFORM_VALIDATE_MAJORVERSION,
    kValidateMinorVersion = MSITRANSFORM_VALIDATE_MINORVERSION,
    kValidateUpdateVersion = MSITRANSFORM_VALIDATE_UPDATEVERSION,
    kValidateNewLessBase = MSITRANSFORM_VALIDATE_NEWLESSBASEVERSION,
    kValidateNewLessEqualBase = MSITRANSFORM_VALIDATE_NEWLESSEQUALBASEVERSION,
    kValidateNewEqualBase = MSITRANSFORM_VALIDATE_NEWEQUALBASEVERSION,
    kValidateNewGreaterEqualBase = MSITRANSFORM_VALIDATE_NEWGREATEREQUALBASEVERSION,
    kValidateNewGreaterBase = MSITRANSFORM_VALIDATE_NEWGREATERBASEVERSION,
    kValidateUpgradeCode = MSITRANSFORM_VALIDATE_UPGRADECODE,
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
