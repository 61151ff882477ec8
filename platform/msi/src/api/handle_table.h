// The process-wide table of installer handles. A handle is a 32-bit number
// naming one engine object of a fixed kind. The table holds a shared reference
// to the object; objects that need another object (a view its database, a
// fetched record the file its streams come from) hold their own references,
// so closing a handle never pulls an object away from under another one.
//
// Every open handle h sits in slot h mod the table's size (a power of two,
// kept at least twice the open count), so a look-up is one array access and
// no allocation is made per handle. A new handle takes the next number whose
// slot is free; numbers therefore count up, skipping a few.
//
// Thread-safe: one mutex guards the slots. Objects are destroyed after the
// mutex is released, so a destructor may itself touch the table. Most
// programs that use the interface have one thread, and every cell they read
// goes through the table; while the C library says the process is
// single-threaded, the lock is skipped: no other thread can race, and this
// one starts none while it holds the table.
#pragma once

#include <sys/single_threaded.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "msi.h"

namespace msi::api {

enum class HandleKind { kDatabase, kView, kRecord, kSummaryInfo, kProduct };

class HandleTable {
  public:
    // At most this many handles are open at once; MsiCreateRecord and friends
    // return 0 beyond it rather than growing the table without bound.
    static constexpr size_t kMaxOpenHandles = 1u << 20;

    static HandleTable& Instance() {
        // Never destroyed: handles left open at exit must not be torn down
        // while other static objects (the debug channel) may already be gone.
        static HandleTable* table = new HandleTable();
        return *table;
    }

    // A new handle for the object, or 0 when the table is full or object is null.
    MSIHANDLE Add(HandleKind kind, std::shared_ptr<void> object);

    // The object behind a handle of the given kind, or null when the handle is
    // 0, closed, never issued, or names an object of another kind.
    template <class T>
    std::shared_ptr<T> Get(MSIHANDLE handle, HandleKind kind) const {
        return std::static_pointer_cast<T>(GetRaw(handle, kind));
    }

    // Calls `use` with the object behind a handle of the given kind, or with
    // null (as Get finds it), and returns what `use` returns. No reference is
    // taken: this is for the interface's getters that read a record field by
    // field, where taking one costs more than the read. `use` runs with the
    // table locked, so it must be short, must not call the table, and must
    // not keep the pointer.
    template <class T, class Use>
    auto Peek(MSIHANDLE handle, HandleKind kind, Use&& use) const {
        TableLock lock(mutex_);
        const Entry* entry = Find(handle);
        T* object = entry && entry->kind == kind ? static_cast<T*>(entry->object.get()) : nullptr;
        return use(object);
    }

    // False when the handle is not open.
    bool Close(MSIHANDLE handle);
    // Closes every handle; returns how many were open.
    size_t CloseAll();
    // How many handles are open (tests check that none is left behind).
    size_t OpenCount() const;
    // How many open handles are of the given kind.
    size_t OpenCount(HandleKind kind) const;

  private:
    // Holds the mutex while other threads may exist (see the top).
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

    HandleTable() = default;
    std::shared_ptr<void> GetRaw(MSIHANDLE handle, HandleKind kind) const;

    struct Entry {
        MSIHANDLE handle = 0;  // 0: the slot is free
        HandleKind kind = HandleKind::kRecord;
        std::shared_ptr<void> object;
    };
    static constexpr size_t kMinSlots = 64;

    // The slot of an open handle, or null. Called with the mutex held.
    const Entry* Find(MSIHANDLE handle) const {
        if (handle == 0 || mask_ == 0) return nullptr;
        const Entry& entry = slots_[handle & mask_];
        return entry.handle == handle ? &entry : nullptr;
    }
    Entry* Find(MSIHANDLE handle) {
        return const_cast<Entry*>(static_cast<const HandleTable*>(this)->Find(handle));
    }
    // Doubles the slots, moving each entry to its new place. Two open
    // handles never share a slot after it: they differed in the old bits.
    void Grow();

    mutable std::mutex mutex_;
    std::vector<Entry> slots_;
    size_t mask_ = 0;  // slots_.size() - 1, or 0 while there are no slots
    size_t open_ = 0;
    MSIHANDLE next_ = 1;
};

// Shorthands used by the interface functions.
template <class T>
std::shared_ptr<T> HandleObject(MSIHANDLE handle, HandleKind kind) {
    return HandleTable::Instance().Get<T>(handle, kind);
}
inline MSIHANDLE NewHandle(HandleKind kind, std::shared_ptr<void> object) {
    return HandleTable::Instance().Add(kind, std::move(object));
}

}  // namespace msi::api
