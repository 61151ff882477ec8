#include "registry_tree.h"

#include <algorithm>

#include "name_compare.h"

namespace win32 {
namespace {
constexpr const char* kRootNames[RegistryTree::kRootCount] = {
    "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS"};
}  // namespace

RegistryNode* RegistryNode::FindChild(std::string_view name) const {
    for (const auto& child : children_)
        if (SameName(child->name(), name)) return child.get();
    return nullptr;
}

RegistryNode* RegistryNode::AddChild(std::string_view name) {
    if (RegistryNode* existing = FindChild(name)) return existing;
    auto at = std::find_if(children_.begin(), children_.end(), [&](const auto& child) {
        return CompareNames(child->name(), name) > 0;
    });
    return children_.insert(at, std::make_unique<RegistryNode>(std::string(name)))->get();
}

bool RegistryNode::RemoveChild(std::string_view name) {
    auto it = std::find_if(children_.begin(), children_.end(),
                           [&](const auto& child) { return SameName(child->name(), name); });
    if (it == children_.end()) return false;
    children_.erase(it);
    return true;
}

const RegistryValue* RegistryNode::FindValue(std::string_view name) const {
    for (const RegistryValue& value : values_)
        if (SameName(value.name, name)) return &value;
    return nullptr;
}

bool RegistryNode::SetValue(std::string_view name, DWORD type, std::string data) {
    for (RegistryValue& value : values_) {
        if (!SameName(value.name, name)) continue;
        if (value.type == type && value.data == data) return false;
        value.type = type;
        value.data = std::move(data);
        return true;
    }
    values_.push_back(RegistryValue{std::string(name), type, std::move(data)});
    return true;
}

bool RegistryNode::RemoveValue(std::string_view name) {
    auto it = std::find_if(values_.begin(), values_.end(),
                           [&](const RegistryValue& v) { return SameName(v.name, name); });
    if (it == values_.end()) return false;
    values_.erase(it);
    return true;
}

RegistryTree::RegistryTree() {
    for (int i = 0; i < kRootCount; ++i) roots_[i] = std::make_unique<RegistryNode>(kRootNames[i]);
}

const char* RegistryTree::RootName(int index) {
    return index >= 0 && index < kRootCount ? kRootNames[index] : "";
}

int RegistryTree::RootIndex(std::string_view name) {
    for (int i = 0; i < kRootCount; ++i)
        if (SameName(kRootNames[i], name)) return i;
    return -1;
}

RegistryNode* RegistryTree::Find(int root, const std::vector<std::string>& path) const {
    RegistryNode* node = roots_[root].get();
    for (const std::string& part : path) {
        node = node->FindChild(part);
        if (node == nullptr) return nullptr;
    }
    return node;
}

}  // namespace win32
