#include "common/huge_page_pool.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <new>

#include "common/mapped_allocator.h"

namespace msi {
namespace {

// A chunk is one huge page, mapped on its boundary.
static_assert(HugePagePool::kChunkBytes == mapped_detail::kHugePage);

constexpr int kSmallestShift = std::countr_zero(HugePagePool::kSmallestBlock);

// The size class of a block: 0 for up to 64 bytes, 1 for up to 128...
int ClassOf(size_t bytes) {
    return std::countr_zero(std::bit_ceil(std::max(bytes, HugePagePool::kSmallestBlock))) -
           kSmallestShift;
}

size_t ClassBytes(int size_class) {
    return HugePagePool::kSmallestBlock << size_class;
}

}  // namespace

bool HugePagePool::GivesHugePages(std::string_view setting) {
    // The setting in force is the one in brackets.
    return setting.find("[always]") != std::string_view::npos ||
           setting.find("[madvise]") != std::string_view::npos;
}

bool HugePagePool::SettingGivesHugePages(const char* path) {
    FILE* setting = std::fopen(path, "re");
    if (setting == nullptr) return false;
    char line[128] = {};
    const bool read = std::fgets(line, sizeof line, setting) != nullptr;
    std::fclose(setting);
    return read && GivesHugePages(line);
}

bool HugePagePool::Enabled() {
    static const bool enabled =
        SettingGivesHugePages("/sys/kernel/mm/transparent_hugepage/enabled");
    return enabled;
}

HugePagePool& HugePagePool::Shared() {
    static HugePagePool* pool = new HugePagePool();
    return *pool;
}

HugePagePool::~HugePagePool() {
    for (void* chunk : chunks_) ::munmap(chunk, kChunkBytes);
}

void* HugePagePool::Allocate(size_t bytes) {
    const int size_class = ClassOf(bytes);
    std::lock_guard lock(mutex_);
    if (FreeBlock* block = free_[size_class]) {
        free_[size_class] = block->next;
        return block;
    }
    const size_t size = ClassBytes(size_class);
    if (static_cast<size_t>(end_ - next_) < size) NewChunk();
    void* block = next_;
    next_ += size;
    return block;
}

void HugePagePool::Free(void* block, size_t bytes) noexcept {
    const int size_class = ClassOf(bytes);
    std::lock_guard lock(mutex_);
    Push(block, size_class);
}

void HugePagePool::Push(void* block, int size_class) {
    auto* free_block = static_cast<FreeBlock*>(block);
    free_block->next = free_[size_class];
    free_[size_class] = free_block;
}

// Maps a chunk on a huge page boundary; what the old one has left goes onto
// the lists, largest blocks first, so none of it is lost.
void HugePagePool::NewChunk() {
    chunks_.reserve(chunks_.size() + 1);  // before the mapping, which must not leak
    void* chunk = mapped_detail::MapOnHugePages(kChunkBytes);
    if (chunk == nullptr) throw std::bad_alloc();
    chunks_.push_back(chunk);
    for (int size_class = kClasses - 1; size_class >= 0; --size_class) {
        while (static_cast<size_t>(end_ - next_) >= ClassBytes(size_class)) {
            Push(next_, size_class);
            next_ += ClassBytes(size_class);
        }
    }
    next_ = static_cast<char*>(chunk);
    end_ = next_ + kChunkBytes;
}

}  // namespace msi
