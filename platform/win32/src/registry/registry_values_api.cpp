// The registry functions that read, write, delete and list values.
#include <cstring>

#include "registry_handles.h"
#include "registry_store.h"
#include "win32/registry.h"
#include "win32/winerror.h"

namespace {

using win32::OpenKey;
using win32::RegistryHandles;
using win32::RegistryNode;
using win32::RegistryStore;
using win32::RegistryTree;
using win32::RegistryValue;

// A null name and an empty name both mean the key's default value.
std::string ValueName(LPCSTR name) {
    return name ? name : "";
}

// Hands out a value's data: only its size without a buffer; ERROR_MORE_DATA
// with the size needed when the buffer is too small (nothing is written then).
DWORD CopyData(const RegistryValue& value, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
    if (lpType) *lpType = value.type;
    if (lpcbData == nullptr) return ERROR_SUCCESS;
    const DWORD needed = static_cast<DWORD>(value.data.size());
    if (lpData != nullptr) {
        if (needed > *lpcbData) {
            *lpcbData = needed;
            return ERROR_MORE_DATA;
        }
        std::memcpy(lpData, value.data.data(), needed);
    }
    *lpcbData = needed;
    return ERROR_SUCCESS;
}

}  // namespace

extern "C" LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                                 LPBYTE lpData, LPDWORD lpcbData) {
    if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr))
        return ERROR_INVALID_PARAMETER;
    OpenKey key;
    DWORD error = RegistryHandles::Instance().Resolve(hKey, KEY_QUERY_VALUE, key);
    if (error != ERROR_SUCCESS) return static_cast<LONG>(error);
    const std::string name = ValueName(lpValueName);
    error = RegistryStore::Instance().Read([&](const RegistryTree& tree) -> DWORD {
        RegistryNode* node = nullptr;
        if (DWORD e = win32::FindOpenKey(tree, key, node)) return e;
        const RegistryValue* value = node->FindValue(name);
        if (value == nullptr) return ERROR_FILE_NOT_FOUND;
        return CopyData(*value, lpType, lpData, lpcbData);
    });
    return static_cast<LONG>(error);
}

extern "C" LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD /*Reserved*/, DWORD dwType,
                               const BYTE* lpData, DWORD cbData) {
    if (lpData == nullptr && cbData != 0) return ERROR_INVALID_PARAMETER;
    OpenKey key;
    DWORD error = RegistryHandles::Instance().Resolve(hKey, KEY_SET_VALUE, key);
    if (error != ERROR_SUCCESS) return static_cast<LONG>(error);
    const std::string name = ValueName(lpValueName);
    // The bytes are kept exactly as given: a string set without its zero
    // byte reads back without one, as on Windows.
    std::string data(reinterpret_cast<const char*>(lpData), lpData ? cbData : 0);
    error = RegistryStore::Instance().Modify([&](RegistryTree& tree, bool& changed) -> DWORD {
        RegistryNode* node = nullptr;
        if (DWORD e = win32::FindOpenKey(tree, key, node)) return e;
        if (node->read_only()) return ERROR_ACCESS_DENIED;
        changed = node->SetValue(name, dwType, std::move(data));
        return ERROR_SUCCESS;
    });
    return static_cast<LONG>(error);
}

extern "C" LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
    OpenKey key;
    DWORD error = RegistryHandles::Instance().Resolve(hKey, KEY_SET_VALUE, key);
    if (error != ERROR_SUCCESS) return static_cast<LONG>(error);
    const std::string name = ValueName(lpValueName);
    error = RegistryStore::Instance().Modify([&](RegistryTree& tree, bool& changed) -> DWORD {
        RegistryNode* node = nullptr;
        if (DWORD e = win32::FindOpenKey(tree, key, node)) return e;
        if (node->read_only()) return ERROR_ACCESS_DENIED;
        changed = node->RemoveValue(name);
        return changed ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
    return static_cast<LONG>(error);
}

extern "C" LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                              LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
    if (lpValueName == nullptr || lpcchValueName == nullptr || lpReserved != nullptr ||
        (lpData != nullptr && lpcbData == nullptr))
        return ERROR_INVALID_PARAMETER;
    OpenKey key;
    DWORD error = RegistryHandles::Instance().Resolve(hKey, KEY_QUERY_VALUE, key);
    if (error != ERROR_SUCCESS) return static_cast<LONG>(error);
    error = RegistryStore::Instance().Read([&](const RegistryTree& tree) -> DWORD {
        RegistryNode* node = nullptr;
        if (DWORD e = win32::FindOpenKey(tree, key, node)) return e;
        if (dwIndex >= node->values().size()) return ERROR_NO_MORE_ITEMS;
        const RegistryValue& value = node->values()[dwIndex];
        // A name that does not fit is not written and its size is not told.
        if (value.name.size() + 1 > *lpcchValueName) return ERROR_MORE_DATA;
        std::memcpy(lpValueName, value.name.c_str(), value.name.size() + 1);
        *lpcchValueName = static_cast<DWORD>(value.name.size());
        return CopyData(value, lpType, lpData, lpcbData);
    });
    return static_cast<LONG>(error);
}
