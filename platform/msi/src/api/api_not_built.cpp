// NOT YET BUILT: text-archive export/import and transforms. These calls are
// declared so that callers compile and link; until the archive and transform
// modules land they refuse with ERROR_CALL_NOT_IMPLEMENTED after the usual
// handle check, so a caller sees a clear "not implemented" rather than a
// silent success.
#include "api/handle_table.h"
#include "msiquery.h"

using msi::api::HandleKind;

namespace {

bool IsDatabase(MSIHANDLE handle) {
    return msi::api::HandleObject<void>(handle, HandleKind::kDatabase) != nullptr;
}

}  // namespace

extern "C" UINT MsiDatabaseExportA(MSIHANDLE hDatabase, LPCSTR, LPCSTR, LPCSTR) {
    if (!IsDatabase(hDatabase)) return ERROR_INVALID_HANDLE;
    return ERROR_CALL_NOT_IMPLEMENTED;
}

extern "C" UINT MsiDatabaseImportA(MSIHANDLE hDatabase, LPCSTR, LPCSTR) {
    if (!IsDatabase(hDatabase)) return ERROR_INVALID_HANDLE;
    return ERROR_CALL_NOT_IMPLEMENTED;
}

extern "C" UINT MsiDatabaseApplyTransformA(MSIHANDLE hDatabase, LPCSTR, int) {
    if (!IsDatabase(hDatabase)) return ERROR_INVALID_HANDLE;
    return ERROR_CALL_NOT_IMPLEMENTED;
}

extern "C" UINT MsiDatabaseGenerateTransformA(MSIHANDLE hDatabase, MSIHANDLE hDatabaseReference,
                                              LPCSTR, int, int) {
    if (!IsDatabase(hDatabase) || !IsDatabase(hDatabaseReference)) return ERROR_INVALID_HANDLE;
    return ERROR_CALL_NOT_IMPLEMENTED;
}

extern "C" UINT MsiCreateTransformSummaryInfoA(MSIHANDLE hDatabase, MSIHANDLE hDatabaseReference,
                                               LPCSTR, int, int) {
    if (!IsDatabase(hDatabase) || !IsDatabase(hDatabaseReference)) return ERROR_INVALID_HANDLE;
    return ERROR_CALL_NOT_IMPLEMENTED;
}
