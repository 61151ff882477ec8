#include "storage/scattered_file.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "storage/cfb_header.h"
#include "storage/compound_file.h"
#include "storage/stream_reader.h"

namespace msi::storage::test {
namespace {

struct FlatEntry {
    DirectoryEntry entry;
    const std::vector<uint8_t>* bytes = nullptr;  // streams
};

char16_t UpperAscii(char16_t unit) {
    return unit >= u'a' && unit <= u'z' ? char16_t(unit - 0x20) : unit;
}

// Sibling order: shorter names first, then by upper-cased code units (the
// names used here have no case beyond ASCII).
bool SiblingLess(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) return a.size() < b.size();
    for (size_t i = 0; i < a.size(); ++i)
        if (UpperAscii(a[i]) != UpperAscii(b[i])) return UpperAscii(a[i]) < UpperAscii(b[i]);
    return false;
}

// Gives each child an id in sibling order; the sibling tree is a chain of
// right links from the smallest name, a valid (if unbalanced) search tree.
void Flatten(const std::vector<ScatteredEntry>& children, uint32_t parent,
             std::vector<FlatEntry>& flat) {
    std::vector<const ScatteredEntry*> sorted;
    for (const ScatteredEntry& child : children) sorted.push_back(&child);
    std::sort(sorted.begin(), sorted.end(), [](const ScatteredEntry* a, const ScatteredEntry* b) {
        return SiblingLess(a->name, b->name);
    });
    const auto first = static_cast<uint32_t>(flat.size());
    for (size_t i = 0; i < sorted.size(); ++i) {
        FlatEntry e;
        e.entry.name = sorted[i]->name;
        e.entry.type = sorted[i]->storage ? EntryType::kStorage : EntryType::kStream;
        e.entry.clsid = sorted[i]->clsid;
        e.entry.right = i + 1 < sorted.size() ? first + uint32_t(i) + 1 : kNoStream;
        e.entry.size = sorted[i]->storage ? 0 : sorted[i]->bytes.size();
        e.bytes = sorted[i]->storage ? nullptr : &sorted[i]->bytes;
        flat.push_back(e);
    }
    if (!sorted.empty()) flat[parent].entry.child = first;
    for (size_t i = 0; i < sorted.size(); ++i)
        if (sorted[i]->storage) Flatten(sorted[i]->children, first + uint32_t(i), flat);
}

// Deals out `counts[c]` units to each chain c, a block of one to three at a
// time in turn, numbering them from `next` on; every other chain gets its
// numbers from high to low.
std::vector<std::vector<uint32_t>> Deal(const std::vector<size_t>& counts, uint32_t next = 0) {
    std::vector<std::vector<uint32_t>> dealt(counts.size());
    size_t turn = 0;
    for (bool left = true; left;) {
        left = false;
        for (size_t c = 0; c < counts.size(); ++c) {
            const size_t block = 1 + turn++ % 3;
            for (size_t k = 0; k < block && dealt[c].size() < counts[c]; ++k)
                dealt[c].push_back(next++);
            left = left || dealt[c].size() < counts[c];
        }
    }
    for (size_t c = 1; c < dealt.size(); c += 2) std::reverse(dealt[c].begin(), dealt[c].end());
    return dealt;
}

size_t Units(size_t bytes, size_t unit) {
    return (bytes + unit - 1) / unit;
}

// One table of next-unit numbers from the chains: each unit points at the
// chain's next, the last at kEndOfChain.
void Link(const std::vector<uint32_t>& chain, std::vector<uint32_t>& table) {
    for (size_t k = 0; k < chain.size(); ++k)
        table[chain[k]] = k + 1 < chain.size() ? chain[k + 1] : kEndOfChain;
}

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(value >> (8 * i)));
}

// The entries of the file in directory order: the root, then each storage's
// children in sibling order.
std::vector<FlatEntry> FlattenTree(const Clsid& clsid,
                                   const std::vector<ScatteredEntry>& children) {
    std::vector<FlatEntry> flat(1);
    flat[0].entry.name = u"Root Entry";
    flat[0].entry.type = EntryType::kRoot;
    flat[0].entry.clsid = clsid;
    Flatten(children, 0, flat);
    return flat;
}

// The small streams' home: their mini sectors, dealt out, and the mini FAT
// that chains them.
struct MiniStream {
    std::vector<uint8_t> bytes;
    std::vector<uint32_t> fat;  // in whole sectors' worth of entries
    size_t sectors = 0;         // mini sectors in use
};

