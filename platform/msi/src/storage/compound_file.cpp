#include "storage/compound_file.h"

#include <algorithm>
#include <bit>

#include "storage/entry_name.h"
#include "storage/stream_reader.h"

namespace msi::storage {

namespace {

std::string Describe(const DirectoryEntry& e) {
    return (e.is_stream() ? "stream '" : "storage '") + NameForMessage(e.name) + "'";
}

}  // namespace

Result<std::unique_ptr<CompoundFile>> CompoundFile::Open(const std::string& path) {
    return Open(Folder(), path);
}

Result<std::unique_ptr<CompoundFile>> CompoundFile::Open(const Folder& folder,
                                                         const std::string& path) {
    auto file = RandomAccessFile::Open(folder, path);
    if (!file.ok()) return file.status();
    std::unique_ptr<CompoundFile> cf(new CompoundFile(std::move(file).value()));

    std::vector<uint8_t> header_bytes(size_t(std::min<uint64_t>(cf->file_size(), kHeaderSize)));
    Status s = cf->file_->ReadAt(0, header_bytes);
    if (!s.ok()) return s;
    auto header = CfbHeader::Decode(header_bytes);
    if (!header.ok()) return header.status();
    cf->header_ = header.value();
    const uint64_t sector_size = cf->sector_size();
    // Sector n starts at (n + 1) * sector_size; a sector that starts before
    // the end of the file may still be cut short by it.
    cf->sectors_in_file_ = cf->file_size() > sector_size ? (cf->file_size() - 1) / sector_size : 0;

    if (!(s = cf->LoadFat()).ok()) return s;
    if (!(s = cf->LoadDirectory()).ok()) return s;
    if (!(s = cf->LoadMiniFat()).ok()) return s;
    if (!(s = cf->BuildTree()).ok()) return s;

    // The mini stream is only followed here, not read; should its chain be
    // damaged, the streams inside it report that when they are read.
    const DirectoryEntry& root = cf->entries_[kRootId];
    if (root.size > cf->file_size()) {
        cf->mini_stream_ = SectorChain::Unusable(Status::Corrupt(
            "the mini stream claims " + std::to_string(root.size) + " bytes, more than the file"));
    } else {
        const uint64_t mini_sectors = (root.size + sector_size - 1) / sector_size;
        cf->mini_stream_ =
            SectorChain::Follow(cf->fat_, root.start_sector, mini_sectors, "mini stream");
    }
    return cf;
}

// The FAT sectors are listed by the header's 109 slots and then by the DIFAT
// chain, whose sectors each hold sector_size/4 - 1 numbers and, last, the
// number of the next DIFAT sector.
Status CompoundFile::LoadFat() {
    const uint32_t fat_sectors = header_.fat_sector_count;
    // Every FAT sector lies in the file, so the count is bounded by the file
    // size before anything is allocated for it.
    if (fat_sectors == 0 || fat_sectors > sectors_in_file_) {
        return Status::Corrupt("header claims " + std::to_string(fat_sectors) +
                               " FAT sectors, the file holds " + std::to_string(sectors_in_file_) +
                               " sectors");
    }
    std::vector<uint32_t> fat_sector_ids;
    fat_sector_ids.reserve(fat_sectors);
    for (size_t i = 0; i < kHeaderDifatSlots && fat_sector_ids.size() < fat_sectors; ++i) {
        fat_sector_ids.push_back(header_.difat[i]);
    }
    const size_t per_difat_sector = sector_size() / kSectorNumberSize - 1;
    std::vector<uint8_t> buffer(sector_size());
    std::vector<bool> seen_difat(sectors_in_file_);
    uint32_t difat_sector = header_.first_difat_sector;
    while (fat_sector_ids.size() < fat_sectors) {
        if (difat_sector >= sectors_in_file_) {
            const std::string listed = " after listing " + std::to_string(fat_sector_ids.size()) +
                                       " of " + std::to_string(fat_sectors) + " FAT sectors";
            if (difat_sector > kMaxRegularSector) {
                return Status::Corrupt("DIFAT chain ends" + listed);
            }
            return Status::Corrupt("DIFAT chain reaches sector " + std::to_string(difat_sector) +
                                   ", outside the file," + listed);
        }
        if (seen_difat[difat_sector]) {
            return Status::Corrupt("DIFAT chain loops back to sector " +
                                   std::to_string(difat_sector));
        }
        seen_difat[difat_sector] = true;
        Status s = ReadSectorRun(difat_sector, 0, buffer);
        if (!s.ok()) return Status::Corrupt("DIFAT: " + s.message());
        for (size_t i = 0; i < per_difat_sector && fat_sector_ids.size() < fat_sectors; ++i) {
            fat_sector_ids.push_back(LoadU32(buffer.data() + i * kSectorNumberSize));
        }
        difat_sector = LoadU32(buffer.data() + per_difat_sector * kSectorNumberSize);
    }

    const size_t per_fat_sector = sector_size() / kSectorNumberSize;
    for (size_t i = 0; i < fat_sector_ids.size(); ++i) {
        if (fat_sector_ids[i] >= sectors_in_file_) {
            return Status::Corrupt("FAT sector " + std::to_string(i) + " is listed as sector " +
                                   std::to_string(fat_sector_ids[i]) + ", outside the file's " +
                                   std::to_string(sectors_in_file_) + " sectors");
        }
    }
    // FAT sectors that follow each other in the file are read with one call,
    // straight into the table: writers mostly put them together, and a large
    // package has thousands.
    fat_.resize(size_t(fat_sectors) * per_fat_sector);
    auto* fat_bytes = reinterpret_cast<uint8_t*>(fat_.data());
    for (size_t i = 0, run = 1; i < fat_sector_ids.size(); i += run) {
        run = 1;
        while (i + run < fat_sector_ids.size() &&
               fat_sector_ids[i + run] == fat_sector_ids[i] + run)
            ++run;
        const std::span<uint8_t> out(fat_bytes + i * sector_size(), run * sector_size());
        Status s = ReadSectorRun(fat_sector_ids[i], 0, out);
        if (!s.ok()) return Status::Corrupt("FAT: " + s.message());
    }
    if constexpr (std::endian::native != std::endian::little) {
        for (uint32_t& entry : fat_) entry = LoadU32(reinterpret_cast<const uint8_t*>(&entry));
    }
    return Status::Ok();
}

Status CompoundFile::LoadDirectory() {
    auto chain = SectorChain::FollowToEnd(fat_, header_.first_directory_sector, "directory");
    if (!chain.ok()) return chain.status();
    if (chain->sectors().empty()) return Status::Corrupt("the directory is empty");
    std::vector<uint8_t> bytes;
    Status s = ReadChain(chain.value(), bytes);
    if (!s.ok()) return Status::Corrupt("directory: " + s.message());

    const size_t count = bytes.size() / kDirectoryEntrySize;
    entries_.resize(count);
    entry_errors_.resize(count);
    for (size_t i = 0; i < count; ++i) {
        auto entry = DirectoryEntry::Decode(
            std::span<const uint8_t>(bytes).subspan(i * kDirectoryEntrySize, kDirectoryEntrySize),
            header_.major_version);
        // Entries nobody refers to may hold anything; a bad entry only
        // matters once the tree reaches it, so the error waits until then.
        if (entry.ok()) {
            entries_[i] = std::move(entry).value();
        } else {
            entry_errors_[i] = entry.status();
        }
    }
    if (!entry_errors_[kRootId].ok()) {
        return Status::Corrupt("root entry: " + entry_errors_[kRootId].message());
    }
    if (entries_[kRootId].type != EntryType::kRoot) {
        return Status::Corrupt("directory entry 0 is not the root storage");
    }
    return Status::Ok();
}

Status CompoundFile::LoadMiniFat() {
    if (header_.first_mini_fat_sector == kEndOfChain) return Status::Ok();
    auto chain = SectorChain::FollowToEnd(fat_, header_.first_mini_fat_sector, "mini FAT");
    if (!chain.ok()) return chain.status();
    std::vector<uint8_t> bytes;
    Status s = ReadChain(chain.value(), bytes);
    if (!s.ok()) return Status::Corrupt("mini FAT: " + s.message());
    mini_fat_.resize(bytes.size() / kSectorNumberSize);
    for (size_t i = 0; i < mini_fat_.size(); ++i) {
        mini_fat_[i] = LoadU32(bytes.data() + i * kSectorNumberSize);
    }
    return Status::Ok();
}

// Walks every storage's sibling tree from the root down. Balance and colour
// are not trusted (some writers emit an all-black chain); what is checked is
// what could make a reader loop or read outside the directory: ids out of
// range and entries reached twice, from one tree or from two.
Status CompoundFile::BuildTree() {
    children_.assign(entries_.size(), {});
    std::vector<bool> reached(entries_.size());
    reached[kRootId] = true;
    std::vector<EntryId> storages = {kRootId};
    while (!storages.empty()) {
        const EntryId storage = storages.back();
        storages.pop_back();
        Status s = CollectSiblings(storage, reached, storages);
        if (!s.ok()) return s;
    }
    return Status::Ok();
}

Status CompoundFile::CollectSiblings(EntryId storage, std::vector<bool>& reached,
                                     std::vector<EntryId>& storages) {
    const std::string where = Describe(entries_[storage]);
    std::vector<EntryId>& out = children_[storage];
    std::vector<EntryId> path;
    EntryId id = entries_[storage].child;
    // In-order walk with an explicit stack; every id is marked when first
    // pushed, so the walk ends after at most entry_count() steps.
    while (id != kNoStream || !path.empty()) {
        while (id != kNoStream) {
            if (id >= entries_.size()) {
                return Status::Corrupt(where + ": its tree refers to entry " + std::to_string(id) +
                                       " of a directory of " + std::to_string(entries_.size()));
            }
            if (reached[id]) {
                return Status::Corrupt(where + ": its tree reaches entry " + std::to_string(id) +
                                       " a second time (a loop in the directory)");
            }
            if (!entry_errors_[id].ok()) {
                return Status::Corrupt("directory entry " + std::to_string(id) + " in " + where +
                                       ": " + entry_errors_[id].message());
            }
            const EntryType type = entries_[id].type;
            if (type != EntryType::kStorage && type != EntryType::kStream) {
                return Status::Corrupt(where + ": its tree holds entry " + std::to_string(id) +
                                       ", which is neither a storage nor a stream");
            }
            reached[id] = true;
            path.push_back(id);
            id = entries_[id].left;
        }
        id = path.back();
        path.pop_back();
        out.push_back(id);
        if (entries_[id].type == EntryType::kStorage) storages.push_back(id);
        id = entries_[id].right;
    }
    return Status::Ok();
}

std::optional<EntryId> CompoundFile::Find(EntryId storage, std::u16string_view name) const {
    for (EntryId id : children_[storage]) {
        if (entries_[id].name == name) return id;
    }
    return std::nullopt;
}

Result<StreamReader> CompoundFile::OpenStream(EntryId id) const {
    if (id >= entries_.size() || !entries_[id].is_stream()) {
        return Status::InvalidArgument("directory entry " + std::to_string(id) +
                                       " is not a stream");
    }
    const DirectoryEntry& e = entries_[id];
    // Checked before any buffer of that size can be asked for.
    if (e.size > file_size()) {
        return Status::Corrupt(Describe(e) + " claims " + std::to_string(e.size) +
                               " bytes, more than the whole file");
    }
    return StreamReader(this, id);
}

Status CompoundFile::ReadChain(const SectorChain& chain, std::vector<uint8_t>& out) const {
    // The FAT may describe far more sectors than the file holds; checking
    // each sector against the file first keeps the buffer within the file size.
    for (uint32_t sector : chain.sectors()) {
        if (sector >= sectors_in_file_) {
            return Status::Corrupt("sector " + std::to_string(sector) +
                                   " lies beyond the end of the file (" +
                                   std::to_string(sectors_in_file_) + " sectors)");
        }
    }
    out.resize(chain.sectors().size() * size_t(sector_size()));
    return chain.ForEachRun(header_.sector_shift, 0, out,
                            [this](uint32_t first, uint64_t within, std::span<uint8_t> piece) {
                                return ReadSectorRun(first, within, piece);
                            });
}

Status CompoundFile::ReadSectorRun(uint32_t first, uint64_t within, std::span<uint8_t> out) const {
    return file_->ReadAt(((uint64_t(first) + 1) << header_.sector_shift) + within, out);
}

Status CompoundFile::ReadMiniStream(uint64_t offset, std::span<uint8_t> out) const {
    const uint64_t size = entries_[kRootId].size;
    if (offset > size || out.size() > size - offset) {
        return Status::Corrupt("mini stream holds " + std::to_string(size) +
                               " bytes, a read needs bytes up to " +
                               std::to_string(offset + out.size()));
    }
    return mini_stream_.ForEachRun(
        header_.sector_shift, offset, out,
        [this](uint32_t first, uint64_t within, std::span<uint8_t> piece) {
            return ReadSectorRun(first, within, piece);
        });
}

}  // namespace msi::storage
