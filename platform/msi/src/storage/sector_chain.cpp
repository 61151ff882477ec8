#include "storage/sector_chain.h"

#include "storage/cfb_layout.h"

namespace msi::storage {

namespace {

std::string DescribeMarker(uint32_t sector) {
    switch (sector) {
        case kEndOfChain:
            return "its end marker";
        case kFreeSector:
            return "a free sector";
        case kFatSector:
            return "a FAT sector marker";
        case kDifatSector:
            return "a DIFAT sector marker";
        default:
            return "sector number " + std::to_string(sector);
    }
}

// Why `sector` cannot be the next link of a chain, or Ok.
Status CheckLink(std::span<const uint32_t> table, const std::vector<bool>& visited, uint32_t sector,
                 size_t position, const std::string& what) {
    if (sector > kMaxRegularSector || sector >= table.size()) {
        return Status::Corrupt(what + ": sector chain reaches " + DescribeMarker(sector) +
                               " at link " + std::to_string(position) + " (the table has " +
                               std::to_string(table.size()) + " entries)");
    }
    if (visited[sector]) {
        return Status::Corrupt(what + ": sector chain loops back to sector " +
                               std::to_string(sector));
    }
    return Status::Ok();
}

}  // namespace

SectorChain SectorChain::Follow(std::span<const uint32_t> table, uint32_t start, uint64_t count,
                                const std::string& what) {
    SectorChain chain;
    if (count > table.size()) {
        // A chain cannot be longer than the table without repeating a sector.
        chain.end_status_ =
            Status::Corrupt(what + " needs " + std::to_string(count) +
                            " sectors but the table has only " + std::to_string(table.size()));
        return chain;
    }
    std::vector<bool> visited(table.size());
    chain.sectors_.reserve(size_t(count));
    uint32_t sector = start;
    while (chain.sectors_.size() < count) {
        Status link = CheckLink(table, visited, sector, chain.sectors_.size(), what);
        if (!link.ok()) {
            chain.end_status_ = std::move(link);
            break;
        }
        visited[sector] = true;
        chain.sectors_.push_back(sector);
        sector = table[sector];
    }
    return chain;
}

SectorChain SectorChain::Unusable(Status why) {
    SectorChain chain;
    chain.end_status_ = std::move(why);
    return chain;
}

Result<SectorChain> SectorChain::FollowToEnd(std::span<const uint32_t> table, uint32_t start,
                                             const std::string& what) {
    SectorChain chain;
    std::vector<bool> visited(table.size());
    for (uint32_t sector = start; sector != kEndOfChain; sector = table[sector]) {
        Status link = CheckLink(table, visited, sector, chain.sectors_.size(), what);
        if (!link.ok()) return link;
        visited[sector] = true;
        chain.sectors_.push_back(sector);
    }
    return chain;
}

}  // namespace msi::storage
