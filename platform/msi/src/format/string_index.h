// A hash index from string bytes to string ids, for the string pool.
//
// The index stores only ids and their hashes, never pointers into the pool's
// bytes, so the pool can grow, compact or move its byte buffer (and be copied
// or moved itself) without touching the index. Lookups are handed a function
// that yields an id's bytes. Open addressing with linear probing; at most half
// the buckets are taken (erased ones included), so a probe always ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace msi::format {

class StringIndex {
  public:
    static uint32_t Hash(std::string_view text);

    // The id whose bytes equal `text`, or 0. `text_of(id)` returns an id's bytes.
    template <class TextOf>
    uint32_t Find(std::string_view text, uint32_t hash, const TextOf& text_of) const {
        if (buckets_.empty()) return 0;
        const size_t mask = buckets_.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            const Bucket& b = buckets_[i];
            if (b.id == kEmpty) return 0;
            if (b.id != kErased && b.hash == hash && text_of(b.id) == text) return b.id;
        }
    }

    // Adds an id; the caller has checked that its bytes are not indexed yet.
    void Insert(uint32_t id, uint32_t hash);
    // Removes an id if present.
    void Erase(uint32_t id, uint32_t hash);
    // Makes room for `count` ids without rebuilding on the way.
    void Reserve(size_t count);
    size_t size() const { return live_; }

  private:
    struct Bucket {
        uint32_t id = 0;
        uint32_t hash = 0;
    };
    static constexpr uint32_t kEmpty = 0;  // id 0 is the null string, never indexed
    static constexpr uint32_t kErased = 0xFFFFFFFF;
    static constexpr size_t kMinBuckets = 16;

    void Rebuild(size_t bucket_count);
    void Place(uint32_t id, uint32_t hash);

    std::vector<Bucket> buckets_;  // a power of two in size, or empty
    size_t live_ = 0;
    size_t erased_ = 0;
};

}  // namespace msi::format
