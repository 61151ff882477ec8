// The registry in memory: four root keys, each a tree of keys with values.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "win32/types.h"

namespace win32 {

struct RegistryValue {
    std::string name;  // empty for the key's default value
    DWORD type = 0;
    std::string data;  // the bytes exactly as they were set
};

class RegistryNode {
  public:
    explicit RegistryNode(std::string name) : name_(std::move(name)) {}

    const std::string& name() const { return name_; }
    // Stands in for an ACL that denies the user write access (see registry.h).
    bool read_only() const { return read_only_; }
    void set_read_only(bool on) { read_only_ = on; }

    // Sub-keys, in the order the registry lists them: by name, ignoring case.
    const std::vector<std::unique_ptr<RegistryNode>>& children() const { return children_; }
    RegistryNode* FindChild(std::string_view name) const;
    // The existing child of that name, or a new one.
    RegistryNode* AddChild(std::string_view name);
    bool RemoveChild(std::string_view name);

    // Values, in the order they were first set.
    const std::vector<RegistryValue>& values() const { return values_; }
    const RegistryValue* FindValue(std::string_view name) const;
    // Returns false when the value was already exactly that.
    bool SetValue(std::string_view name, DWORD type, std::string data);
    bool RemoveValue(std::string_view name);

  private:
    std::string name_;
    bool read_only_ = false;
    std::vector<std::unique_ptr<RegistryNode>> children_;
    std::vector<RegistryValue> values_;
};

class RegistryTree {
  public:
    static constexpr int kRootCount = 4;
    // Windows allows 512 levels of keys. The limit also bounds the recursion
    // of writing and freeing the tree, so a hostile store cannot exhaust the stack.
    static constexpr size_t kMaxDepth = 512;
    RegistryTree();

    // Root index (0 classes root, 1 current user, 2 local machine, 3 users).
    RegistryNode& Root(int index) { return *roots_[index]; }
    const RegistryNode& Root(int index) const { return *roots_[index]; }
    // The root's Windows name ("HKEY_CURRENT_USER"); -1 for an unknown name.
    static const char* RootName(int index);
    static int RootIndex(std::string_view name);

    // The key at the path below a root, or nullptr.
    RegistryNode* Find(int root, const std::vector<std::string>& path) const;

  private:
    std::array<std::unique_ptr<RegistryNode>, kRootCount> roots_;
};

}  // namespace win32
