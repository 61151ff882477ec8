// The transform calls of the installer's interface: apply (or view), generate,
// and the transform's summary information. Engine statuses become the
// installer's result codes here and nowhere else.
#include <string>

#include "api/api_objects.h"
#include "api/last_failure.h"
#include "msiquery.h"
#include "transform/transform_apply.h"
#include "transform/transform_generator.h"
#include "transform/transform_summary.h"

using msi::Status;

extern "C" UINT MsiDatabaseApplyTransformA(MSIHANDLE hDatabase, LPCSTR szTransformFile,
                                           int iErrorConditions) {
    msi::api::ClearLastFailure();
    auto db = msi::api::GetDatabase(hDatabase);
    if (!db) return ERROR_INVALID_HANDLE;
    if (!szTransformFile) return ERROR_INVALID_PARAMETER;
    Status s = msi::transform::ApplyTransform(*db, szTransformFile, iErrorConditions);
    if (s.ok()) return ERROR_SUCCESS;
    msi::api::NoteLastFailure(s);
    // A transform that cannot be opened at all is an open failure; one that
    // opens but does not fit (foreign, damaged, conflicting) is a transform
    // failure.
    if (s.kind() == Status::Kind::kNotFound || s.kind() == Status::Kind::kIo)
        return ERROR_OPEN_FAILED;
    return ERROR_INSTALL_TRANSFORM_FAILURE;
}

extern "C" UINT MsiDatabaseGenerateTransformA(MSIHANDLE hDatabase, MSIHANDLE hDatabaseReference,
                                              LPCSTR szTransformFile, int iReserved1,
                                              int iReserved2) {
    msi::api::ClearLastFailure();
    auto changed = msi::api::GetDatabase(hDatabase);
    auto reference = msi::api::GetDatabase(hDatabaseReference);
    if (!changed || !reference) return ERROR_INVALID_HANDLE;
    if (iReserved1 != 0 || iReserved2 != 0) return ERROR_INVALID_PARAMETER;
    auto outcome = msi::transform::GenerateTransform(*changed, *reference,
                                                     szTransformFile ? szTransformFile : "");
    if (!outcome.ok()) {
        msi::api::NoteLastFailure(outcome.status());
        if (outcome.status().kind() == Status::Kind::kIo) return ERROR_CREATE_FAILED;
        return ERROR_INSTALL_TRANSFORM_FAILURE;
    }
    // Identical databases: no transform is made, with or without a file name.
    return outcome->differs ? ERROR_SUCCESS : ERROR_NO_DATA;
}

extern "C" UINT MsiCreateTransformSummaryInfoA(MSIHANDLE hDatabase, MSIHANDLE hDatabaseReference,
                                               LPCSTR szTransformFile, int iErrorConditions,
                                               int iValidation) {
    msi::api::ClearLastFailure();
    auto changed = msi::api::GetDatabase(hDatabase);
    auto reference = msi::api::GetDatabase(hDatabaseReference);
    if (!changed || !reference) return ERROR_INVALID_HANDLE;
    if (!szTransformFile) return ERROR_INVALID_PARAMETER;
    Status s = msi::transform::WriteTransformSummary(*changed, *reference, szTransformFile,
                                                     iErrorConditions, iValidation);
    if (s.ok()) return ERROR_SUCCESS;
    msi::api::NoteLastFailure(s);
    switch (s.kind()) {
        case Status::Kind::kInvalidArgument:
            return ERROR_INSTALL_PACKAGE_INVALID;
        case Status::Kind::kNotFound:
        case Status::Kind::kUnsupported:
        case Status::Kind::kCorrupt:
            return ERROR_OPEN_FAILED;
        default:
            return ERROR_FUNCTION_FAILED;
    }
}
