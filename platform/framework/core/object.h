// CObject, the root of every framework and library class, and the macros that
// give a class its run-time class record.
//
//   class CThing : public CObject {
//       DECLARE_SERIAL(CThing)
//   public:
//       void Serialize(CArchive& ar) override;
//   };
//   IMPLEMENT_SERIAL(CThing, CObject, 1)     // in the .cpp, inside CThing's namespace
//
// DECLARE_DYNAMIC: the class has a record (IsKindOf, class name).
// DECLARE_DYNCREATE: in addition, CRuntimeClass::CreateObject can make one
//   (the class needs a default constructor).
// DECLARE_SERIAL: in addition, the record carries a schema number, so objects
//   of the class can be stored and loaded through CArchive::WriteObject/ReadObject.
// Registration by name happens when the translation unit holding the IMPLEMENT_*
// macro is linked in; a class whose object file the linker drops from a static
// library cannot be created by name.
#pragma once

#include <iosfwd>

#include "core/runtime_class.h"

// Only named here: the archive's exceptions derive from CObject, so including
// the archive would make the object module depend on itself. Files that store
// or load values include "core/archive.h" themselves.
class CArchive;

// Where Dump writes its description of an object.
using CDumpContext = std::ostream;

class CObject {
  public:
    static const CRuntimeClass classCObject;

    virtual const CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() = default;
    // The base class stores and loads nothing.
    virtual void Serialize(CArchive& ar);
    // Checks the object's invariants; the base has none.
    virtual void AssertValid() const;
    // Writes a one-line description ("a CThing at 0x...") for debugging.
    virtual void Dump(CDumpContext& dc) const;

    bool IsKindOf(const CRuntimeClass* run_time_class) const;
    bool IsSerializable() const;

  protected:
    CObject() = default;
    // Copying is left to derived classes that want it; CObject itself cannot be
    // copied from outside, which keeps a derived object from being sliced.
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};

namespace fw {

// CArchive::ReadObject for DECLARE_SERIAL's typed `ar >> pointer`, which cannot
// call the member itself while CArchive is only named here.
CObject* ReadArchivedObject(CArchive& ar, const CRuntimeClass* required);

}  // namespace fw

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)                        \
  public:                                                  \
    static const CRuntimeClass class##class_name;          \
    const CRuntimeClass* GetRuntimeClass() const override; \
                                                           \
  private:

#define DECLARE_DYNCREATE(class_name) \
    DECLARE_DYNAMIC(class_name)       \
  public:                             \
    static CObject* CreateObject();   \
                                      \
  private:

// Reading through `ar >> pointer` checks that the stored object is a class_name
// (CArchiveException::badClass otherwise); the caller owns the object read.
#define DECLARE_SERIAL(class_name)                                                             \
    DECLARE_DYNCREATE(class_name)                                                              \
  public:                                                                                      \
    [[maybe_unused]] friend CArchive& operator>>(CArchive& ar, class_name*& object) {          \
        object =                                                                               \
            static_cast<class_name*>(::fw::ReadArchivedObject(ar, RUNTIME_CLASS(class_name))); \
        return ar;                                                                             \
    }                                                                                          \
                                                                                               \
  private:

#define VSB_IMPLEMENT_RUNTIMECLASS_(class_name, base_class_name, schema, create)            \
    constinit const CRuntimeClass class_name::class##class_name = {                         \
        #class_name, static_cast<int>(sizeof(class_name)), (schema), (create),              \
        RUNTIME_CLASS(base_class_name)};                                                    \
    const CRuntimeClass* class_name::GetRuntimeClass() const {                              \
        return RUNTIME_CLASS(class_name);                                                   \
    }                                                                                       \
    namespace {                                                                             \
    const ::fw::ClassRegistration vsb_registration_##class_name(RUNTIME_CLASS(class_name)); \
    }

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
    VSB_IMPLEMENT_RUNTIMECLASS_(class_name, base_class_name, kNoSchema, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name) \
    CObject* class_name::CreateObject() {                \
        return new class_name;                           \
    }                                                    \
    VSB_IMPLEMENT_RUNTIMECLASS_(class_name, base_class_name, kNoSchema, &class_name::CreateObject)

#define IMPLEMENT_SERIAL(class_name, base_class_name, schema) \
    CObject* class_name::CreateObject() {                     \
        return new class_name;                                \
    }                                                         \
    VSB_IMPLEMENT_RUNTIMECLASS_(class_name, base_class_name, schema, &class_name::CreateObject)
