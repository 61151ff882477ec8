#include "api/handle_table.h"

#include <sys/single_threaded.h>

#include <algorithm>
#include <utility>

namespace msi::api {
namespace {

// Holds the table's mutex while other threads may exist. Most programs that
// use the interface have one thread, and every cell they read goes through
// the table; the C library then says the process is single-threaded and the
// lock is skipped: no other thread can race, and this one starts none while
// it holds the table.
class TableLock {
  public:
    explicit TableLock(std::mutex& mutex) : mutex_(__libc_single_threaded ? nullptr : &mutex) {
        if (mutex_ != nullptr) mutex_->lock();
    }
    TableLock(const TableLock&) = delete;
    TableLock& operator=(const TableLock&) = delete;
    ~TableLock() {
        if (mutex_ != nullptr) mutex_->unlock();
    }

  private:
    std::mutex* mutex_;
};

}  // namespace

HandleTable& HandleTable::Instance() {
    // Never destroyed: handles left open at exit must not be torn down while
    // other static objects (the debug channel) may already be gone.
    static HandleTable* table = new HandleTable();
    return *table;
}

HandleTable::Entry* HandleTable::Find(MSIHANDLE handle) {
    if (handle == 0 || slots_.empty()) return nullptr;
    Entry& entry = slots_[handle & (slots_.size() - 1)];
    return entry.handle == handle ? &entry : nullptr;
}

const HandleTable::Entry* HandleTable::Find(MSIHANDLE handle) const {
    return const_cast<HandleTable*>(this)->Find(handle);
}

void HandleTable::Grow() {
    std::vector<Entry> old = std::move(slots_);
    slots_.assign(std::max(kMinSlots, old.size() * 2), Entry{});
    for (Entry& entry : old)
        if (entry.handle != 0) slots_[entry.handle & (slots_.size() - 1)] = std::move(entry);
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
