// CMsiScopedHandle: holds one raw installer handle that no wrapper class
// covers (a summary-information handle) and closes it when destroyed.
#pragma once

#include "msi.h"

class CMsiScopedHandle {
  public:
    explicit CMsiScopedHandle(MSIHANDLE handle = 0) : m_hHandle(handle) {}
    ~CMsiScopedHandle();
    CMsiScopedHandle(const CMsiScopedHandle&) = delete;
    CMsiScopedHandle& operator=(const CMsiScopedHandle&) = delete;

    MSIHANDLE Get() const { return m_hHandle; }
    // Where an installer call writes the handle. A handle held already is
    // closed first, so that reusing the holder cannot leak it.
    MSIHANDLE* GetHandleSlot();

  private:
    MSIHANDLE m_hHandle;
};
