// A StreamSource over a stream of an open compound file: the bytes stay in the
// file and are read in pieces when a caller asks. The source shares ownership
// of the file, so a record fetched from a database can still be read after
// the database was closed or committed (a commit renames a new file over the
// path; the old file stays readable through its open descriptor).
#pragma once

#include <memory>
#include <mutex>
#include <optional>

#include "db/stream_source.h"
#include "storage/compound_file.h"
#include "storage/stream_reader.h"

namespace msi::db {

class CompoundStreamSource final : public StreamSource {
  public:
    CompoundStreamSource(std::shared_ptr<const storage::CompoundFile> file, storage::EntryId id);

    uint64_t Size() const override { return size_; }
    Result<size_t> ReadAt(uint64_t offset, std::span<std::byte> out) const override;

    const storage::CompoundFile& file() const { return *file_; }
    storage::EntryId id() const { return id_; }

  private:
    std::shared_ptr<const storage::CompoundFile> file_;
    storage::EntryId id_;
    uint64_t size_;
    // The reader follows the sector chain once and is not thread-safe; one
    // source may be shared by records used from different threads.
    mutable std::mutex mutex_;
    mutable std::optional<storage::StreamReader> reader_;
};

}  // namespace msi::db
