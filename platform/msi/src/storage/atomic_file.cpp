#include "storage/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sys/random.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "win32/umask.h"

namespace msi::storage {

namespace {

constexpr size_t kBufferSize = 1 << 16;

Status ErrnoStatus(const std::string& what) {
    return Status::Io(what + ": " + std::strerror(errno));
}

// The mode the new file gets: the target's when it is a regular file, else
// what a plain open(0666) would give under the process umask. A link at the
// target is replaced, not followed, so its target's mode means nothing here.
mode_t ModeFor(const Folder& folder, const std::string& target) {
    struct stat st {};
    if (::fstatat(folder.fd(), target.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(st.st_mode))
        return st.st_mode & 07777;
    return 0666 & ~win32::ProcessUmask();
}

// mkstemp's work within `folder`: "<target>.tmp-" and six characters, made
// anew (O_EXCL), so no file that was there is ever opened, nor a link
// followed. -1 with errno set when no name could be had.
int MakeTemporaryFile(const Folder& folder, const std::string& target, std::string& temp) {
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned char random[6] = {};
        if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) return -1;
        temp = target + ".tmp-";
        for (unsigned char byte : random) temp += kLetters[byte % (sizeof kLetters - 1)];
        const int fd = ::openat(folder.fd(), temp.c_str(),
                                O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

Result<std::unique_ptr<AtomicFile>> AtomicFile::Create(const std::string& target,
                                                       Durability durability) {
    return Create(Folder(), target, durability);
}

Result<std::unique_ptr<AtomicFile>> AtomicFile::Create(const Folder& folder,
                                                       const std::string& target,
                                                       Durability durability) {
    const std::filesystem::path target_path(target);
    if (target_path.filename().empty()) {
        return Status::InvalidArgument("no file name in " + target);
    }
    std::string temp;
    const int fd = MakeTemporaryFile(folder, target, temp);
    if (fd < 0) return ErrnoStatus("cannot create a temporary file beside " + target);
    ::fchmod(fd, ModeFor(folder, target));
    auto file = std::unique_ptr<AtomicFile>(new AtomicFile(folder, fd, target, temp, durability));
    file->buffer_.reserve(kBufferSize);
    return file;
}

AtomicFile::~AtomicFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) ::unlinkat(folder_.fd(), temp_path_.c_str(), 0);
}

Status AtomicFile::Flush() {
    size_t done = 0;
    while (done < buffer_.size()) {
        const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return ErrnoStatus("cannot write " + temp_path_);
        }
        done += size_t(n);
    }
    buffer_.clear();
    return Status::Ok();
}

Status AtomicFile::Append(std::span<const uint8_t> bytes) {
    if (fd_ < 0) return Status::InvalidArgument("file " + target_ + " is already closed");
    written_ += bytes.size();
    while (!bytes.empty()) {
        const size_t take = std::min(bytes.size(), kBufferSize - buffer_.size());
        buffer_.insert(buffer_.end(), bytes.begin(), bytes.begin() + ptrdiff_t(take));
        bytes = bytes.subspan(take);
        if (buffer_.size() == kBufferSize) {
            Status s = Flush();
            if (!s.ok()) return s;
        }
    }
    return Status::Ok();
}

Status AtomicFile::AppendZeros(uint64_t count) {
    static const uint8_t kZeros[4096] = {};
    while (count > 0) {
        const size_t take = size_t(std::min<uint64_t>(count, sizeof kZeros));
        Status s = Append(std::span<const uint8_t>(kZeros, take));
        if (!s.ok()) return s;
        count -= take;
    }
    return Status::Ok();
}

Status AtomicFile::Commit() {
    if (fd_ < 0) return Status::InvalidArgument("file " + target_ + " is already closed");
    Status s = Flush();
    if (!s.ok()) return s;
    const bool synced = durability_ == Durability::kSynced;
    if (synced && ::fsync(fd_) != 0) return ErrnoStatus("cannot flush " + temp_path_);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return ErrnoStatus("cannot close " + temp_path_);
    if (::renameat(folder_.fd(), temp_path_.c_str(), folder_.fd(), target_.c_str()) != 0) {
        return ErrnoStatus("cannot rename " + temp_path_ + " to " + target_);
    }
    committed_ = true;
    if (!synced) return Status::Ok();
    // The new content is in place; a failure to sync the folder only weakens
    // durability across a crash, so it is not reported as a failed write.
    std::filesystem::path folder = std::filesystem::path(target_).parent_path();
    if (folder.empty()) folder = ".";
    const int dir_fd = ::openat(folder_.fd(), folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_fd >= 0) {
        ::fsync(dir_fd);
        ::close(dir_fd);
    }
    return Status::Ok();
}

}  // namespace msi::storage
