// The container of a transform: a compound file of its own, or a sub-storage
// of the open database named ":Name" (packages and patches carry embedded
// transforms that way). Either must carry the transform CLSID.
//
// Opening reads everything the apply needs to decide whether the transform
// fits: the transform's own string pool and every table stream. Binary-cell
// streams are read on request. All sizes are bounded by the file's size, so a
// hostile file cannot make the engine allocate without bound.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/status.h"
#include "db/database.h"
#include "format/string_pool.h"
#include "storage/compound_file.h"

namespace msi::transform {

class TransformSource {
  public:
    // Failures: kNotFound when the file (or the sub-storage) is not there,
    // kIo when it cannot be read, kUnsupported when it is not a transform,
    // kCorrupt when its container, pool or table streams are damaged.
    static Result<TransformSource> Open(const db::Database& target, const std::string& source_name);
    // Reads a transform from a file path (no sub-storage form).
    static Result<TransformSource> OpenFile(const std::string& path);
    // Reads the transform held in sub-storage `storage` of the compound file
    // at `path` (a patch, or a package carrying transforms); the whole file
    // when `storage` is empty.
    static Result<TransformSource> OpenStorage(const std::string& path, const std::string& storage);

    const format::StringPool& pool() const { return pool_; }
    // Cell size of a string reference in the transform's tables (2 or 3).
    uint8_t string_ref_size() const { return pool_.loaded_long_refs() ? 3 : 2; }
    // Table streams by table name (the pool streams left out).
    const std::map<std::string, std::vector<uint8_t>>& table_streams() const { return tables_; }
    bool HasStream(const std::string& name) const { return streams_.count(name) != 0; }
    // The bytes of a non-table stream (a binary cell's data, the summary).
    Result<std::vector<uint8_t>> ReadStream(const std::string& name) const;

  private:
    Status Load(std::shared_ptr<storage::CompoundFile> file, storage::EntryId storage);

    std::shared_ptr<storage::CompoundFile> file_;
    format::StringPool pool_;
    std::map<std::string, std::vector<uint8_t>> tables_;
    std::map<std::string, storage::EntryId> streams_;
};

}  // namespace msi::transform
