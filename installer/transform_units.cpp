#include "transform_units.h"

#include "msi_engine.h"

namespace installer {

namespace {

std::string FileName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string WithCause(const std::string& what, const std::string& cause) {
    return cause.empty() ? what : what + ": " + cause;
}

}  // namespace

std::string DescribeUnit(const TransformUnit& unit) {
    if (!unit.from_patch) return unit.file;
    return unit.file + ", transform " + unit.name;
}

bool ReadTransformFile(const std::string& path, TransformFile& file, std::string& failure) {
    file = TransformFile{};
    file.path = path;
    if (!msi::IsPatchFile(path.c_str())) {
        TransformUnit unit;
        unit.file = path;
        unit.name = FileName(path);
        unit.storages = {""};
        file.units.push_back(std::move(unit));
        return true;
    }
    file.is_patch = true;
    if (msi::ReadPatchSummary(path.c_str(), &file.patch) != ERROR_SUCCESS) {
        failure = WithCause(path + ": damaged patch", msi::LastFailureText());
        return false;
    }
    for (const std::string& name : file.patch.pairs) {
        TransformUnit unit;
        unit.file = path;
        unit.name = name;
        unit.storages = {name, "#" + name};
        unit.from_patch = true;
        if (msi::ReadTransformTerms(path.c_str(), name.c_str(), &unit.terms) != ERROR_SUCCESS) {
            failure = WithCause(DescribeUnit(unit), msi::LastFailureText());
            return false;
        }
        file.units.push_back(std::move(unit));
    }
    return true;
}

bool CheckFit(CMsiDatabase& database, const TransformUnit& unit,
              std::vector<msi::TransformMisfit>& misfits, std::string& failure) {
    misfits.clear();
    if (!unit.from_patch) return true;
    // The companion is made against what NAME leaves, so NAME's terms decide.
    if (database.CheckTransformFit(unit.file, unit.storages.front(), misfits) != ERROR_SUCCESS) {
        failure = WithCause(DescribeUnit(unit), database.GetFailureText());
        return false;
    }
    return true;
}

std::string DescribeMisfits(const std::vector<msi::TransformMisfit>& misfits) {
    std::string text;
    for (const auto& misfit : misfits) {
        if (!text.empty()) text += "; ";
        text += "expects " + misfit.what + " " + misfit.expected + ", the package has " +
                (misfit.actual.empty() ? "none" : misfit.actual);
    }
    return text;
}

UINT ApplyUnitPart(CMsiDatabase& database, const TransformUnit& unit, const std::string& storage,
                   int error_conditions, std::string& failure) {
    const int conditions = error_conditions | (unit.from_patch ? unit.terms.error_conditions : 0);
    const UINT result = database.ApplyTransformFrom(unit.file, storage, conditions);
    if (result != ERROR_SUCCESS) {
        std::string where = DescribeUnit(unit);
        if (unit.from_patch && storage != unit.storages.front()) where += " (" + storage + ")";
        failure = WithCause(where, database.GetFailureText());
    }
    return result;
}

UINT ApplyUnit(CMsiDatabase& database, const TransformUnit& unit, int error_conditions,
               std::string& failure) {
    for (const std::string& storage : unit.storages) {
        const UINT result = ApplyUnitPart(database, unit, storage, error_conditions, failure);
        if (result != ERROR_SUCCESS) return result;
    }
    return ERROR_SUCCESS;
}

}  // namespace installer
