#include "api/handle_table.h"

#include <algorithm>
#include <utility>

namespace msi::api {

void HandleTable::Grow() {
    std::vector<Entry> old = std::move(slots_);
    slots_.assign(std::max(kMinSlots, old.size() * 2), Entry{});
    mask_ = slots_.size() - 1;
    for (Entry& entry : old)
        if (entry.handle != 0) slots_[entry.handle & mask_] = std::move(entry);
}

MSIHANDLE HandleTable::Add(HandleKind kind, std::shared_ptr<void> object) {
    if (!object) return 0;
    TableLock lock(mutex_);
    if (open_ >= kMaxOpenHandles) return 0;
    if ((open_ + 1) * 2 > slots_.size()) Grow();
    // Numbers count up and skip 0 and numbers whose slot is taken (after a
    // wrap-around, that includes every number still in use), so a stale
    // handle is unlikely to name a new object soon. At most half the slots
    // are taken, so the search is short.
    const size_t mask = slots_.size() - 1;
    while (next_ == 0 || slots_[next_ & mask].handle != 0) ++next_;
    const MSIHANDLE handle = next_++;
    slots_[handle & mask] = Entry{handle, kind, std::move(object)};
    ++open_;
    return handle;
}

std::shared_ptr<void> HandleTable::GetRaw(MSIHANDLE handle, HandleKind kind) const {
    TableLock lock(mutex_);
    const Entry* entry = Find(handle);
    if (!entry || entry->kind != kind) return nullptr;
    return entry->object;
}

bool HandleTable::Close(MSIHANDLE handle) {
    std::shared_ptr<void> doomed;
    {
        TableLock lock(mutex_);
        Entry* entry = Find(handle);
        if (!entry) return false;
        doomed = std::move(entry->object);
        entry->handle = 0;
        --open_;
    }
    return true;  // `doomed` is released here, outside the lock
}

size_t HandleTable::CloseAll() {
    std::vector<Entry> doomed;
    {
        TableLock lock(mutex_);
        doomed.swap(slots_);
        mask_ = 0;
        open_ = 0;
    }
    // Views first, then records and the rest, databases last: releasing in
    // dependency order keeps the last reference to a database in one place.
    size_t count = 0;
    for (const Entry& entry : doomed) count += entry.handle != 0 ? 1 : 0;
    for (HandleKind kind : {HandleKind::kView, HandleKind::kRecord, HandleKind::kSummaryInfo,
                            HandleKind::kProduct, HandleKind::kDatabase}) {
        for (Entry& entry : doomed)
            if (entry.handle != 0 && entry.kind == kind) entry.object.reset();
    }
    return count;
}

size_t HandleTable::OpenCount() const {
    TableLock lock(mutex_);
    return open_;
}

size_t HandleTable::OpenCount(HandleKind kind) const {
    TableLock lock(mutex_);
    size_t n = 0;
    for (const Entry& entry : slots_) n += entry.handle != 0 && entry.kind == kind ? 1 : 0;
    return n;
}

}  // namespace msi::api
