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

}  // namespace

std::vector<uint8_t> BuildScatteredFile(const Clsid& clsid,
                                        const std::vector<ScatteredEntry>& children,
                                        unsigned sector_shift) {
    const size_t sector = size_t{1} << sector_shift;
    const size_t slots = sector / 4;

    std::vector<FlatEntry> flat(1);
    flat[0].entry.name = u"Root Entry";
    flat[0].entry.type = EntryType::kRoot;
    flat[0].entry.clsid = clsid;
    Flatten(children, 0, flat);

    // Small streams share the mini stream, their mini sectors dealt out too.
    std::vector<size_t> small, big;
    for (size_t id = 1; id < flat.size(); ++id) {
        if (!flat[id].bytes || flat[id].bytes->empty()) {
            if (flat[id].bytes) flat[id].entry.start_sector = kEndOfChain;
            continue;
        }
        (flat[id].bytes->size() < kMiniStreamCutoff ? small : big).push_back(id);
    }
    std::vector<size_t> mini_counts;
    for (size_t id : small) mini_counts.push_back(Units(flat[id].bytes->size(), kMiniSectorSize));
    const auto mini_chains = Deal(mini_counts);
    size_t mini_total = 0;
    for (size_t n : mini_counts) mini_total += n;
    std::vector<uint8_t> mini_stream(mini_total * kMiniSectorSize, 0);
    std::vector<uint32_t> mini_fat(Units(mini_total * 4, sector) * slots, kFreeSector);
    for (size_t s = 0; s < small.size(); ++s) {
        const auto& bytes = *flat[small[s]].bytes;
        for (size_t k = 0; k < mini_chains[s].size(); ++k) {
            const size_t from = k * kMiniSectorSize;
            const size_t n = std::min<size_t>(kMiniSectorSize, bytes.size() - from);
            std::copy_n(bytes.begin() + long(from), n,
                        mini_stream.begin() + long(mini_chains[s][k] * kMiniSectorSize));
        }
        Link(mini_chains[s], mini_fat);
        flat[small[s]].entry.start_sector = mini_chains[s].front();
    }

    // The regular chains: big streams, the mini stream, the mini FAT, the directory.
    std::vector<std::vector<uint8_t>> contents;
    for (size_t id : big) contents.push_back(*flat[id].bytes);
    const size_t mini_stream_chain = contents.size();
    contents.push_back(mini_stream);
    const size_t mini_fat_chain = contents.size();
    contents.emplace_back();
    if (mini_total > 0)
        for (uint32_t v : mini_fat) PutU32(contents.back(), v);
    const size_t directory_chain = contents.size();
    const size_t directory_bytes = Units(flat.size() * kDirectoryEntrySize, sector) * sector;
    contents.emplace_back(directory_bytes, 0);
    std::vector<size_t> counts;
    for (const auto& c : contents) counts.push_back(Units(c.size(), sector));
    const auto chains = Deal(counts);
    for (size_t b = 0; b < big.size(); ++b) flat[big[b]].entry.start_sector = chains[b].front();
    const bool has_mini = mini_total > 0;
    flat[0].entry.start_sector = has_mini ? chains[mini_stream_chain].front() : kEndOfChain;
    flat[0].entry.size = mini_stream.size();
    for (size_t id = 0; id < flat.size(); ++id)
        flat[id].entry.EncodeTo(std::span<uint8_t>(contents[directory_chain])
                                    .subspan(id * kDirectoryEntrySize, kDirectoryEntrySize));
    for (size_t id = flat.size(); id < directory_bytes / kDirectoryEntrySize; ++id)
        DirectoryEntry{}.EncodeTo(std::span<uint8_t>(contents[directory_chain])
                                      .subspan(id * kDirectoryEntrySize, kDirectoryEntrySize));

    // FAT sectors at the end, in falling order, behind the DIFAT sectors.
    size_t data = 0;
    for (size_t n : counts) data += n;
    size_t fat_count = 1, difat_count = 0;
    for (;;) {
        const size_t need = Units(data + fat_count + difat_count, slots);
        const size_t need_difat =
            need > kHeaderDifatSlots ? Units(need - kHeaderDifatSlots, slots - 1) : 0;
        if (need == fat_count && need_difat == difat_count) break;
        fat_count = need;
        difat_count = need_difat;
    }
    const size_t total = data + difat_count + fat_count;
    std::vector<uint32_t> fat_sectors(fat_count);
    for (size_t j = 0; j < fat_count; ++j) fat_sectors[j] = uint32_t(total - 1 - j);
    std::vector<uint32_t> fat(fat_count * slots, kFreeSector);
    for (const auto& chain : chains) Link(chain, fat);
    for (uint32_t s : fat_sectors) fat[s] = kFatSector;
    for (size_t j = 0; j < difat_count; ++j) fat[data + j] = kDifatSector;

    CfbHeader header;
    header.major_version = sector_shift == kSectorShiftV4 ? 4 : 3;
    header.sector_shift = uint16_t(sector_shift);
    header.directory_sector_count =
        header.major_version == 4 ? uint32_t(counts[directory_chain]) : 0;
    header.fat_sector_count = uint32_t(fat_count);
    header.first_directory_sector = chains[directory_chain].front();
    header.first_mini_fat_sector = has_mini ? chains[mini_fat_chain].front() : kEndOfChain;
    header.mini_fat_sector_count = has_mini ? uint32_t(counts[mini_fat_chain]) : 0;
    header.first_difat_sector = difat_count > 0 ? uint32_t(data) : kEndOfChain;
    header.difat_sector_count = uint32_t(difat_count);
    for (size_t j = 0; j < std::min(fat_count, kHeaderDifatSlots); ++j)
        header.difat[j] = fat_sectors[j];

    std::vector<uint8_t> file(sector * (total + 1), 0);
    const auto encoded = header.Encode();
    std::copy(encoded.begin(), encoded.end(), file.begin());
    auto at = [&](size_t s) { return file.begin() + long((s + 1) * sector); };
    for (size_t c = 0; c < chains.size(); ++c)
        for (size_t k = 0; k < chains[c].size(); ++k) {
            const size_t from = k * sector;
            const size_t n = std::min(sector, contents[c].size() - from);
            std::copy_n(contents[c].begin() + long(from), n, at(chains[c][k]));
        }
    for (size_t j = 0; j < difat_count; ++j) {
        std::vector<uint8_t> bytes;
        for (size_t i = 0; i < slots - 1; ++i) {
            const size_t f = kHeaderDifatSlots + j * (slots - 1) + i;
            PutU32(bytes, f < fat_count ? fat_sectors[f] : kFreeSector);
        }
        PutU32(bytes, j + 1 < difat_count ? uint32_t(data + j + 1) : kEndOfChain);
        std::copy(bytes.begin(), bytes.end(), at(data + j));
    }
    for (size_t j = 0; j < fat_count; ++j) {
        std::vector<uint8_t> bytes;
        for (size_t i = 0; i < slots; ++i) PutU32(bytes, fat[j * slots + i]);
        std::copy(bytes.begin(), bytes.end(), at(fat_sectors[j]));
    }
    return file;
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
