// The cabinets a package carries inside itself, as its Media table names
// them. A Cabinet value that begins with "#" names a stream of the package
// (the rest of the value is the stream's name); any other value names a
// cabinet file beside the package. The stream's name need not end in ".cab":
// merge-module tools name theirs after the module ("_1234_x.msm"), and such
// a cabinet is as internal as any other.
#pragma once

#include <set>
#include <string>

#include "msi_database.h"

namespace tablesmith {

// The Cabinet value names a stream of the package: "#" and at least one
// character more.
bool NamesInternalCabinet(const std::string& cabinet_value);

// The stream names of every internal cabinet that the Media table of the
// open database names. Empty when the database has no Media table (the view
// layer traces the failed query).
std::set<std::string> InternalCabinetStreams(CMsiDatabase& database);

}  // namespace tablesmith
