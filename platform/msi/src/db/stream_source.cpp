#include "db/stream_source.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace msi::db {

Result<size_t> MemoryStreamSource::ReadAt(uint64_t offset, std::span<std::byte> out) const {
    if (offset >= bytes_.size()) return size_t{0};
    const size_t n = std::min<uint64_t>(out.size(), bytes_.size() - offset);
    std::memcpy(out.data(), bytes_.data() + offset, n);
    return n;
}

Result<std::shared_ptr<FileStreamSource>> FileStreamSource::Open(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Status::Io("cannot open " + path + ": " + std::strerror(errno));
    struct stat st {};
    // A directory opens read-only on Linux but is no stream of bytes.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return Status::InvalidArgument("not a regular file: " + path);
    }
    return std::shared_ptr<FileStreamSource>(
        new FileStreamSource(fd, static_cast<uint64_t>(st.st_size)));
}

FileStreamSource::~FileStreamSource() {
    ::close(fd_);
}

Result<size_t> FileStreamSource::ReadAt(uint64_t offset, std::span<std::byte> out) const {
    if (offset >= size_) return size_t{0};
    size_t want = std::min<uint64_t>(out.size(), size_ - offset);
    size_t done = 0;
    while (done < want) {
        const ssize_t n =
            ::pread(fd_, out.data() + done, want - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return Status::Io(std::string("read failed: ") + std::strerror(errno));
        }
        if (n == 0) break;  // the file shrank under us; report what we have
        done += static_cast<size_t>(n);
    }
    return done;
}

Result<std::vector<std::byte>> ReadAll(const StreamSource& source, uint64_t max_bytes) {
    const uint64_t size = source.Size();
    if (size > max_bytes) return Status::Unsupported("stream too large to hold in memory");
    std::vector<std::byte> bytes(static_cast<size_t>(size));
    auto n = source.ReadAt(0, bytes);
    if (!n.ok()) return n.status();
    if (*n != bytes.size()) return Status::Corrupt("stream shorter than its size");
    return bytes;
}

}  // namespace msi::db
