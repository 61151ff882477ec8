// Where the writer takes a stream's bytes from. The writer asks a source for
// its size once and then reads it front to back in pieces, so a large stream
// copied from another file is never held in memory whole.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "common/status.h"
#include "storage/stream_reader.h"

namespace msi::storage {

class StreamSource {
  public:
    virtual ~StreamSource() = default;
    virtual uint64_t size() const = 0;
    // Fills `out` with the bytes at [offset, offset + out.size()); the writer
    // never asks past size().
    virtual Status Read(uint64_t offset, std::span<uint8_t> out) = 0;
};

// Bytes held in memory.
class MemorySource : public StreamSource {
  public:
    explicit MemorySource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    uint64_t size() const override { return bytes_.size(); }
    Status Read(uint64_t offset, std::span<uint8_t> out) override;

  private:
    std::vector<uint8_t> bytes_;
};

// A byte range of a stream of an open CompoundFile, which must stay open
// until the writer has written.
class StreamRangeSource : public StreamSource {
  public:
    // The whole stream.
    explicit StreamRangeSource(StreamReader reader);
    // `length` bytes from `offset`; the range must lie inside the stream.
    static Result<StreamRangeSource> Make(StreamReader reader, uint64_t offset, uint64_t length);

    uint64_t size() const override { return length_; }
    Status Read(uint64_t offset, std::span<uint8_t> out) override;

  private:
    StreamRangeSource(StreamReader reader, uint64_t offset, uint64_t length)
        : reader_(std::move(reader)), offset_(offset), length_(length) {}
    StreamReader reader_;
    uint64_t offset_;
    uint64_t length_;
};

}  // namespace msi::storage
