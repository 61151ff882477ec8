#include "msi_handle.h"

CMsiHandle::~CMsiHandle() {
    Release();
}

bool CMsiHandle::Close() {
    if (m_hHandle == 0) return true;
    const UINT result = MsiCloseHandle(m_hHandle);
    m_hHandle = 0;
    return result == ERROR_SUCCESS;
}

void CMsiHandle::Reset() {
    m_dwFlags = 0;
    m_hHandle = 0;
}

void CMsiHandle::Release() {
    Close();
    Reset();
}

void CMsiHandle::Attach(MSIHANDLE handle) {
    Release();
    m_hHandle = handle;
}

MSIHANDLE* CMsiHandle::GetHandleSlot() {
    Release();
    return &m_hHandle;
}
