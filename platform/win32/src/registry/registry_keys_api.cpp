// The registry functions that open, create, close, delete and list keys.
#include <algorithm>
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

// Walks `parts` below the handle's key; `names` gets the names as the store
// spells them. Stops at the first missing key (node == nullptr, `walked` tells
// how far it came).
RegistryNode* Walk(RegistryNode* start, const std::vector<std::string>& parts,
                   std::vector<std::string>& names, size_t& walked) {
    RegistryNode* node = start;
    for (walked = 0; walked < parts.size(); ++walked) {
        RegistryNode* child = node->FindChild(parts[walked]);
        if (child == nullptr) return nullptr;
        names.push_back(child->name());
        node = child;
    }
    return node;
}

void WriteEmptyClass(LPSTR lpClass, LPDWORD lpcchClass) {
    if (lpcchClass == nullptr) return;
    if (lpClass != nullptr && *lpcchClass > 0) lpClass[0] = '\0';
    *lpcchClass = 0;
}

void WriteNoTime(PFILETIME time) {
    if (time) *time = FILETIME{0, 0};
}

}  // namespace

extern "C" LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD /*ulOptions*/, REGSAM samDesired,
                              PHKEY phkResult) {
    if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    OpenKey parent;
    DWORD error = RegistryHandles::Instance().Resolve(hKey, 0, parent);
    std::vector<std::string> parts;
    if (error == ERROR_SUCCESS) error = win32::SplitKeyPath(lpSubKey, parts);
    if (error != ERROR_SUCCESS) return static_cast<LONG>(error);

    OpenKey opened{parent.root, parent.path, 0};
    error = RegistryStore::Instance().Read([&](const RegistryTree& tree) -> DWORD {
        RegistryNode* start = nullptr;
        if (DWORD e = win32::FindOpenKey(tree, parent, start)) return e;
        size_t walked = 0;
        RegistryNode* node = Walk(start, parts, opened.path, walked);
        if (node == nullptr) return ERROR_FILE_NOT_FOUND;
        opened.access = win32::MapKeyAccess(samDesired, node->read_only());
        if (node->read_only() && win32::AsksWriteAccess(opened.access)) return ERROR_ACCESS_DENIED;
        return ERROR_SUCCESS;
    });
    if (error != ERROR_SUCCESS) return static_cast<LONG>(error);
    *phkResult = RegistryHandles::Instance().Add(std::move(opened));
    return ERROR_SUCCESS;
}

extern "C" LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD /*Reserved*/, LPSTR /*lpClass*/,
                                DWORD dwOptions, REGSAM samDesired,
                                LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/, PHKEY phkResult,
                                LPDWORD lpdwDisposition) {
    if (phkResult == nullptr || lpSubKey == nullptr) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    // Volatile keys are kept like the others; links and backup semantics do not exist here.
    if (dwOptions & ~static_cast<DWORD>(REG_OPTION_VOLATILE)) return ERROR_INVALID_PARAMETER;
    OpenKey parent;
    DWORD error = RegistryHandles::Instance().Resolve(hKey, 0, parent);
    std::vector<std::string> parts;
    if (error == ERROR_SUCCESS) error = win32::SplitKeyPath(lpSubKey, parts);
    if (error != ERROR_SUCCESS) return static_cast<LONG>(error);

    if (parent.path.size() + parts.size() > RegistryTree::kMaxDepth) return ERROR_INVALID_PARAMETER;

    OpenKey opened{parent.root, parent.path, 0};
    DWORD disposition = REG_OPENED_EXISTING_KEY;
    error = RegistryStore::Instance().Modify([&](RegistryTree& tree, bool& changed) -> DWORD {
        RegistryNode* start = nullptr;
        if (DWORD e = win32::FindOpenKey(tree, parent, start)) return e;
        size_t walked = 0;
        RegistryNode* node = Walk(start, parts, opened.path, walked);
        if (node == nullptr) {
            // Every check comes before the first key is made, so a refused
            // call leaves no half-built path behind.
            if ((parent.access & KEY_CREATE_SUB_KEY) == 0) return ERROR_ACCESS_DENIED;
            RegistryNode* last = start;
            for (size_t i = 0; i < walked; ++i) last = last->FindChild(parts[i]);
            if (last->read_only()) return ERROR_ACCESS_DENIED;
            node = last;
            for (size_t i = walked; i < parts.size(); ++i) {
                node = node->AddChild(parts[i]);
                opened.path.push_back(node->name());
            }
            changed = true;
            disposition = REG_CREATED_NEW_KEY;
        }
        opened.access = win32::MapKeyAccess(samDesired, node->read_only());
        if (node->read_only() && win32::AsksWriteAccess(opened.access)) return ERROR_ACCESS_DENIED;
        return ERROR_SUCCESS;
    });
    if (error != ERROR_SUCCESS) return static_cast<LONG>(error);
    if (lpdwDisposition) *lpdwDisposition = disposition;
    *phkResult = RegistryHandles::Instance().Add(std::move(opened));
    return ERROR_SUCCESS;
}

