// Handle-level calls of the interface: closing handles, counting them, and the
// last-error record.
#include "api/handle_table.h"
#include "api/last_error_record.h"
#include "msi_engine.h"
#include "msiquery.h"

namespace msi {
size_t OpenHandleCount() {
    return api::HandleTable::Instance().OpenCount();
}
}  // namespace msi

using msi::api::HandleTable;

extern "C" UINT MsiCloseHandle(MSIHANDLE hAny) {
    if (hAny == 0) return ERROR_SUCCESS;
    return HandleTable::Instance().Close(hAny) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

extern "C" UINT MsiCloseAllHandles(void) {
    return static_cast<UINT>(HandleTable::Instance().CloseAll());
}

extern "C" MSIHANDLE MsiGetLastErrorRecord(void) {
    return msi::api::TakeLastErrorRecord();
}
