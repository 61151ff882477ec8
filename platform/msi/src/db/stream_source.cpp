#include "db/stream_source.h"

#include <cerrno>
#include <cstdlib>
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

namespace {

// $TMPDIR, else /tmp: where the platform keeps temporary files.
std::string TempFolder() {
    const char* dir = std::getenv("TMPDIR");
    return dir && *dir ? dir : "/tmp";
}

// A read-write file in `folder` that has no name, so nothing is left behind
// when the process ends; -1 (errno set) when none can be made.
int OpenUnnamedFile(const std::string& folder) {
#ifdef O_TMPFILE
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
#endif
    // File systems without O_TMPFILE: a unique name, removed at once.
    std::string name = folder + "/vsb-stream-XXXXXX";
    const int named = ::mkostemp(name.data(), O_CLOEXEC);
    if (named >= 0) ::unlink(name.c_str());
    return named;
}

// Copies `from` to `to` up to the end of `from`; the number of bytes copied.
Result<uint64_t> CopyToEnd(int from, int to) {
    std::vector<char> buffer(64 * 1024);
    uint64_t total = 0;
    for (;;) {
        const ssize_t n = ::read(from, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return Status::Io(std::string("read failed: ") + std::strerror(errno));
        }
        if (n == 0) return total;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(to, buffer.data() + done, static_cast<size_t>(n - done));
            if (w < 0) {
                if (errno == EINTR) continue;
                return Status::Io(std::string("cannot copy a stream to the temporary folder: ") +
                                  std::strerror(errno));
            }
            done += w;
        }
        total += static_cast<uint64_t>(n);
    }
}

}  // namespace

Result<std::shared_ptr<FileStreamSource>> FileStreamSource::Open(const std::string& path) {
    return OpenAt(AT_FDCWD, path, 0);
}

Result<std::shared_ptr<FileStreamSource>> FileStreamSource::Open(const storage::Folder& folder,
                                                                 const std::string& name) {
    return OpenAt(folder.fd(), name, O_NOFOLLOW);
}

Result<std::shared_ptr<FileStreamSource>> FileStreamSource::OpenAt(int folder,
                                                                   const std::string& path,
                                                                   int flags) {
    // O_NONBLOCK: a FIFO must not hold the open until a writer comes; the
    // type check below refuses it.
    const int in = ::openat(folder, path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | flags);
    if (in < 0) return Status::Io("cannot open " + path + ": " + std::strerror(errno));
    struct stat st {};
    // A directory opens read-only on Linux but is no stream of bytes.
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(in);
        return Status::InvalidArgument("not a regular file: " + path);
    }
    ::fcntl(in, F_SETFL, ::fcntl(in, F_GETFL) & ~O_NONBLOCK);
    const int copy = OpenUnnamedFile(TempFolder());
    if (copy < 0) {
        const int error = errno;
        ::close(in);
        return Status::Io("cannot make a temporary copy of " + path + ": " + std::strerror(error));
    }
    auto size = CopyToEnd(in, copy);
    ::close(in);
    if (!size.ok()) {
        ::close(copy);
        return size.status();
    }
    return std::shared_ptr<FileStreamSource>(new FileStreamSource(copy, *size));
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

Status WriterSource::Read(uint64_t offset, std::span<uint8_t> out) {
    auto n = source_->ReadAt(offset, std::as_writable_bytes(out));
    if (!n.ok()) return n.status();
    if (*n != out.size()) return Status::Io("stream ended early while writing");
    return Status::Ok();
}

}  // namespace msi::db
