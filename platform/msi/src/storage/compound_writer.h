// Builds a new compound file (version 3, 512-byte sectors) from a tree of
// storages and streams. A stream's bytes come from a StreamSource: memory, or
// a range of a stream of an open CompoundFile that is read in pieces while
// writing, so large streams pass through without being held whole. Each
// storage's children are written as a sorted, balanced, valid red-black tree.
//
// Usage:
//   CompoundWriter w;
//   w.SetRootInfo({.clsid = kPackageClsid});
//   w.AddStream(CompoundWriter::kRoot, name, bytes);
//   w.CopyChildren(CompoundWriter::kRoot, old_file, CompoundFile::kRootId);
//   Status s = w.WriteFile(path);
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/status.h"
#include "storage/atomic_file.h"
#include "storage/compound_file.h"
#include "storage/directory_entry.h"
#include "storage/stream_source.h"

namespace msi::storage {

class AtomicFile;
class WritePlan;

// What a storage carries besides its name and children.
struct StorageInfo {
    Clsid clsid{};
    uint32_t state_bits = 0;
    uint64_t creation_time = 0;  // FILETIME
    uint64_t modified_time = 0;  // FILETIME

    static StorageInfo Of(const DirectoryEntry& entry);
};

class CompoundWriter {
  public:
    using NodeId = uint32_t;
    static constexpr NodeId kRoot = 0;

    CompoundWriter();
    ~CompoundWriter();
    CompoundWriter(CompoundWriter&&) noexcept;
    CompoundWriter& operator=(CompoundWriter&&) noexcept;

    // The root's CLSID decides the kind of file (kPackageClsid, kTransformClsid, ...).
    void SetRootInfo(const StorageInfo& info);

    // Names are checked with CheckEntryName; a name that compares equal
    // (CompareEntryNames) to a sibling's is refused.
    Result<NodeId> AddStorage(NodeId parent, std::u16string name, const StorageInfo& info = {});
    Status AddStream(NodeId parent, std::u16string name, std::vector<uint8_t> bytes);
    Status AddStream(NodeId parent, std::u16string name, std::unique_ptr<StreamSource> source);

    // Copies a storage of an open file, with its CLSID, state bits, times and
    // everything below it, as a new child of `parent`. Stream bytes are read
    // only when writing, so `file` must stay open until then.
    Result<NodeId> CopyStorage(NodeId parent, const CompoundFile& file, EntryId storage);
    // Copies what a storage holds (not the storage itself) into `parent`.
    // Should a copy fail (a name clash), what was added before stays added.
    Status CopyChildren(NodeId parent, const CompoundFile& file, EntryId storage);

    // Writes the file beside `path` and renames it into place (see
    // atomic_file.h); on failure `path` is untouched and no temporary file
    // remains.
    Status WriteFile(const std::string& path,
                     AtomicFile::Durability durability = AtomicFile::Durability::kSynced) const;
    // The same for `path` resolved in `folder`.
    Status WriteFile(const Folder& folder, const std::string& path,
                     AtomicFile::Durability durability = AtomicFile::Durability::kSynced) const;

  private:
    struct Node;
    struct Arrangement;
    Result<NodeId> AddNode(NodeId parent, std::u16string name, bool storage);
    Arrangement Arrange() const;
    std::vector<DirectoryEntry> DirectoryFor(const Arrangement& a, const WritePlan& plan) const;
    Status WriteTo(AtomicFile& out) const;

    std::vector<std::unique_ptr<Node>> nodes_;
};

}  // namespace msi::storage
