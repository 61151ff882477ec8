// The code page of an open database's string pool, for tools that describe
// a package: the interface itself only tells it through an exported
// _ForceCodepage archive.
#include "api/api_objects.h"
#include "msi_engine.h"

namespace msi {

UINT DatabaseCodePage(MSIHANDLE database, UINT* code_page) {
    auto db = api::GetDatabase(database);
    if (!db) return ERROR_INVALID_HANDLE;
    if (code_page == nullptr) return ERROR_INVALID_PARAMETER;
    *code_page = db->pool().code_page();
    return ERROR_SUCCESS;
}

}  // namespace msi
