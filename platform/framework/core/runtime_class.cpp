#include "core/runtime_class.h"

#include <map>
#include <mutex>
#include <string>

namespace fw {
namespace {

// Registrations run from static constructors in arbitrary order, so the
// registry is created on first use rather than being a plain global.
struct Registry {
    std::mutex mutex;
    std::map<std::string, const CRuntimeClass*, std::less<>> by_name;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

}  // namespace

ClassRegistration::ClassRegistration(const CRuntimeClass* record) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    registry.by_name.emplace(record->m_lpszClassName, record);
}

std::vector<const CRuntimeClass*> RegisteredClasses() {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    std::vector<const CRuntimeClass*> records;
    for (const auto& [name, record] : registry.by_name) records.push_back(record);
    return records;
}

}  // namespace fw

CObject* CRuntimeClass::CreateObject() const {
    if (m_pfnCreateObject == nullptr) return nullptr;
    return m_pfnCreateObject();
}

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base_class) const {
    for (const CRuntimeClass* record = this; record != nullptr; record = record->m_pBaseClass) {
        if (record == base_class) return true;
    }
    return false;
}

const CRuntimeClass* CRuntimeClass::FromName(std::string_view class_name) {
    fw::Registry& registry = fw::TheRegistry();
    std::lock_guard lock(registry.mutex);
    auto found = registry.by_name.find(class_name);
    return found == registry.by_name.end() ? nullptr : found->second;
}

CObject* CRuntimeClass::CreateObject(std::string_view class_name) {
    const CRuntimeClass* record = FromName(class_name);
    return record == nullptr ? nullptr : record->CreateObject();
}
