// Where the bytes of a stream field come from. A record never owns a copy of
// a database stream: it holds a shared source that reads the bytes when asked,
// so that fetching a row with a 300 MB cabinet costs nothing until the caller
// reads it, and reads it in pieces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "common/status.h"
#include "storage/folder.h"
#include "storage/stream_source.h"

namespace msi::db {

class StreamSource {
  public:
    virtual ~StreamSource() = default;
    virtual uint64_t Size() const = 0;
    // Copies up to out.size() bytes starting at offset; returns how many were
    // copied (0 at or past the end). Never reads beyond the stream.
    virtual Result<size_t> ReadAt(uint64_t offset, std::span<std::byte> out) const = 0;
};

using StreamSourcePtr = std::shared_ptr<const StreamSource>;

// A stream held in memory (small streams, streams built by the engine).
class MemoryStreamSource final : public StreamSource {
  public:
    explicit MemoryStreamSource(std::vector<std::byte> bytes) : bytes_(std::move(bytes)) {}
    uint64_t Size() const override { return bytes_.size(); }
    Result<size_t> ReadAt(uint64_t offset, std::span<std::byte> out) const override;
    const std::vector<std::byte>& bytes() const { return bytes_; }

  private:
    std::vector<std::byte> bytes_;
};

// A stream with the bytes a file held when the source was made. They are
// copied at once into a private unnamed file in the temporary folder: a
// database writes record streams only at commit, and a caller that reuses one
// scratch file for several rows (or deletes it) must not change rows it has
// already inserted. An unnamed file keeps large cabinets out of memory and
// disappears with its descriptor.
class FileStreamSource final : public StreamSource {
  public:
    static Result<std::shared_ptr<FileStreamSource>> Open(const std::string& path);
    // `name` in `folder`; a link there is refused, not followed.
    static Result<std::shared_ptr<FileStreamSource>> Open(const storage::Folder& folder,
                                                          const std::string& name);
    ~FileStreamSource() override;
    FileStreamSource(const FileStreamSource&) = delete;
    FileStreamSource& operator=(const FileStreamSource&) = delete;

    uint64_t Size() const override { return size_; }
    Result<size_t> ReadAt(uint64_t offset, std::span<std::byte> out) const override;

  private:
    FileStreamSource(int fd, uint64_t size) : fd_(fd), size_(size) {}
    static Result<std::shared_ptr<FileStreamSource>> OpenAt(int folder, const std::string& path,
                                                            int flags);
    int fd_;
    uint64_t size_;
};

// Reads a whole source into memory; refuses sources above max_bytes so that a
// caller that must hold the bytes (a table stream) cannot be made to allocate
// without bound.
Result<std::vector<std::byte>> ReadAll(const StreamSource& source, uint64_t max_bytes = UINT64_C(1)
                                                                                        << 32);

// Feeds a source to the compound writer in the pieces it asks for, so that
// a file being written never holds a large stream whole.
class WriterSource final : public storage::StreamSource {
  public:
    explicit WriterSource(StreamSourcePtr source) : source_(std::move(source)) {}
    uint64_t size() const override { return source_->Size(); }
    Status Read(uint64_t offset, std::span<uint8_t> out) override;

  private:
    StreamSourcePtr source_;
};

}  // namespace msi::db
