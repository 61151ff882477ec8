#include "registry_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "atomic_file.h"
#include "config_folder.h"
#include "registry_text_format.h"
#include "win32/registry.h"
#include "win32/winerror.h"

namespace win32 {
namespace {

// Holds flock() on the store's lock file for one change (invariant 4).
class ProcessLock {
  public:
    explicit ProcessLock(const std::string& store_path) {
        std::filesystem::path parent = std::filesystem::path(store_path).parent_path();
        if (!parent.empty()) CreatePrivateFolder(parent.string());
        fd_ = ::open((store_path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        // Without a lock file (a read-only folder) the write fails anyway,
        // with the error the caller should see.
        if (fd_ >= 0) {
            while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }
    ~ProcessLock() {
        if (fd_ >= 0) ::close(fd_);  // closing releases the lock
    }
    ProcessLock(const ProcessLock&) = delete;
    ProcessLock& operator=(const ProcessLock&) = delete;

  private:
    int fd_ = -1;
};

}  // namespace

RegistryStore& RegistryStore::Instance() {
    static RegistryStore* store = new RegistryStore;  // outlives static destructors
    return *store;
}

void RegistryStore::SetPath(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    override_path_ = path;
}

std::string RegistryStore::Path() {
    std::lock_guard<std::mutex> lock(mutex_);
    return PathLocked();
}

std::string RegistryStore::PathLocked() const {
    return override_path_.empty() ? UserConfigFolder() + "/registry.txt" : override_path_;
}

RegistryStore::FileStamp RegistryStore::StampOf(const std::string& path) {
    FileStamp stamp;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return stamp;
    stamp.exists = true;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.size = st.st_size;
    stamp.mtime_ns = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    stamp.ctime_ns = static_cast<long long>(st.st_ctim.tv_sec) * 1000000000LL + st.st_ctim.tv_nsec;
    return stamp;
}

DWORD RegistryStore::RefreshLocked() {
    const std::string path = PathLocked();
    const FileStamp stamp = StampOf(path);
    if (loaded_ && path == loaded_path_ && stamp == stamp_) return load_error_;

    tree_ = RegistryTree();
    loaded_ = true;
    loaded_path_ = path;
    stamp_ = stamp;
    load_error_ = ERROR_SUCCESS;
    if (!stamp.exists) return load_error_;  // no file yet: an empty registry

    std::string text;
    if (ReadWholeFile(path, text) != ERROR_SUCCESS) {
        load_error_ = ERROR_REGISTRY_IO_FAILED;
    } else {
        size_t bad_line = 0;
        if (!DecodeRegistryText(text, tree_, bad_line)) load_error_ = ERROR_REGISTRY_CORRUPT;
    }
    if (load_error_ != ERROR_SUCCESS) {
        // Nothing of a half-read tree may be seen or written back.
        tree_ = RegistryTree();
        // Try again next time rather than remember an I/O failure forever.
        if (load_error_ == ERROR_REGISTRY_IO_FAILED) loaded_ = false;
    }
    return load_error_;
}

DWORD RegistryStore::Read(const std::function<DWORD(const RegistryTree&)>& read) {
    std::lock_guard<std::mutex> lock(mutex_);
    DWORD error = RefreshLocked();
    if (error != ERROR_SUCCESS) return error;
    return read(tree_);
}

DWORD RegistryStore::Modify(const std::function<DWORD(RegistryTree&, bool& changed)>& change) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::string path = PathLocked();
    ProcessLock process_lock(path);
    // Under the lock the file is always read again: a file stamp can repeat
    // (a freed inode number reused, the same size, a coarse clock), and a
    // change made on a stale tree would undo another process's change.
    loaded_ = false;
    DWORD error = RefreshLocked();
    if (error != ERROR_SUCCESS) return error;

    bool changed = false;
    error = change(tree_, changed);
    if (error != ERROR_SUCCESS && changed) loaded_ = false;  // never keep half a change
    if (error != ERROR_SUCCESS || !changed) return error;

    error = ReplaceFileAtomically(path, EncodeRegistryText(tree_), true);
    if (error != ERROR_SUCCESS) {
        loaded_ = false;  // drop the unsaved change (invariant 2)
        return error;
    }
    stamp_ = StampOf(path);
    return ERROR_SUCCESS;
}

}  // namespace win32
