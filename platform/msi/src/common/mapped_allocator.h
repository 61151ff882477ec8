// An allocator that maps large blocks straight from the system with their
// pages already in place, and leaves smaller ones to std::allocator.
//
// A large block the engine allocates is filled right away (the string pool's
// bytes and slots, a table's cells and rows). Mapped the usual way, each of
// its pages then traps on first touch, and on a virtual machine such a trap
// costs several microseconds: loading a package of 200,000 rows touches some
// 8,000 pages, most of its time. Asking for the pages with the mapping
// (MAP_POPULATE) lets the kernel set them up in one pass instead. The pages
// are zero, like the memory a trap would have supplied.
#pragma once

#include <sys/mman.h>

#include <cstddef>
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
        void* block = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                             MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
        if (block == MAP_FAILED) throw std::bad_alloc();
        return static_cast<T*>(block);
    }

    void deallocate(T* p, size_t n) noexcept {
        const size_t bytes = n * sizeof(T);
        if (!kMapLargeBlocks || bytes < kMappedBytes) return std::allocator<T>::deallocate(p, n);
        ::munmap(p, bytes);
    }
};

template <class T, class U>
bool operator==(const MappedAllocator<T>&, const MappedAllocator<U>&) noexcept {
    return true;
}

}  // namespace msi
