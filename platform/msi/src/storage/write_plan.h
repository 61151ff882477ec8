// Where everything goes in a version 3 file the writer makes. The sectors
// follow the header in this order, each part contiguous:
//
//   FAT | DIFAT (only past 109 FAT sectors) | directory | mini FAT |
//   mini stream | each stream of kMiniStreamCutoff bytes or more, in turn
//
// Streams below the cutoff are packed, in turn, into the mini stream. With
// every chain contiguous a reader fetches each stream with one read.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "common/status.h"
#include "storage/cfb_header.h"

namespace msi::storage {

class WritePlan {
  public:
    // `stream_sizes` in the order the streams will be written.
    static Result<WritePlan> Make(size_t entry_count, std::span<const uint64_t> stream_sizes);

    static constexpr uint32_t kSectorSize = 1u << kSectorShiftV3;
    static constexpr size_t kEntriesPerSector = kSectorSize / kSectorNumberSize;

    // The start sector (or mini sector) a stream's directory entry records;
    // kEndOfChain for an empty stream.
    uint32_t stream_start(size_t i) const { return stream_start_[i]; }
    bool in_mini_stream(size_t i) const { return stream_sizes_[i] < kMiniStreamCutoff; }
    uint32_t mini_stream_start() const {
        return mini_stream_sectors_ ? first_mini_stream_ : kEndOfChain;
    }
    uint64_t mini_stream_size() const { return uint64_t(mini_sector_count_) * kMiniSectorSize; }
    uint32_t directory_sectors() const { return directory_sectors_; }
    uint64_t file_size() const { return (uint64_t(total_sectors_) + 1) * kSectorSize; }

    CfbHeader Header() const;
    // The FAT, fat_sectors * 128 entries; the DIFAT sectors' contents; the
    // mini FAT, mini_fat_sectors * 128 entries.
    std::vector<uint32_t> Fat() const;
    std::vector<uint32_t> DifatSectors() const;
    std::vector<uint32_t> MiniFat() const;

  private:
    std::vector<uint64_t> stream_sizes_;
    std::vector<uint32_t> stream_start_;
    uint32_t fat_sectors_ = 0;
    uint32_t difat_sectors_ = 0;
    uint32_t directory_sectors_ = 0;
    uint32_t mini_fat_sectors_ = 0;
    uint32_t mini_stream_sectors_ = 0;
    uint32_t mini_sector_count_ = 0;
    uint32_t first_difat_ = 0;
    uint32_t first_directory_ = 0;
    uint32_t first_mini_fat_ = 0;
    uint32_t first_mini_stream_ = 0;
    uint32_t first_data_ = 0;
    uint32_t total_sectors_ = 0;
};

}  // namespace msi::storage
