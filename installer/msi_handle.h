// CMsiHandle: the common base of every object that owns one installer handle
// (database, view, record, product). The object is the handle's only owner:
// it closes the handle when the handle is replaced, closed or destroyed, so
// no handle is ever closed twice or left open.
#pragma once

#include "msi.h"
#include "s_object.h"

class CMsiHandle : public CSObject {
  public:
    CMsiHandle() = default;
    // Releases the handle. Derived destructors run their own clean-up first;
    // by the time this runs only the base's Close and Reset are left.
    ~CMsiHandle() override;
    CMsiHandle(const CMsiHandle&) = delete;
    CMsiHandle& operator=(const CMsiHandle&) = delete;

    // Closes the handle. The handle is forgotten even when the installer
    // refuses to close it: keeping it would only invite a second close later.
    // True when there was nothing to close or the close succeeded.
    virtual bool Close();
    // Forgets the object's state: flags word and handle to 0.
    virtual void Reset();

    // Close, then Reset (both virtual).
    void Release();
    // Releases the current handle and takes ownership of `handle`.
    void Attach(MSIHANDLE handle);
    // Releases the current handle and returns where the installer should
    // write a new one. Every call that produces a handle for this object goes
    // through here, so the previous handle is always closed first.
    MSIHANDLE* GetHandleSlot();

    MSIHANDLE GetHandle() const { return m_hHandle; }

  protected:
    MSIHANDLE m_hHandle = 0;
};
