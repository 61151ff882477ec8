#include "window/resources.h"

#include <QIcon>
#include <memory>

#include "window/icon_handle.h"
#include "window/qt_text.h"

namespace fw {

namespace {

const ResourceTable* current_table = nullptr;

// Loaded icons live until the program ends: handles are never freed, as the
// platform's shared icons are not. Keyed by table too, so that a handle
// stays what it was when another table comes into use.
using IconKey = std::pair<const ResourceTable*, int>;
std::map<IconKey, std::unique_ptr<IconHandle>>& LoadedIcons() {
    static std::map<IconKey, std::unique_ptr<IconHandle>> icons;
    return icons;
}

}  // namespace

std::vector<std::string> IconImages(const std::string& prefix) {
    std::vector<std::string> images;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        images.push_back(prefix + std::to_string(size) + ".png");
    return images;
}

void UseResources(const ResourceTable* table) {
    current_table = table;
}

const DialogTemplate* FindDialogTemplate(int id) {
    if (current_table == nullptr) return nullptr;
    auto found = current_table->dialogs.find(id);
    return found == current_table->dialogs.end() ? nullptr : &found->second;
}

std::string LoadResourceString(int id) {
    if (current_table == nullptr) return {};
    auto found = current_table->strings.find(id);
    return found == current_table->strings.end() ? std::string() : found->second;
}

VersionResource LoadVersionResource() {
    return current_table == nullptr ? VersionResource() : current_table->version;
}

HICON LoadIconResource(int id) {
    if (current_table == nullptr) return nullptr;
    const IconKey key{current_table, id};
    auto loaded = LoadedIcons().find(key);
    if (loaded != LoadedIcons().end()) return loaded->second.get();
    auto found = current_table->icons.find(id);
    if (found == current_table->icons.end()) return nullptr;
    auto handle = std::make_unique<IconHandle>();
    for (const std::string& image : found->second) handle->icon.addFile(ToQString(image));
    if (handle->icon.isNull()) return nullptr;
    return LoadedIcons().emplace(key, std::move(handle)).first->second.get();
}

}  // namespace fw
