// What a patch (.msp) holds besides its own tables: the products it targets,
// the patch code, and its transforms. A patch carries its transforms as
// sub-storages, two per target: `NAME`, which changes the product, and its
// companion `#NAME`, which adds the patch's own bookkeeping rows and is
// applied right after it. The summary information lists them:
//
//   PID 7  Template        target product codes, joined by ';'
//   PID 8  Last Saved By   the sub-storages as ":NAME;:#NAME;..."
//   PID 9  Revision Number the patch code (GUIDs, the first is this patch's)
#pragma once

#include <string>
#include <vector>

#include "common/status.h"

namespace msi::transform {

struct PatchContents {
    std::vector<std::string> target_product_codes;
    std::string patch_code;
    // The pairs by NAME, in the order the summary lists them; each has both
    // sub-storages in the file, each with the transform CLSID.
    std::vector<std::string> pairs;
};

// Whether the file at `path` is a compound file with the patch CLSID.
bool IsPatch(const std::string& path);

// Fails with kNotFound when the file is not there, kUnsupported when it is
// no patch, kCorrupt when its container or summary is damaged, when the
// summary names a transform the file lacks, or a NAME without its #NAME
// (or the other way round).
Result<PatchContents> ReadPatchContents(const std::string& path);

}  // namespace msi::transform
