// Makes a patch (.msp) file: a database file's own streams (its tables, its
// summary information, which says what a patch's says: see patch_contents.h)
// under the patch CLSID, with transform files carried as sub-storages. The
// tools only read patches; tests make the patches they need with this.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "common/status.h"

namespace msi::transform {

// `transforms`: sub-storage name, transform file. Written beside `path` and
// renamed into place. kNotFound/kUnsupported when an input is missing or no
// compound file, kInvalidArgument for a name no storage can take.
Status WritePatch(const std::string& path, const std::string& database_file,
                  const std::vector<std::pair<std::string, std::string>>& transforms);

}  // namespace msi::transform
