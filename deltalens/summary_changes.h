// diff's view of summary information: the properties (1 to 19) whose values
// differ between two files, as change rows of the pseudo-table
// `_SummaryInformation`: Column the property's name, Row empty, Data NEW's
// value, Current OLD's (empty where a side lacks it). Numbers are decimal,
// times "YYYY/MM/DD hh:mm:ss" in UTC, as an IDT export writes them.
#pragma once

#include <string>
#include <vector>

#include "change_columns.h"

namespace deltalens {

inline constexpr const char* kSummaryTable = "_SummaryInformation";

// The rows in property order; none when the two agree. A file whose summary
// cannot be read counts as one without properties.
std::vector<ChangeRow> SummaryChanges(const std::string& old_file, const std::string& new_file);

}  // namespace deltalens
