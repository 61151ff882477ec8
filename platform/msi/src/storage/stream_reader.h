// Reads any byte range of one stream of an open CompoundFile. The stream's
// sector chain is followed once, on the first read; every read then turns
// into one pread per run of consecutive sectors, so a stream written
// contiguously is read with a single call however large it is.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "common/status.h"
#include "storage/compound_file.h"
#include "storage/sector_chain.h"

namespace msi::storage {

class StreamReader {
  public:
    uint64_t size() const { return size_; }
    EntryId id() const { return id_; }
    const DirectoryEntry& entry() const { return file_->entry(id_); }

    // Fills `out` with the bytes at [offset, offset + out.size()). A range
    // past the stream's size is an invalid argument; a range the file cannot
    // supply (a damaged chain, a truncated file) is reported as corrupt, while
    // ranges before the damage still read.
    Status Read(uint64_t offset, std::span<uint8_t> out);
    // The whole stream.
    Result<std::vector<uint8_t>> ReadAll();

  private:
    friend class CompoundFile;
    StreamReader(const CompoundFile* file, EntryId id);
    void FollowChainOnce();

    const CompoundFile* file_;
    EntryId id_;
    uint64_t size_;
    bool in_mini_stream_;
    bool chain_followed_ = false;
    SectorChain chain_;
};

}  // namespace msi::storage
