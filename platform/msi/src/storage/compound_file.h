// Reads a compound file ("structured storage"): a tree of storages and
// streams inside one file. Opening reads only the header, the DIFAT, the FAT,
// the mini FAT and the directory; stream data is read later, in pieces,
// through a StreamReader. The on-disk layouts are described in cfb_header.h
// and directory_entry.h.
//
// After Open succeeds nothing in a CompoundFile changes, so several
// StreamReaders (each used by one thread) may read from it at once.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/status.h"
#include "common/uninitialized_allocator.h"
#include "storage/folder.h"
#include "storage/cfb_header.h"
#include "storage/directory_entry.h"
#include "storage/random_access_file.h"
#include "storage/sector_chain.h"

namespace msi::storage {

using EntryId = uint32_t;

class StreamReader;

class CompoundFile {
  public:
    static constexpr EntryId kRootId = 0;

    // Fails, with a message naming the fault, when the header, the DIFAT, the FAT, the
    // mini FAT or the directory is damaged, or when the directory tree refers
    // to entries that do not exist or reaches an entry twice. A damaged stream
    // does not fail Open: it fails when it is read.
    static Result<std::unique_ptr<CompoundFile>> Open(const std::string& path);
    // `path` resolved in `folder`.
    static Result<std::unique_ptr<CompoundFile>> Open(const Folder& folder,
                                                      const std::string& path);

    uint16_t major_version() const { return header_.major_version; }
    uint32_t sector_size() const { return header_.sector_size(); }
    uint64_t file_size() const { return file_->size(); }
    const std::string& path() const { return file_->path(); }

    // The entry with that id. Only ids from kRootId and Children() are
    // meaningful; the id must be below entry_count().
    const DirectoryEntry& entry(EntryId id) const { return entries_[id]; }
    size_t entry_count() const { return entries_.size(); }
    const Clsid& root_clsid() const { return entries_[kRootId].clsid; }

    // The children of a storage in the order of their sibling tree (sorted,
    // when the writer kept the order); empty for a stream.
    const std::vector<EntryId>& Children(EntryId storage) const { return children_[storage]; }
    // The child with exactly these code units.
    std::optional<EntryId> Find(EntryId storage, std::u16string_view name) const;

    // A reader for a stream entry. The CompoundFile must outlive the reader.
    Result<StreamReader> OpenStream(EntryId id) const;

  private:
    friend class StreamReader;
    explicit CompoundFile(std::unique_ptr<RandomAccessFile> file) : file_(std::move(file)) {}

    Status LoadFat();
    Status LoadDirectory();
    Status LoadMiniFat();
    Status BuildTree();
    Status CollectSiblings(EntryId storage, std::vector<bool>& reached,
                           std::vector<EntryId>& storages);
    // Reads the whole of a chain of regular sectors.
    Status ReadChain(const SectorChain& chain, std::vector<uint8_t>& out) const;

    // Reads bytes of regular sectors, starting `within` bytes into `first`
    // and running on through the sectors that follow it in the file.
    Status ReadSectorRun(uint32_t first, uint64_t within, std::span<uint8_t> out) const;
    // Reads bytes of the mini stream (the root entry's data).
    Status ReadMiniStream(uint64_t offset, std::span<uint8_t> out) const;

    std::unique_ptr<RandomAccessFile> file_;
    CfbHeader header_;
    uint64_t sectors_in_file_ = 0;  // sectors that start before the end of the file
    // Filled from end to end as soon as it is sized: a large one goes on huge pages.
    FilledAtOnceVector<uint32_t> fat_;
    std::vector<uint32_t> mini_fat_;
    std::vector<DirectoryEntry> entries_;
    std::vector<Status> entry_errors_;  // why an entry could not be decoded
    std::vector<std::vector<EntryId>> children_;
    SectorChain mini_stream_;
};

}  // namespace msi::storage
