// An allocator whose vectors leave new elements of trivial types
// uninitialised: `resize` on such a vector makes room without writing zeros.
// For buffers that are filled right after they are sized (a table's decoded
// cells, the string bytes read from a file), where zeroing megabytes first
// costs a pass over memory that is overwritten at once. Large blocks are
// mapped as MappedAllocator maps them.
#pragma once

#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "common/mapped_allocator.h"

namespace msi {

template <class T, bool kFilledAtOnce = false>
class UninitializedAllocator : public MappedAllocator<T, kFilledAtOnce> {
  public:
    template <class U>
    struct rebind {
        using other = UninitializedAllocator<U, kFilledAtOnce>;
    };

    UninitializedAllocator() = default;
    template <class U>
    UninitializedAllocator(const UninitializedAllocator<U, kFilledAtOnce>&) noexcept {}
    template <class U>
    bool operator==(const UninitializedAllocator<U, kFilledAtOnce>&) const noexcept {
        return true;
    }

    // Value-initialisation (what resize asks for) becomes default
    // initialisation, which does nothing for trivial types.
    template <class U>
    void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        std::allocator_traits<std::allocator<T>>::construct(static_cast<std::allocator<T>&>(*this),
                                                            p, std::forward<Args>(args)...);
    }
};

// A vector of trivial values that `resize` leaves unwritten.
template <class T>
using UninitializedVector = std::vector<T, UninitializedAllocator<T>>;
// The same for a vector written from end to end as soon as it is sized: large
// ones go on huge pages (mapped_allocator.h).
template <class T>
using FilledAtOnceVector = std::vector<T, UninitializedAllocator<T, true>>;

}  // namespace msi
