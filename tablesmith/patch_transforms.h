// What `tables` lists for a patch (.msp) instead of tables: its transform
// pairs and the product each targets, as each pair's own summary
// information names it (installer/transform_units.h reads them).
#pragma once

#include <string>
#include <vector>

namespace tablesmith {

inline constexpr const char* kPatchTransformColumns[] = {"Transform", "ProductCode",
                                                         "ProductVersion", "UpgradeCode"};

// Whether `path` is a patch: a file of another kind gets the table list.
bool IsPatch(const std::string& path);

// One row per pair, in the patch's order: NAME, then the target's product
// code, version and upgrade code. False, with `failure` naming the file and
// the fault, for a damaged patch or a pair without its companion.
bool ListPatchTransforms(const std::string& path, std::vector<std::vector<std::string>>& rows,
                         std::string& failure);

}  // namespace tablesmith
