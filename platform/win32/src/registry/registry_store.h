// The registry store: the tree in memory, kept in step with its file.
//
// Invariants:
// 1. Every call sees the file as it is now: the tree is read again whenever
//    the file's stamp (inode, size, modification and change times) differs
//    from what was last read or written. (A stamp can repeat within one tick
//    of a coarse clock; changes therefore never trust it, see 4.)
// 2. A change is written before the call that made it returns success; when
//    writing fails, the change is dropped (the tree is read again from the
//    file) and the call fails.
// 3. A damaged file is never overwritten: every call fails with
//    ERROR_REGISTRY_CORRUPT until someone repairs or removes it.
// 4. Changes from two processes do not get lost: a change holds an exclusive
//    lock on "<store>.lock" from reading the file (always read again, never
//    taken from the cache) to renaming the new one.
#pragma once

#include <sys/types.h>

#include <functional>
#include <mutex>
#include <string>

#include "registry_tree.h"
#include "win32/types.h"

namespace win32 {

class RegistryStore {
  public:
    static RegistryStore& Instance();

    void SetPath(const std::string& path);
    std::string Path();

    // Runs `read` on the current tree under the store's lock and returns its
    // result, or the error of loading the store.
    DWORD Read(const std::function<DWORD(const RegistryTree&)>& read);
    // Runs `change`; when it succeeds and reports that it changed the tree,
    // the store is written (invariant 2).
    DWORD Modify(const std::function<DWORD(RegistryTree&, bool& changed)>& change);

  private:
    struct FileStamp {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        long long mtime_ns = 0;
        long long ctime_ns = 0;
        bool operator==(const FileStamp&) const = default;
    };
    static FileStamp StampOf(const std::string& path);
    std::string PathLocked() const;
    DWORD RefreshLocked();

    std::mutex mutex_;
    std::string override_path_;
    bool loaded_ = false;
    std::string loaded_path_;
    FileStamp stamp_;
    DWORD load_error_ = 0;
    RegistryTree tree_;
};

}  // namespace win32
