// An allocator that maps large blocks straight from the system with their
// pages already in place, takes smaller ones from the huge page pool
// (huge_page_pool.h), and leaves them to std::allocator where the kernel
// gives no huge pages.
//
// A large block the engine allocates is filled right away (the string pool's
// bytes and slots, a table's cells and rows). Mapped the usual way, each of
// its pages then traps on first touch, and on a virtual machine such a trap
// costs several microseconds: loading a package of 200,000 rows touches some
// 8,000 pages, most of its time. Asking for the pages with the mapping
// (MAP_POPULATE) lets the kernel set them up in one pass instead. The pages
// are zero, like the memory a trap would have supplied.
//
// Even populated, a small page may still trap once on a virtual machine whose
// host maps guest memory lazily (tens of microseconds on a busy host), where a
// 2 MiB transparent huge page traps once for 512 small ones. A huge page is
// resident as a whole as soon as one byte of it is touched, though, so only a
// block that is filled from end to end as soon as it is made asks for them
// (kFilledAtOnce): its whole huge pages are marked, and its last part, less
// than one, stays on small pages. Where the kernel gives no huge pages the
// marking is ignored.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

#include "common/huge_page_pool.h"

namespace msi {

// Under AddressSanitizer every block stays on the heap, where the sanitizer
// guards its ends; a mapped block would let an overrun pass unseen.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kMapLargeBlocks = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kMapLargeBlocks = false;
#else
inline constexpr bool kMapLargeBlocks = true;
#endif
#else
inline constexpr bool kMapLargeBlocks = true;
#endif

namespace mapped_detail {

inline constexpr size_t kHugePage = size_t{2} << 20;

inline void* MapPopulated(size_t bytes) {
    void* block = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    return block == MAP_FAILED ? nullptr : block;
}

// A block starting on a huge page boundary, its whole huge pages marked for
// huge pages and the rest populated with small ones. Unmapped as any block.
inline void* MapOnHugePages(size_t bytes) {
    const size_t whole = bytes / kHugePage * kHugePage;
    if (whole == 0) return MapPopulated(bytes);
    // Room to slide the block onto a boundary; the slack on both sides goes back.
    void* area = ::mmap(nullptr, bytes + kHugePage, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (area == MAP_FAILED) return nullptr;
    const uintptr_t start = reinterpret_cast<uintptr_t>(area);
    const uintptr_t aligned = (start + kHugePage - 1) & ~uintptr_t(kHugePage - 1);
    if (aligned != start) ::munmap(area, aligned - start);
    if (start + kHugePage != aligned)
        ::munmap(reinterpret_cast<void*>(aligned + bytes), start + kHugePage - aligned);
    ::madvise(reinterpret_cast<void*>(aligned), whole, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
    if (bytes > whole)
        ::madvise(reinterpret_cast<void*>(aligned + whole), bytes - whole, MADV_POPULATE_WRITE);
#endif
    return reinterpret_cast<void*>(aligned);
}

}  // namespace mapped_detail

template <class T, bool kFilledAtOnce = false>
class MappedAllocator : public std::allocator<T> {
  public:
    // Without huge pages, smaller blocks come from the heap, where freed
    // memory is reused anyway.
    static constexpr size_t kMappedBytes = size_t{64} << 10;

    template <class U>
    struct rebind {
        using other = MappedAllocator<U, kFilledAtOnce>;
    };

    MappedAllocator() = default;
    template <class U>
    MappedAllocator(const MappedAllocator<U, kFilledAtOnce>&) noexcept {}

    T* allocate(size_t n) {
        if (n > SIZE_MAX / sizeof(T)) throw std::bad_array_new_length();
        const size_t bytes = n * sizeof(T);
        if (FromPool(bytes)) return static_cast<T*>(HugePagePool::Shared().Allocate(bytes));
        if (!kMapLargeBlocks || bytes < kMappedBytes) return std::allocator<T>::allocate(n);
        void* block = kFilledAtOnce ? mapped_detail::MapOnHugePages(bytes)
                                    : mapped_detail::MapPopulated(bytes);
        if (block == nullptr) throw std::bad_alloc();
        return static_cast<T*>(block);
    }

    void deallocate(T* p, size_t n) noexcept {
        const size_t bytes = n * sizeof(T);
        if (FromPool(bytes)) return HugePagePool::Shared().Free(p, bytes);
        if (!kMapLargeBlocks || bytes < kMappedBytes) return std::allocator<T>::deallocate(p, n);
        ::munmap(p, bytes);
    }

  private:
    static_assert(alignof(T) <= HugePagePool::kSmallestBlock);
    static bool FromPool(size_t bytes) {
        return kMapLargeBlocks && bytes <= HugePagePool::kLargestBlock && HugePagePool::Enabled();
    }
};

template <class T, class U, bool kFilled>
bool operator==(const MappedAllocator<T, kFilled>&, const MappedAllocator<U, kFilled>&) noexcept {
    return true;
}

}  // namespace msi
