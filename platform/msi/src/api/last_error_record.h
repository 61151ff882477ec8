// The per-thread "last error record" of the interface: failing calls that have
// more to say than their result code leave a record (field 1 the error number,
// further fields its details); MsiGetLastErrorRecord hands it out once.
#pragma once

#include <string>
#include <vector>

#include "msi.h"

namespace msi::api {

void SetLastErrorRecord(int error, const std::vector<std::string>& details);
void ClearLastErrorRecord();
// A new record handle for the pending error, or 0; the error is then cleared.
MSIHANDLE TakeLastErrorRecord();

}  // namespace msi::api
