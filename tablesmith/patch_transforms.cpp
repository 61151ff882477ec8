#include "patch_transforms.h"

#include "transform_units.h"

namespace tablesmith {

bool IsPatch(const std::string& path) {
    installer::TransformFile file;
    std::string failure;
    // Only a patch can fail to read here: a transform file is not opened.
    return !installer::ReadTransformFile(path, file, failure) || file.is_patch;
}

bool ListPatchTransforms(const std::string& path, std::vector<std::vector<std::string>>& rows,
                         std::string& failure) {
    installer::TransformFile file;
    if (!installer::ReadTransformFile(path, file, failure)) return false;
    rows.clear();
    for (const installer::TransformUnit& unit : file.units)
        rows.push_back({unit.name, unit.terms.base_product_code, unit.terms.base_version,
                        unit.terms.upgrade_code});
    return true;
}

}  // namespace tablesmith
