#include "storage/write_plan.h"

#include "storage/directory_entry.h"

namespace msi::storage {

namespace {

uint64_t CeilDiv(uint64_t a, uint64_t b) {
    return (a + b - 1) / b;
}

// Links `count` sectors from `first` on into one chain.
void Chain(std::vector<uint32_t>& table, uint32_t first, uint64_t count) {
    for (uint64_t i = 0; i < count; ++i) {
        table[first + i] = i + 1 < count ? uint32_t(first + i + 1) : kEndOfChain;
    }
}

constexpr size_t kSlotsPerDifatSector = WritePlan::kEntriesPerSector - 1;

}  // namespace

Result<WritePlan> WritePlan::Make(size_t entry_count, std::span<const uint64_t> stream_sizes) {
    WritePlan plan;
    plan.stream_sizes_.assign(stream_sizes.begin(), stream_sizes.end());
    plan.stream_start_.assign(stream_sizes.size(), kEndOfChain);

    // Sector counts are summed in 64 bits and checked once at the end, so no
    // sum can wrap before the check.
    uint64_t mini_sectors = 0;
    uint64_t data_sectors = 0;
    for (uint64_t size : stream_sizes) {
        // Version 3 directory entries keep only 32 bits of a stream's size.
        if (size > 0xFFFFFFFFu) {
            return Status::InvalidArgument("stream of " + std::to_string(size) +
                                           " bytes does not fit a version 3 file");
        }
        if (size < kMiniStreamCutoff) {
            mini_sectors += CeilDiv(size, kMiniSectorSize);
        } else {
            data_sectors += CeilDiv(size, kSectorSize);
        }
    }
    const uint64_t directory = CeilDiv(entry_count * kDirectoryEntrySize, kSectorSize);
    const uint64_t mini_fat = CeilDiv(mini_sectors, kEntriesPerSector);
    const uint64_t mini_stream = CeilDiv(mini_sectors * kMiniSectorSize, kSectorSize);
    const uint64_t payload = directory + mini_fat + mini_stream + data_sectors;

    // The FAT must also describe its own sectors and the DIFAT's, so grow the
    // counts until they cover everything; they only ever grow, so this stops.
    uint64_t fat = 0, difat = 0;
    for (;;) {
        const uint64_t total = payload + fat + difat;
        const uint64_t need_fat = CeilDiv(total, kEntriesPerSector);
        const uint64_t need_difat =
            need_fat > kHeaderDifatSlots
                ? CeilDiv(need_fat - kHeaderDifatSlots, kSlotsPerDifatSector)
                : 0;
        if (need_fat == fat && need_difat == difat) break;
        fat = need_fat;
        difat = need_difat;
    }
    const uint64_t total = payload + fat + difat;
    if (total > kMaxRegularSector || mini_sectors > kMaxRegularSector) {
        return Status::InvalidArgument("content of " + std::to_string(total) +
                                       " sectors is too large for a compound file");
    }

    plan.fat_sectors_ = uint32_t(fat);
    plan.difat_sectors_ = uint32_t(difat);
    plan.directory_sectors_ = uint32_t(directory);
    plan.mini_fat_sectors_ = uint32_t(mini_fat);
    plan.mini_stream_sectors_ = uint32_t(mini_stream);
    plan.mini_sector_count_ = uint32_t(mini_sectors);
    plan.first_difat_ = uint32_t(fat);
    plan.first_directory_ = uint32_t(fat + difat);
    plan.first_mini_fat_ = plan.first_directory_ + plan.directory_sectors_;
    plan.first_mini_stream_ = plan.first_mini_fat_ + plan.mini_fat_sectors_;
    plan.first_data_ = plan.first_mini_stream_ + plan.mini_stream_sectors_;
    plan.total_sectors_ = uint32_t(total);

    uint32_t next_mini = 0;
    uint32_t next_data = plan.first_data_;
    for (size_t i = 0; i < stream_sizes.size(); ++i) {
        const uint64_t size = stream_sizes[i];
        if (size == 0) continue;
        if (size < kMiniStreamCutoff) {
            plan.stream_start_[i] = next_mini;
            next_mini += uint32_t(CeilDiv(size, kMiniSectorSize));
        } else {
            plan.stream_start_[i] = next_data;
            next_data += uint32_t(CeilDiv(size, kSectorSize));
        }
    }
    return plan;
}

CfbHeader WritePlan::Header() const {
    CfbHeader h;
    h.major_version = 3;
    h.sector_shift = kSectorShiftV3;
    h.directory_sector_count = 0;  // always zero in version 3
    h.fat_sector_count = fat_sectors_;
    h.first_directory_sector = first_directory_;
    h.first_mini_fat_sector = mini_fat_sectors_ ? first_mini_fat_ : kEndOfChain;
    h.mini_fat_sector_count = mini_fat_sectors_;
    h.first_difat_sector = difat_sectors_ ? first_difat_ : kEndOfChain;
    h.difat_sector_count = difat_sectors_;
    for (uint32_t i = 0; i < fat_sectors_ && i < kHeaderDifatSlots; ++i) h.difat[i] = i;
    return h;
}

std::vector<uint32_t> WritePlan::Fat() const {
    std::vector<uint32_t> fat(size_t(fat_sectors_) * kEntriesPerSector, kFreeSector);
    for (uint32_t i = 0; i < fat_sectors_; ++i) fat[i] = kFatSector;
    for (uint32_t i = 0; i < difat_sectors_; ++i) fat[first_difat_ + i] = kDifatSector;
    Chain(fat, first_directory_, directory_sectors_);
    Chain(fat, first_mini_fat_, mini_fat_sectors_);
    Chain(fat, first_mini_stream_, mini_stream_sectors_);
    for (size_t i = 0; i < stream_sizes_.size(); ++i) {
        if (stream_sizes_[i] >= kMiniStreamCutoff) {
            Chain(fat, stream_start_[i], CeilDiv(stream_sizes_[i], kSectorSize));
        }
    }
    return fat;
}

std::vector<uint32_t> WritePlan::DifatSectors() const {
    std::vector<uint32_t> difat(size_t(difat_sectors_) * kEntriesPerSector, kFreeSector);
    for (uint32_t fat = kHeaderDifatSlots; fat < fat_sectors_; ++fat) {
        const size_t slot = fat - kHeaderDifatSlots;
        difat[(slot / kSlotsPerDifatSector) * kEntriesPerSector + slot % kSlotsPerDifatSector] =
            fat;
    }
    // The last slot of each DIFAT sector links to the next one.
    for (uint32_t d = 0; d < difat_sectors_; ++d) {
        difat[d * kEntriesPerSector + kSlotsPerDifatSector] =
            d + 1 < difat_sectors_ ? first_difat_ + d + 1 : kEndOfChain;
    }
    return difat;
}

std::vector<uint32_t> WritePlan::MiniFat() const {
    std::vector<uint32_t> mini_fat(size_t(mini_fat_sectors_) * kEntriesPerSector, kFreeSector);
    for (size_t i = 0; i < stream_sizes_.size(); ++i) {
        if (stream_sizes_[i] > 0 && stream_sizes_[i] < kMiniStreamCutoff) {
            Chain(mini_fat, stream_start_[i], CeilDiv(stream_sizes_[i], kMiniSectorSize));
        }
    }
    return mini_fat;
}

}  // namespace msi::storage
