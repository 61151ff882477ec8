// Run-time class records: what a framework object knows about its own class
// (name, size, schema, how to make one, which class it derives from), and the
// process-wide registry that finds a record by its class name.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

class CObject;

// Set in a class's schema number when it can load objects stored under older
// schemas; the class then asks CArchive::GetObjectSchema which one it got.
inline constexpr uint32_t VERSIONABLE_SCHEMA = 0x80000000u;
// The schema of classes that are not serialisable (DECLARE_DYNAMIC/DYNCREATE).
inline constexpr uint32_t kNoSchema = 0xFFFFu;

// An aggregate so that every record is constant-initialised: records exist
// before any static constructor runs, which lets IMPLEMENT_* macros in any
// translation unit point at each other's records safely.
struct CRuntimeClass {
    const char* m_lpszClassName;
    int m_nObjectSize;
    uint32_t m_wSchema;
    CObject* (*m_pfnCreateObject)();
    const CRuntimeClass* m_pBaseClass;

    // A new object of this class, or nullptr when the class cannot be created
    // dynamically. The caller owns the object.
    CObject* CreateObject() const;
    bool IsDerivedFrom(const CRuntimeClass* base_class) const;
    // True when objects of this class can go through CArchive::WriteObject.
    bool IsSerializable() const { return m_wSchema != kNoSchema && m_pfnCreateObject != nullptr; }

    // The registered record with exactly this class name, or nullptr.
    static const CRuntimeClass* FromName(std::string_view class_name);
    // A new object of the named class, or nullptr when the name is unknown or
    // the class has no creation function. The caller owns the object.
    static CObject* CreateObject(std::string_view class_name);
};

namespace fw {

// Adds a record to the registry; the IMPLEMENT_* macros make one of these per
// class. The first record registered under a name wins, so a class name stays
// bound to one class for the life of the process.
class ClassRegistration {
  public:
    explicit ClassRegistration(const CRuntimeClass* record);
};

// Every registered record, in no particular order (for diagnostics and tests).
std::vector<const CRuntimeClass*> RegisteredClasses();

}  // namespace fw