// Places the streams under the cutoff in the mini stream (setting their
// start) and returns the ids of the others that have content; an empty
// stream starts nowhere.
MiniStream PlaceSmallStreams(std::vector<FlatEntry>& flat, size_t sector,
                             std::vector<size_t>& big) {
    std::vector<size_t> small;
    for (size_t id = 1; id < flat.size(); ++id) {
        if (!flat[id].bytes || flat[id].bytes->empty()) {
            if (flat[id].bytes) flat[id].entry.start_sector = kEndOfChain;
            continue;
        }
        (flat[id].bytes->size() < kMiniStreamCutoff ? small : big).push_back(id);
    }
    std::vector<size_t> counts;
    for (size_t id : small) counts.push_back(Units(flat[id].bytes->size(), kMiniSectorSize));
    const auto chains = Deal(counts);
    MiniStream mini;
    for (size_t n : counts) mini.sectors += n;
    mini.bytes.assign(mini.sectors * kMiniSectorSize, 0);
    mini.fat.assign(Units(mini.sectors * 4, sector) * (sector / 4), kFreeSector);
    for (size_t s = 0; s < small.size(); ++s) {
        const auto& bytes = *flat[small[s]].bytes;
        for (size_t k = 0; k < chains[s].size(); ++k) {
            const size_t from = k * kMiniSectorSize;
            const size_t n = std::min<size_t>(kMiniSectorSize, bytes.size() - from);
            std::copy_n(bytes.begin() + long(from), n,
                        mini.bytes.begin() + long(chains[s][k] * kMiniSectorSize));
        }
        Link(chains[s], mini.fat);
        flat[small[s]].entry.start_sector = chains[s].front();
    }
    return mini;
}

// The regular chains with their contents, dealt out over the data sectors:
// the big streams first, then the mini stream, the mini FAT and the
// directory.
struct Chains {
    std::vector<std::vector<uint8_t>> contents;
    std::vector<std::vector<uint32_t>> sectors;           // each chain's sectors, in order
    std::vector<size_t> counts;                           // each chain's sector count
    size_t mini_stream = 0, mini_fat = 0, directory = 0;  // their chains' indexes
    bool has_mini = false;

    size_t DataSectors() const {
        size_t data = 0;
        for (size_t n : counts) data += n;
        return data;
    }
};

// Deals out the chains and fills in the entries' starts and the directory.
Chains PlaceChains(std::vector<FlatEntry>& flat, const std::vector<size_t>& big,
                   const MiniStream& mini, size_t sector) {
    Chains chains;
    auto& contents = chains.contents;
    for (size_t id : big) contents.push_back(*flat[id].bytes);
    chains.mini_stream = contents.size();
    contents.push_back(mini.bytes);
    chains.mini_fat = contents.size();
    contents.emplace_back();
    chains.has_mini = mini.sectors > 0;
    if (chains.has_mini)
        for (uint32_t v : mini.fat) PutU32(contents.back(), v);
    chains.directory = contents.size();
    const size_t directory_bytes = Units(flat.size() * kDirectoryEntrySize, sector) * sector;
    contents.emplace_back(directory_bytes, 0);
    for (const auto& c : contents) chains.counts.push_back(Units(c.size(), sector));
    chains.sectors = Deal(chains.counts);

    for (size_t b = 0; b < big.size(); ++b)
        flat[big[b]].entry.start_sector = chains.sectors[b].front();
    flat[0].entry.start_sector =
        chains.has_mini ? chains.sectors[chains.mini_stream].front() : kEndOfChain;
    flat[0].entry.size = mini.bytes.size();
    const std::span<uint8_t> directory(contents[chains.directory]);
    for (size_t id = 0; id < directory_bytes / kDirectoryEntrySize; ++id) {
        const DirectoryEntry& entry = id < flat.size() ? flat[id].entry : DirectoryEntry{};
        entry.EncodeTo(directory.subspan(id * kDirectoryEntrySize, kDirectoryEntrySize));
    }
    return chains;
}

// The FAT sectors, at the end of the file in falling order, behind the
// DIFAT sectors that follow the data.
struct FatPlan {
    size_t data = 0;  // data sectors; the DIFAT sectors start here
    size_t difat_count = 0;
    std::vector<uint32_t> fat_sectors;
    std::vector<uint32_t> fat;

    size_t Total() const { return data + difat_count + fat_sectors.size(); }
};

// As many FAT and DIFAT sectors as the file needs, counting themselves, and
// the FAT that links every chain.
FatPlan PlanFat(const Chains& chains, size_t slots) {
    FatPlan plan;
    plan.data = chains.DataSectors();
    size_t fat_count = 1;
    for (;;) {
        const size_t need = Units(plan.data + fat_count + plan.difat_count, slots);
        const size_t need_difat =
            need > kHeaderDifatSlots ? Units(need - kHeaderDifatSlots, slots - 1) : 0;
        if (need == fat_count && need_difat == plan.difat_count) break;
        fat_count = need;
        plan.difat_count = need_difat;
    }
    const size_t total = plan.data + plan.difat_count + fat_count;
    for (size_t j = 0; j < fat_count; ++j) plan.fat_sectors.push_back(uint32_t(total - 1 - j));
    plan.fat.assign(fat_count * slots, kFreeSector);
    for (const auto& chain : chains.sectors) Link(chain, plan.fat);
    for (uint32_t s : plan.fat_sectors) plan.fat[s] = kFatSector;
    for (size_t j = 0; j < plan.difat_count; ++j) plan.fat[plan.data + j] = kDifatSector;
    return plan;
}

