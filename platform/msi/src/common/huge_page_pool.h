// Blocks of up to half a megabyte carved out of 2 MiB chunks that ask for
// transparent huge pages: the blocks the engine fills while it reads a
// package (each table's cells and rows, the string pool's bytes and slots).
//
// A package of a few megabytes makes hundreds of such blocks, some hundred
// kilobytes in all. From the C library's heap each new page of them traps on
// first touch, and on a virtual machine a trap costs about ten microseconds:
// for a package like that, more than the reading itself. A chunk on one huge
// page traps once, and its zeroing costs about what twenty small traps do.
//
// The pool works like a simple allocator: a block is rounded up to a power of
// two, a freed block goes onto the list of its size and is handed out again,
// and chunks are never given back (as the C library keeps its heap). Larger
// blocks are mapped one by one (mapped_allocator.h), and freeing them gives
// their memory back at once.
//
// Thread-safe: one mutex guards the lists.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <mutex>
#include <string_view>
#include <vector>

namespace msi {

class HugePagePool {
  public:
    static constexpr size_t kChunkBytes = size_t{2} << 20;
    static constexpr size_t kSmallestBlock = 64;
    static constexpr size_t kLargestBlock = size_t{512} << 10;

    // Whether the kernel hands out huge pages on request; read once. Without
    // them a chunk would trap page by page, as the heap does, and hold on to
    // its memory besides: the engine then leaves its blocks to the heap.
    static bool Enabled();
    // Whether the kernel's setting (the text of
    // /sys/kernel/mm/transparent_hugepage/enabled, such as
    // "always [madvise] never") gives huge pages to a region that asks.
    static bool GivesHugePages(std::string_view setting);
    // The same for the setting in the file at `path`; false when it cannot
    // be read.
    static bool SettingGivesHugePages(const char* path);

    // The pool the engine's allocators share; never destroyed, since blocks
    // may be freed by other static objects at exit.
    static HugePagePool& Shared();

    HugePagePool() = default;
    HugePagePool(const HugePagePool&) = delete;
    HugePagePool& operator=(const HugePagePool&) = delete;
    // Unmaps the chunks; every block of the pool must be unused by then.
    ~HugePagePool();

    // A block of `bytes` (1 to kLargestBlock), aligned to kSmallestBlock and
    // left as it was (zero the first time, the old contents when reused).
    // Throws std::bad_alloc when no chunk can be mapped.
    void* Allocate(size_t bytes);
    // Gives back a block from Allocate, with the size it was asked for.
    void Free(void* block, size_t bytes) noexcept;

  private:
    static constexpr int kClasses =
        std::countr_zero(kLargestBlock) - std::countr_zero(kSmallestBlock) + 1;
    // A free block holds the next free block of its size.
    struct FreeBlock {
        FreeBlock* next;
    };
    void Push(void* block, int size_class);
    void NewChunk();

    std::mutex mutex_;
    std::array<FreeBlock*, kClasses> free_{};
    char* next_ = nullptr;  // the unused rest of the newest chunk
    char* end_ = nullptr;
    std::vector<void*> chunks_;
};

}  // namespace msi
