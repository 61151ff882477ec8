// A chain of sectors followed through an allocation table: the FAT for
// regular sectors, the mini FAT for mini sectors. Each table entry holds the
// number of the next sector or a marker from cfb_layout.h.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/status.h"
#include "common/uninitialized_allocator.h"

namespace msi::storage {

class SectorChain {
  public:
    SectorChain() = default;

    // Follows the chain from `start` until it holds `count` sectors. A damaged
    // chain (a sector number outside the table, a marker before the end, a
    // sector visited twice) does not fail the whole chain: the sectors before
    // the damage stay readable and end_status() says what was wrong, so a
    // stream cut by a truncated file still gives its first part. Sectors past
    // `count` are never looked at, so an over-long chain is harmless.
    // `what` names the chain in messages ("stream 'Disk2.CAB'").
    static SectorChain Follow(std::span<const uint32_t> table, uint32_t start, uint64_t count,
                              const std::string& what);

    // Follows the chain from `start` to its kEndOfChain, for structures whose
    // length only the chain knows (the directory, the mini FAT). Any damage
    // fails the whole chain; a loop is found because no sector may repeat.
    static Result<SectorChain> FollowToEnd(std::span<const uint32_t> table, uint32_t start,
                                           const std::string& what);

    // A chain that holds no sectors because of `why`.
    static SectorChain Unusable(Status why);

    std::span<const uint32_t> sectors() const { return sectors_; }
    // Ok when the chain holds every sector asked for.
    const Status& end_status() const { return end_status_; }

    // Splits the byte range [offset, offset + out.size()) of the chain, whose
    // sectors are 1 << shift bytes, into runs of consecutive sector numbers
    // and calls read_run(first_sector, offset_in_that_sector, piece) for each,
    // so a contiguous stream is read with one call however long it is. A range
    // that reaches past the sectors the chain holds gives end_status() (the
    // reason the chain stopped) without reading anything.
    template <class ReadRun>
    Status ForEachRun(unsigned shift, uint64_t offset, std::span<uint8_t> out,
                      ReadRun&& read_run) const;

  private:
    // Sized for the whole chain before it is followed, and then filled: a
    // long one (a stream of hundreds of megabytes) goes on huge pages.
    FilledAtOnceVector<uint32_t> sectors_;
    Status end_status_;
};

template <class ReadRun>
Status SectorChain::ForEachRun(unsigned shift, uint64_t offset, std::span<uint8_t> out,
                               ReadRun&& read_run) const {
    if (out.empty()) return Status::Ok();
    const uint64_t unit = uint64_t(1) << shift;
    const uint64_t held = uint64_t(sectors_.size()) << shift;
    if (offset > held || out.size() > held - offset) {
        return end_status_.ok() ? Status::Corrupt("read past the end of a sector chain")
                                : end_status_;
    }
    size_t index = size_t(offset >> shift);
    uint64_t within = offset & (unit - 1);
    size_t done = 0;
    while (done < out.size()) {
        // Extend the run while the next sector directly follows the last one
        // and the range still needs bytes from it.
        size_t run = 1;
        uint64_t bytes = unit - within;
        while (bytes < out.size() - done && index + run < sectors_.size() &&
               sectors_[index + run] == sectors_[index + run - 1] + 1) {
            ++run;
            bytes += unit;
        }
        const size_t piece = size_t(std::min<uint64_t>(bytes, out.size() - done));
        Status s = read_run(sectors_[index], within, out.subspan(done, piece));
        if (!s.ok()) return s;
        done += piece;
        index += run;
        within = 0;
    }
    return Status::Ok();
}

}  // namespace msi::storage