CfbHeader MakeHeader(const Chains& chains, const FatPlan& plan, unsigned sector_shift) {
    CfbHeader header;
    header.major_version = sector_shift == kSectorShiftV4 ? 4 : 3;
    header.sector_shift = uint16_t(sector_shift);
    header.directory_sector_count =
        header.major_version == 4 ? uint32_t(chains.counts[chains.directory]) : 0;
    header.fat_sector_count = uint32_t(plan.fat_sectors.size());
    header.first_directory_sector = chains.sectors[chains.directory].front();
    header.first_mini_fat_sector =
        chains.has_mini ? chains.sectors[chains.mini_fat].front() : kEndOfChain;
    header.mini_fat_sector_count = chains.has_mini ? uint32_t(chains.counts[chains.mini_fat]) : 0;
    header.first_difat_sector = plan.difat_count > 0 ? uint32_t(plan.data) : kEndOfChain;
    header.difat_sector_count = uint32_t(plan.difat_count);
    for (size_t j = 0; j < std::min(plan.fat_sectors.size(), kHeaderDifatSlots); ++j)
        header.difat[j] = plan.fat_sectors[j];
    return header;
}

// The header, then every chain, DIFAT and FAT sector where it was placed.
std::vector<uint8_t> WriteFile(const Chains& chains, const FatPlan& plan, unsigned sector_shift) {
    const size_t sector = size_t{1} << sector_shift;
    const size_t slots = sector / 4;
    std::vector<uint8_t> file(sector * (plan.Total() + 1), 0);
    const auto encoded = MakeHeader(chains, plan, sector_shift).Encode();
    std::copy(encoded.begin(), encoded.end(), file.begin());
    auto at = [&](size_t s) { return file.begin() + long((s + 1) * sector); };
    for (size_t c = 0; c < chains.sectors.size(); ++c)
        for (size_t k = 0; k < chains.sectors[c].size(); ++k) {
            const size_t from = k * sector;
            const size_t n = std::min(sector, chains.contents[c].size() - from);
            std::copy_n(chains.contents[c].begin() + long(from), n, at(chains.sectors[c][k]));
        }
    const size_t fat_count = plan.fat_sectors.size();
    for (size_t j = 0; j < plan.difat_count; ++j) {
        std::vector<uint8_t> bytes;
        for (size_t i = 0; i < slots - 1; ++i) {
            const size_t f = kHeaderDifatSlots + j * (slots - 1) + i;
            PutU32(bytes, f < fat_count ? plan.fat_sectors[f] : kFreeSector);
        }
        PutU32(bytes, j + 1 < plan.difat_count ? uint32_t(plan.data + j + 1) : kEndOfChain);
        std::copy(bytes.begin(), bytes.end(), at(plan.data + j));
    }
    for (size_t j = 0; j < fat_count; ++j) {
        std::vector<uint8_t> bytes;
        for (size_t i = 0; i < slots; ++i) PutU32(bytes, plan.fat[j * slots + i]);
        std::copy(bytes.begin(), bytes.end(), at(plan.fat_sectors[j]));
    }
    return file;
}

}  // namespace

std::vector<uint8_t> BuildScatteredFile(const Clsid& clsid,
                                        const std::vector<ScatteredEntry>& children,
                                        unsigned sector_shift) {
    const size_t sector = size_t{1} << sector_shift;
    std::vector<FlatEntry> flat = FlattenTree(clsid, children);
    std::vector<size_t> big;
    const MiniStream mini = PlaceSmallStreams(flat, sector, big);
    const Chains chains = PlaceChains(flat, big, mini, sector);
    return WriteFile(chains, PlanFat(chains, sector / 4), sector_shift);
}

std::vector<ScatteredEntry> ReadTree(const CompoundFile& file, EntryId storage) {
    std::vector<ScatteredEntry> entries;
    for (EntryId id : file.Children(storage)) {
        const DirectoryEntry& e = file.entry(id);
        ScatteredEntry copy;
        copy.name = e.name;
        copy.storage = e.is_storage();
        copy.clsid = e.clsid;
        if (copy.storage) {
            copy.children = ReadTree(file, id);
        } else {
            auto reader = file.OpenStream(id);
            EXPECT_TRUE(reader.ok());
            if (!reader.ok()) continue;
            auto bytes = reader->ReadAll();
            EXPECT_TRUE(bytes.ok()) << bytes.status().ToString();
            if (bytes.ok()) copy.bytes = std::move(bytes).value();
        }
        entries.push_back(std::move(copy));
    }
    return entries;
}

}  // namespace msi::storage::test
