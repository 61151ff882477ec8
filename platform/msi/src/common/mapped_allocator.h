// An allocator that maps large blocks straight from the system, on huge pages
// where the block is large enough, and leaves smaller ones to std::allocator.
//
// A large block the engine allocates is filled right away (the string pool's
// bytes and slots, a table's cells and rows). Mapped the usual way, each of
// its 4 KiB pages then traps on first touch, and on a virtual machine such a
// trap costs several microseconds, tens on a busy host: loading a package of
// 200,000 rows touches some 8,000 pages, most of its time. Asking for the
// pages with the mapping (MAP_POPULATE) halves that at best, since the host
// may still trap on the first touch of each page. A 2 MiB transparent huge
// page traps once for 512 small ones, so a block of 1 MiB or more is placed
// on 2 MiB boundaries and marked for huge pages; its last part, when less
// than half a huge page, stays on small pages rather than hold memory the
// block does not use. Where the kernel gives no huge pages the marking is
// ignored and the block works as any mapping. The pages are zero, like the
// memory a trap would have supplied.
#pragma once

#include <sys/mman.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

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

// How much of a block of `bytes` goes on huge pages: its whole huge pages,
// and its last part too when that is at least half of one. The block's
// mapping is as long as the larger of the two.
constexpr size_t HugeLength(size_t bytes) {
    const size_t whole = bytes / kHugePage * kHugePage;
    return bytes - whole >= kHugePage / 2 ? whole + kHugePage : whole;
}
constexpr size_t MappingLength(size_t bytes) {
    return bytes < kHugePage / 2 ? bytes : std::max(bytes, HugeLength(bytes));
}

inline void* MapBlock(size_t bytes) {
    if (bytes < kHugePage / 2) {
        void* block = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                             MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
        return block == MAP_FAILED ? nullptr : block;
    }
    // Room to slide the block onto a huge page boundary; the slack on both
    // sides is handed back.
    const size_t length = MappingLength(bytes);
    void* area = ::mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (area == MAP_FAILED) return nullptr;
    const uintptr_t start = reinterpret_cast<uintptr_t>(area);
    const uintptr_t aligned = (start + kHugePage - 1) & ~uintptr_t(kHugePage - 1);
    if (aligned != start) ::munmap(area, aligned - start);
    const size_t after = start + length + kHugePage - (aligned + length);
    if (after != 0) ::munmap(reinterpret_cast<void*>(aligned + length), after);
    void* block = reinterpret_cast<void*>(aligned);
    ::madvise(block, HugeLength(bytes), MADV_HUGEPAGE);
    return block;
}

inline void UnmapBlock(void* block, size_t bytes) {
    ::munmap(block, MappingLength(bytes));
}

}  // namespace mapped_detail

template <class T>
class MappedAllocator : public std::allocator<T> {
  public:
    // Smaller blocks come from the heap, where freed memory is reused anyway.
    static constexpr size_t kMappedBytes = size_t{256} << 10;

    template <class U>
    struct rebind {
        using other = MappedAllocator<U>;
    };

    MappedAllocator() = default;
    template <class U>
    MappedAllocator(const MappedAllocator<U>&) noexcept {}

    T* allocate(size_t n) {
        if (n > SIZE_MAX / sizeof(T)) throw std::bad_array_new_length();
        const size_t bytes = n * sizeof(T);
        if (!kMapLargeBlocks || bytes < kMappedBytes) return std::allocator<T>::allocate(n);
        void* block = mapped_detail::MapBlock(bytes);
        if (block == nullptr) throw std::bad_alloc();
        return static_cast<T*>(block);
    }

    void deallocate(T* p, size_t n) noexcept {
        const size_t bytes = n * sizeof(T);
        if (!kMapLargeBlocks || bytes < kMappedBytes) return std::allocator<T>::deallocate(p, n);
        mapped_detail::UnmapBlock(p, bytes);
    }
};

template <class T, class U>
bool operator==(const MappedAllocator<T>&, const MappedAllocator<U>&) noexcept {
    return true;
}

}  // namespace msi
