// The summary information of a transform (MsiCreateTransformSummaryInfo):
// written into an existing transform file, from the two databases it was
// generated from.
//
//   PID 7  Template        the reference database's Template (base platform;language)
//   PID 8  Last Saved By   the changed database's Template (what the base becomes)
//   PID 9  Revision Number {base ProductCode}baseVersion;{new ProductCode}newVersion;{UpgradeCode}
//   PID 14 Page Count      the larger Page Count of the two
//   PID 16 Character Count validation flags << 16 | error conditions
// plus the changed database's code page (PID 1) and Title (PID 2).
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/status.h"
#include "db/database.h"
#include "format/property_set.h"

namespace msi::transform {

// Fails with kInvalidArgument when ProductCode or ProductVersion (or, when
// validating it, UpgradeCode) is missing from a database's Property table,
// kNotFound when the file is not there, kUnsupported when it is not a
// transform, kIo when it cannot be rewritten.
Status WriteTransformSummary(db::Database& changed, db::Database& reference,
                             const std::string& path, int error_conditions, int validation);

// The database's own summary information; an empty set when it has none or
// when it cannot be read.
format::SummaryPropertySet ReadSummary(db::Database& db);

// The value of a property in the database's Property table, "" when absent.
std::string PropertyValue(db::Database& db, const std::string& name);
// The values of several, in one pass over the table. A Property table not
// loaded yet is read for the pass and not kept, and its key is matched by
// text, so that a large package does not build its pool's index for a few
// names.
std::vector<std::string> PropertyValues(db::Database& db, std::span<const std::string_view> names);

}  // namespace msi::transform
