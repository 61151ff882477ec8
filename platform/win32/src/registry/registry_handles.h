// Open registry keys: what a handle names and with which rights.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "registry_tree.h"
#include "win32/registry.h"

namespace win32 {

struct OpenKey {
    int root = 0;                   // RegistryTree root index
    std::vector<std::string> path;  // sub-key names below the root
    REGSAM access = 0;              // granted rights, generic bits mapped
};

// Splits a sub-key path at its backslashes into `parts` (appended). A null
// or empty path names the key itself; empty names between backslashes are
// skipped. ERROR_BAD_PATHNAME for a path that starts with a backslash, which
// Windows refuses as well.
DWORD SplitKeyPath(const char* sub_key, std::vector<std::string>& parts);

// Turns generic and maximum rights into key rights, as the access check sees them.
REGSAM MapKeyAccess(REGSAM desired, bool read_only_key);
// True when the rights include any that change a key.
bool AsksWriteAccess(REGSAM access);

// The key an open handle names; ERROR_KEY_DELETED when it was deleted since,
// as on Windows.
DWORD FindOpenKey(const RegistryTree& tree, const OpenKey& key, RegistryNode*& node);

class RegistryHandles {
  public:
    static RegistryHandles& Instance();

    HKEY Add(OpenKey key);
    bool Remove(HKEY handle);
    // A predefined root (with every right) or an open handle. ERROR_INVALID_HANDLE
    // for anything else; ERROR_ACCESS_DENIED when the handle lacks `needed`.
    DWORD Resolve(HKEY handle, REGSAM needed, OpenKey& key);

  private:
    std::mutex mutex_;
    std::map<uintptr_t, OpenKey> open_;
    uintptr_t next_ = 0x1000;
};

}  // namespace win32
