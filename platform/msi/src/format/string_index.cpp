#include "format/string_index.h"

#include <algorithm>
#include <bit>
#include <functional>

namespace msi::format {

uint32_t StringIndex::Hash(std::string_view text) {
    const size_t h = std::hash<std::string_view>{}(text);
    return uint32_t(h ^ (uint64_t(h) >> 32));
}

void StringIndex::Insert(uint32_t id, uint32_t hash) {
    // Keep taken buckets (live and erased) at or below half, so probes stay
    // short and always reach an empty bucket.
    if ((live_ + erased_ + 1) * 2 > buckets_.size()) Reserve(live_ + 1);
    Place(id, hash);
    ++live_;
}

void StringIndex::Erase(uint32_t id, uint32_t hash) {
    if (buckets_.empty()) return;
    const size_t mask = buckets_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        Bucket& b = buckets_[i];
        if (b.id == kEmpty) return;
        if (b.id == id) {
            // A tombstone, not an empty bucket: later ids of the same probe
            // run must stay reachable.
            b.id = kErased;
            --live_;
            ++erased_;
            return;
        }
    }
}

void StringIndex::Reserve(size_t count) {
    const size_t wanted = std::bit_ceil(std::max(kMinBuckets, count * 2 + 2));
    if (wanted > buckets_.size() || erased_ > 0) Rebuild(std::max(wanted, buckets_.size()));
}

void StringIndex::Rebuild(size_t bucket_count) {
    std::vector<Bucket> old = std::move(buckets_);
    buckets_.assign(bucket_count, Bucket{});
    erased_ = 0;
    for (const Bucket& b : old) {
        if (b.id != kEmpty && b.id != kErased) Place(b.id, b.hash);
    }
}

void StringIndex::Place(uint32_t id, uint32_t hash) {
    const size_t mask = buckets_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        Bucket& b = buckets_[i];
        if (b.id == kEmpty || b.id == kErased) {
            if (b.id == kErased) --erased_;
            b = Bucket{id, hash};
            return;
        }
    }
}

}  // namespace msi::format
