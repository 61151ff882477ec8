#include "registry_handles.h"

#include "../mb_char.h"
#include "win32/codepage.h"
#include "win32/winerror.h"

namespace win32 {
namespace {

constexpr REGSAM kWriteRights =
    KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE | WRITE_DAC | WRITE_OWNER;

int RootIndexOf(HKEY handle) {
    auto value = reinterpret_cast<intptr_t>(handle);
    for (int i = 0; i < 4; ++i)
        if (value == static_cast<intptr_t>(static_cast<LONG>(0x80000000u + i))) return i;
    return -1;
}

}  // namespace

DWORD SplitKeyPath(const char* sub_key, std::vector<std::string>& parts) {
    if (sub_key == nullptr) return ERROR_SUCCESS;
    if (sub_key[0] == '\\') return ERROR_BAD_PATHNAME;
    // Walk by whole characters: in a double-byte code page the second byte
    // of a character can be 0x5C and is no separator there.
    const UINT code_page = ProcessCodePage();
    std::string part;
    const auto* p = reinterpret_cast<const unsigned char*>(sub_key);
    for (;;) {
        if (*p == '\\' || *p == '\0') {
            if (!part.empty()) parts.push_back(std::move(part));
            part.clear();
            if (*p == '\0') return ERROR_SUCCESS;
            ++p;
            continue;
        }
        size_t length = CharLength(p, code_page);
        part.append(reinterpret_cast<const char*>(p), length);
        p += length;
    }
}

REGSAM MapKeyAccess(REGSAM desired, bool read_only_key) {
    REGSAM access = desired & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL |
                                MAXIMUM_ALLOWED | KEY_WOW64_32KEY | KEY_WOW64_64KEY);
    if (desired & (GENERIC_READ | GENERIC_EXECUTE)) access |= KEY_READ;
    if (desired & GENERIC_WRITE) access |= KEY_WRITE;
    if (desired & GENERIC_ALL) access |= KEY_ALL_ACCESS;
    // Asking for the most one may have gets what the key allows.
    if (desired & MAXIMUM_ALLOWED) access |= read_only_key ? KEY_READ : KEY_ALL_ACCESS;
    return access;
}

bool AsksWriteAccess(REGSAM access) {
    return (access & kWriteRights) != 0;
}

DWORD FindOpenKey(const RegistryTree& tree, const OpenKey& key, RegistryNode*& node) {
    node = tree.Find(key.root, key.path);
    return node ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

RegistryHandles& RegistryHandles::Instance() {
    static RegistryHandles* handles = new RegistryHandles;  // outlives static destructors
    return *handles;
}

HKEY RegistryHandles::Add(OpenKey key) {
    std::lock_guard<std::mutex> lock(mutex_);
    // Steps of 4 as Windows hands out handles; never near the root values.
    uintptr_t value = next_;
    next_ += 4;
    open_.emplace(value, std::move(key));
    return reinterpret_cast<HKEY>(value);
}

bool RegistryHandles::Remove(HKEY handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    return open_.erase(reinterpret_cast<uintptr_t>(handle)) != 0;
}

DWORD RegistryHandles::Resolve(HKEY handle, REGSAM needed, OpenKey& key) {
    int root = RootIndexOf(handle);
    if (root >= 0) {
        key = OpenKey{root, {}, KEY_ALL_ACCESS};
        return ERROR_SUCCESS;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = open_.find(reinterpret_cast<uintptr_t>(handle));
    if (it == open_.end()) return ERROR_INVALID_HANDLE;
    if ((it->second.access & needed) != needed) return ERROR_ACCESS_DENIED;
    key = it->second;
    return ERROR_SUCCESS;
}

}  // namespace win32
