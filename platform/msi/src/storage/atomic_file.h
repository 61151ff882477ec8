// Writes a file so that the target path only ever holds the old content or
// the complete new content:
//   1. every byte goes to a new temporary file in the target's own folder
//      (so the final rename stays within one file system);
//   2. Commit flushes it and fsyncs it before anything touches the target;
//   3. the rename over the target is the only step that changes the target,
//      and the folder is fsynced after it so the rename itself is durable;
//   4. if Commit is not reached or fails, the temporary file is removed.
// Steps 2 and 3 sync only for Durability::kSynced. kReplaceOnly keeps the
// all-or-nothing view for readers but not across a power cut: it suits output
// that can be written again (exported text archives), where two fsyncs per
// file would cost more than all the other work of the export.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "common/status.h"
#include "storage/folder.h"

namespace msi::storage {

class AtomicFile {
  public:
    enum class Durability { kSynced, kReplaceOnly };

    static Result<std::unique_ptr<AtomicFile>> Create(const std::string& target,
                                                      Durability durability = Durability::kSynced);
    // The same for `target` resolved in `folder`: the temporary file, the
    // rename and the sync all happen in that folder.
    static Result<std::unique_ptr<AtomicFile>> Create(const Folder& folder,
                                                      const std::string& target,
                                                      Durability durability = Durability::kSynced);
    // Removes the temporary file unless Commit succeeded (invariant 4).
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    Status Append(std::span<const uint8_t> bytes);
    Status AppendZeros(uint64_t count);
    // Invariants 2 and 3. After a failure the object only cleans up.
    Status Commit();

    const std::string& temp_path() const { return temp_path_; }
    uint64_t bytes_written() const { return written_; }

  private:
    AtomicFile(Folder folder, int fd, std::string target, std::string temp_path,
               Durability durability)
        : folder_(std::move(folder)),
          fd_(fd),
          target_(std::move(target)),
          temp_path_(std::move(temp_path)),
          durability_(durability) {}
    Status Flush();

    Folder folder_;
    int fd_;
    std::string target_;
    std::string temp_path_;
    Durability durability_;
    std::vector<uint8_t> buffer_;
    uint64_t written_ = 0;
    bool committed_ = false;
};

}  // namespace msi::storage
