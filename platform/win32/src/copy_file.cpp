// CopyFileA: the content goes to a new file beside the target, which is then
// renamed into place, so that a failure half-way (disk full, bad source)
// never leaves a truncated target or destroys the file it would replace.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <vector>

#include "file_info.h"
#include "path_error.h"
#include "win32/files.h"
#include "win32/lasterror.h"
#include "win32/winerror.h"

namespace {

constexpr size_t kChunkSize = 1 << 20;

// Closes a descriptor when it goes out of scope.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    // Closes now and reports the result, because close() is where some file
    // systems report a failed write.
    int CloseNow() {
        int rc = close(fd_);
        fd_ = -1;
        return rc;
    }

  private:
    int fd_;
};

// Writes all of `data`, across short writes and interrupted calls.
bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t written = write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// Copies everything from `in` to `out` in chunks; false with errno set.
bool CopyContent(int in, int out) {
    std::vector<char> buffer(kChunkSize);
    for (;;) {
        ssize_t got = read(in, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (got == 0) return true;
        if (!WriteAll(out, buffer.data(), static_cast<size_t>(got))) return false;
    }
}

// Creates a fresh file beside `target` for the new content; -1 on failure.
int CreateSibling(const std::string& target, std::string& sibling_name) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        // A short name of its own, so that a target name near the length
        // limit still leaves room for it.
        sibling_name = win32::ParentFolder(target) + "/.vsbcopy" + std::to_string(getpid()) + "_" +
                       std::to_string(counter.fetch_add(1));
        int fd = open(sibling_name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

extern "C" BOOL CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists) {
    if (lpExistingFileName == nullptr || lpNewFileName == nullptr) {
        return win32::Fail(ERROR_INVALID_PARAMETER);
    }
    // O_NONBLOCK: a FIFO would hold the open until a writer comes; it is
    // refused below with the folders and devices, which are no files to copy.
    FileDescriptor source(open(lpExistingFileName, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (source.get() < 0) return win32::FailPath(errno, lpExistingFileName);
    struct stat source_stat;
    if (fstat(source.get(), &source_stat) != 0) return win32::FailPath(errno, lpExistingFileName);
    if (!S_ISREG(source_stat.st_mode)) return win32::Fail(ERROR_ACCESS_DENIED);
    fcntl(source.get(), F_SETFL, fcntl(source.get(), F_GETFL) & ~O_NONBLOCK);

    struct stat target_stat;
    if (stat(lpNewFileName, &target_stat) == 0) {
        if (bFailIfExists) return win32::Fail(ERROR_FILE_EXISTS);
        if (S_ISDIR(target_stat.st_mode)) return win32::Fail(ERROR_ACCESS_DENIED);
        // Windows will not overwrite a read-only file, nor a file with itself.
        if ((target_stat.st_mode & S_IWUSR) == 0) return win32::Fail(ERROR_ACCESS_DENIED);
        if (target_stat.st_dev == source_stat.st_dev && target_stat.st_ino == source_stat.st_ino) {
            return win32::Fail(ERROR_SHARING_VIOLATION);
        }
    }

    std::string target = lpNewFileName;
    std::string sibling;
    FileDescriptor out(CreateSibling(target, sibling));
    if (out.get() < 0) return win32::FailPath(errno, lpNewFileName);
    auto abandon = [&](int err) {
        unlink(sibling.c_str());
        SetLastError(win32::ErrorFromErrno(err));
        return FALSE;
    };
    if (!CopyContent(source.get(), out.get())) return abandon(errno);
    // The copy keeps the source's permissions and last-write time, as a
    // Windows copy keeps attributes and times, but is always writable by its
    // owner: callers copy in order to change the copy.
    fchmod(out.get(), (source_stat.st_mode & 0777) | S_IWUSR);
    struct timespec times[2] = {source_stat.st_atim, source_stat.st_mtim};
    futimens(out.get(), times);
    if (out.CloseNow() != 0) return abandon(errno);

    int rc = bFailIfExists ? win32::RenameNoReplace(sibling.c_str(), target.c_str())
                           : rename(sibling.c_str(), target.c_str());
    if (rc != 0) {
        int err = errno;
        unlink(sibling.c_str());
        if (err == EEXIST) return win32::Fail(ERROR_FILE_EXISTS);
        return win32::FailPath(err, lpNewFileName);
    }
    return TRUE;
}
