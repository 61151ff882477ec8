#include "api/handle_table.h"

#include <utility>
#include <vector>

namespace msi::api {

HandleTable& HandleTable::Instance() {
    // Never destroyed: handles left open at exit must not be torn down while
    // other static objects (the debug channel) may already be gone.
    static HandleTable* table = new HandleTable();
    return *table;
}

MSIHANDLE HandleTable::Add(HandleKind kind, std::shared_ptr<void> object) {
    if (!object) return 0;
    std::lock_guard lock(mutex_);
    if (entries_.size() >= kMaxOpenHandles) return 0;
    // Handle numbers count up and skip 0 and numbers still in use after a
    // wrap-around, so a stale handle is unlikely to name a new object soon.
    while (next_ == 0 || entries_.count(next_) != 0) ++next_;
    const MSIHANDLE handle = next_++;
    entries_.emplace(handle, Entry{kind, std::move(object)});
    return handle;
}

std::shared_ptr<void> HandleTable::GetRaw(MSIHANDLE handle, HandleKind kind) const {
    std::lock_guard lock(mutex_);
    auto it = entries_.find(handle);
    if (it == entries_.end() || it->second.kind != kind) return nullptr;
    return it->second.object;
}

bool HandleTable::Close(MSIHANDLE handle) {
    std::shared_ptr<void> doomed;
    {
        std::lock_guard lock(mutex_);
        auto it = entries_.find(handle);
        if (it == entries_.end()) return false;
        doomed = std::move(it->second.object);
        entries_.erase(it);
    }
    return true;  // `doomed` is released here, outside the lock
}

size_t HandleTable::CloseAll() {
    std::unordered_map<MSIHANDLE, Entry> doomed;
    {
        std::lock_guard lock(mutex_);
        doomed.swap(entries_);
    }
    // Views first, then records and the rest, databases last: releasing in
    // dependency order keeps the last reference to a database in one place.
    const size_t count = doomed.size();
    for (HandleKind kind : {HandleKind::kView, HandleKind::kRecord, HandleKind::kSummaryInfo,
                            HandleKind::kProduct, HandleKind::kDatabase}) {
        for (auto it = doomed.begin(); it != doomed.end();) {
            if (it->second.kind == kind) {
                it = doomed.erase(it);
            } else {
                ++it;
            }
        }
    }
    return count;
}

size_t HandleTable::OpenCount() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

size_t HandleTable::OpenCount(HandleKind kind) const {
    std::lock_guard lock(mutex_);
    size_t n = 0;
    for (const auto& [handle, entry] : entries_) n += entry.kind == kind ? 1 : 0;
    return n;
}

}  // namespace msi::api
