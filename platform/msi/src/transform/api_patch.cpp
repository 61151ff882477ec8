// The engine's calls for patches and transforms inside other files
// (engine/msi_patch.h): statuses become result codes here.
#include <string>

#include "api/api_objects.h"
#include "api/last_failure.h"
#include "msi_patch.h"
#include "transform/patch_contents.h"
#include "transform/patch_writer.h"
#include "transform/transform_apply.h"
#include "transform/transform_conditions.h"

using msi::Status;

namespace {

std::string StorageName(LPCSTR storage) {
    return storage ? storage : "";
}

// A transform that cannot be opened at all is an open failure; one that
// opens but is no transform, or is damaged, a transform failure.
UINT TransformResult(const Status& s) {
    if (s.ok()) return ERROR_SUCCESS;
    msi::api::NoteLastFailure(s);
    if (s.kind() == Status::Kind::kNotFound || s.kind() == Status::Kind::kIo)
        return ERROR_OPEN_FAILED;
    return ERROR_INSTALL_TRANSFORM_FAILURE;
}

msi::Result<msi::transform::TransformConditions> Conditions(LPCSTR file, LPCSTR storage) {
    auto source = msi::transform::TransformSource::OpenStorage(file, StorageName(storage));
    if (!source.ok()) return source.status();
    return msi::transform::ReadConditions(*source);
}

}  // namespace

namespace msi {

bool IsPatchFile(LPCSTR path) {
    return path && transform::IsPatch(path);
}

UINT ReadPatchSummary(LPCSTR path, PatchSummary* patch) {
    api::ClearLastFailure();
    if (!path || !patch) return ERROR_INVALID_PARAMETER;
    auto contents = transform::ReadPatchContents(path);
    if (!contents.ok()) {
        api::NoteLastFailure(contents.status());
        const auto kind = contents.status().kind();
        return kind == Status::Kind::kNotFound || kind == Status::Kind::kIo
                   ? ERROR_OPEN_FAILED
                   : ERROR_PATCH_PACKAGE_INVALID;
    }
    patch->target_product_codes = std::move(contents->target_product_codes);
    patch->patch_code = std::move(contents->patch_code);
    patch->pairs = std::move(contents->pairs);
    return ERROR_SUCCESS;
}

UINT ReadTransformTerms(LPCSTR file, LPCSTR storage, TransformTerms* terms) {
    api::ClearLastFailure();
    if (!file || !terms) return ERROR_INVALID_PARAMETER;
    auto conditions = Conditions(file, storage);
    if (!conditions.ok()) return TransformResult(conditions.status());
    terms->base_product_code = conditions->base_product_code;
    terms->base_version = conditions->base_version;
    terms->new_product_code = conditions->new_product_code;
    terms->new_version = conditions->new_version;
    terms->upgrade_code = conditions->upgrade_code;
    terms->base_template = conditions->base_platform;
    if (!conditions->base_languages.empty() || !conditions->base_platform.empty()) {
        terms->base_template += ";";
        for (size_t i = 0; i < conditions->base_languages.size(); ++i)
            terms->base_template += (i ? "," : "") + conditions->base_languages[i];
    }
    terms->validation = conditions->validation;
    terms->error_conditions = conditions->error_conditions;
    return ERROR_SUCCESS;
}

UINT CheckTransformFit(MSIHANDLE database, LPCSTR file, LPCSTR storage,
                       std::vector<TransformMisfit>* misfits) {
    api::ClearLastFailure();
    auto db = api::GetDatabase(database);
    if (!db) return ERROR_INVALID_HANDLE;
    if (!file || !misfits) return ERROR_INVALID_PARAMETER;
    auto conditions = Conditions(file, storage);
    if (!conditions.ok()) return TransformResult(conditions.status());
    misfits->clear();
    for (auto& one : transform::CheckConditions(*db, *conditions))
        misfits->push_back({std::move(one.what), std::move(one.expected), std::move(one.actual)});
    return ERROR_SUCCESS;
}

UINT DatabaseApplyTransformFrom(MSIHANDLE database, LPCSTR file, LPCSTR storage,
                                int error_conditions) {
    api::ClearLastFailure();
    auto db = api::GetDatabase(database);
    if (!db) return ERROR_INVALID_HANDLE;
    if (!file) return ERROR_INVALID_PARAMETER;
    auto source = transform::TransformSource::OpenStorage(file, StorageName(storage));
    if (!source.ok()) return TransformResult(source.status());
    return TransformResult(transform::ApplySource(*db, *source, error_conditions));
}

UINT WritePatchFile(LPCSTR path, LPCSTR database_file,
                    const std::vector<std::pair<std::string, std::string>>& transforms) {
    api::ClearLastFailure();
    if (!path || !database_file) return ERROR_INVALID_PARAMETER;
    Status s = transform::WritePatch(path, database_file, transforms);
    if (s.ok()) return ERROR_SUCCESS;
    api::NoteLastFailure(s);
    return s.kind() == Status::Kind::kIo ? ERROR_CREATE_FAILED : ERROR_OPEN_FAILED;
}

}  // namespace msi