extern "C" LONG RegCloseKey(HKEY hKey) {
    OpenKey key;
    if (RegistryHandles::Instance().Resolve(hKey, 0, key) != ERROR_SUCCESS)
        return ERROR_INVALID_HANDLE;
    // Closing a predefined root is allowed and changes nothing.
    RegistryHandles::Instance().Remove(hKey);
    return ERROR_SUCCESS;
}

extern "C" LONG RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
    if (lpSubKey == nullptr) return ERROR_INVALID_PARAMETER;
    std::vector<std::string> parts;
    DWORD error = win32::SplitKeyPath(lpSubKey, parts);
    // Deleting the handle's own key needs the right to delete it; a sub-key
    // is opened for deletion on its own, which needs no right on the parent.
    OpenKey parent;
    if (error == ERROR_SUCCESS)
        error = RegistryHandles::Instance().Resolve(hKey, parts.empty() ? DELETE : 0, parent);
    if (error != ERROR_SUCCESS) return static_cast<LONG>(error);

    error = RegistryStore::Instance().Modify([&](RegistryTree& tree, bool& changed) -> DWORD {
        RegistryNode* start = nullptr;
        if (DWORD e = win32::FindOpenKey(tree, parent, start)) return e;
        std::vector<std::string> full = parent.path;
        full.insert(full.end(), parts.begin(), parts.end());
        if (full.empty()) return ERROR_ACCESS_DENIED;  // a root cannot go
        RegistryNode* node = tree.Find(parent.root, full);
        if (node == nullptr) return ERROR_FILE_NOT_FOUND;
        if (!node->children().empty() || node->read_only()) return ERROR_ACCESS_DENIED;
        std::vector<std::string> above(full.begin(), full.end() - 1);
        tree.Find(parent.root, above)->RemoveChild(full.back());
        changed = true;
        return ERROR_SUCCESS;
    });
    return static_cast<LONG>(error);
}

extern "C" LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName,
                              LPDWORD lpReserved, LPSTR lpClass, LPDWORD lpcchClass,
                              PFILETIME lpftLastWriteTime) {
    if (lpName == nullptr || lpcchName == nullptr || lpReserved != nullptr)
        return ERROR_INVALID_PARAMETER;
    OpenKey key;
    DWORD error = RegistryHandles::Instance().Resolve(hKey, KEY_ENUMERATE_SUB_KEYS, key);
    if (error != ERROR_SUCCESS) return static_cast<LONG>(error);
    error = RegistryStore::Instance().Read([&](const RegistryTree& tree) -> DWORD {
        RegistryNode* node = nullptr;
        if (DWORD e = win32::FindOpenKey(tree, key, node)) return e;
        if (dwIndex >= node->children().size()) return ERROR_NO_MORE_ITEMS;
        const std::string& name = node->children()[dwIndex]->name();
        if (name.size() + 1 > *lpcchName) return ERROR_MORE_DATA;
        std::memcpy(lpName, name.c_str(), name.size() + 1);
        *lpcchName = static_cast<DWORD>(name.size());
        WriteEmptyClass(lpClass, lpcchClass);
        WriteNoTime(lpftLastWriteTime);
        return ERROR_SUCCESS;
    });
    return static_cast<LONG>(error);
}

extern "C" LONG RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                                 LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen,
                                 LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                                 LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                                 LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime) {
    if (lpReserved != nullptr) return ERROR_INVALID_PARAMETER;
    OpenKey key;
    DWORD error = RegistryHandles::Instance().Resolve(hKey, KEY_QUERY_VALUE, key);
    if (error != ERROR_SUCCESS) return static_cast<LONG>(error);
    error = RegistryStore::Instance().Read([&](const RegistryTree& tree) -> DWORD {
        RegistryNode* node = nullptr;
        if (DWORD e = win32::FindOpenKey(tree, key, node)) return e;
        DWORD max_key = 0, max_name = 0, max_data = 0;
        for (const auto& child : node->children())
            max_key = std::max<DWORD>(max_key, static_cast<DWORD>(child->name().size()));
        for (const auto& value : node->values()) {
            max_name = std::max<DWORD>(max_name, static_cast<DWORD>(value.name.size()));
            max_data = std::max<DWORD>(max_data, static_cast<DWORD>(value.data.size()));
        }
        WriteEmptyClass(lpClass, lpcchClass);
        if (lpcSubKeys) *lpcSubKeys = static_cast<DWORD>(node->children().size());
        if (lpcbMaxSubKeyLen) *lpcbMaxSubKeyLen = max_key;
        if (lpcbMaxClassLen) *lpcbMaxClassLen = 0;
        if (lpcValues) *lpcValues = static_cast<DWORD>(node->values().size());
        if (lpcbMaxValueNameLen) *lpcbMaxValueNameLen = max_name;
        if (lpcbMaxValueLen) *lpcbMaxValueLen = max_data;
        if (lpcbSecurityDescriptor) *lpcbSecurityDescriptor = 0;
        WriteNoTime(lpftLastWriteTime);
        return ERROR_SUCCESS;
    });
    return static_cast<LONG>(error);
}

namespace win32 {

void SetRegistryStorePath(const std::string& path) {
    RegistryStore::Instance().SetPath(path);
}

std::string RegistryStorePath() {
    return RegistryStore::Instance().Path();
}

}  // namespace win32
