#include "msi_scoped_handle.h"

CMsiScopedHandle::~CMsiScopedHandle() {
    if (m_hHandle != 0) MsiCloseHandle(m_hHandle);
}

MSIHANDLE* CMsiScopedHandle::GetHandleSlot() {
    if (m_hHandle != 0) MsiCloseHandle(m_hHandle);
    m_hHandle = 0;
    return &m_hHandle;
}
