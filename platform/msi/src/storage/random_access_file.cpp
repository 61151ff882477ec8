#include "storage/random_access_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace msi::storage {

Result<std::unique_ptr<RandomAccessFile>> RandomAccessFile::Open(const std::string& path) {
    return Open(Folder(), path);
}

Result<std::unique_ptr<RandomAccessFile>> RandomAccessFile::Open(const Folder& folder,
                                                                 const std::string& path) {
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a
    // writer, for ever; the type check below then refuses it.
    const int fd = ::openat(folder.fd(), path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        const int err = errno;
        const std::string text = "cannot open " + path + ": " + std::strerror(err);
        return err == ENOENT ? Status::NotFound(text) : Status::Io(text);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return Status::Io("cannot open " + path + ": not a regular file");
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return std::unique_ptr<RandomAccessFile>(new RandomAccessFile(fd, uint64_t(st.st_size), path));
}

RandomAccessFile::~RandomAccessFile() {
    ::close(fd_);
}

Status RandomAccessFile::ReadAt(uint64_t offset, std::span<uint8_t> out) const {
    if (offset > size_ || out.size() > size_ - offset) {
        return Status::Corrupt("file " + path_ + " ends at byte " + std::to_string(size_) +
                               ", a read needs bytes up to " + std::to_string(offset + out.size()) +
                               " (truncated file?)");
    }
    size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::pread(fd_, out.data() + done, out.size() - done, off_t(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return Status::Io("cannot read " + path_ + ": " + std::strerror(errno));
        }
        // The file shrank after it was opened.
        if (n == 0) return Status::Io("unexpected end of " + path_);
        done += size_t(n);
    }
    return Status::Ok();
}

}  // namespace msi::storage
