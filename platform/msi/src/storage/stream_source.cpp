#include "storage/stream_source.h"

#include <algorithm>

namespace msi::storage {

namespace {

Status CheckRange(uint64_t size, uint64_t offset, size_t length) {
    if (offset > size || length > size - offset) {
        return Status::InvalidArgument("read of bytes " + std::to_string(offset) + " to " +
                                       std::to_string(offset + length) + " of a " +
                                       std::to_string(size) + "-byte source");
    }
    return Status::Ok();
}

}  // namespace

Status MemorySource::Read(uint64_t offset, std::span<uint8_t> out) {
    Status s = CheckRange(bytes_.size(), offset, out.size());
    if (!s.ok()) return s;
    std::copy_n(bytes_.begin() + ptrdiff_t(offset), out.size(), out.begin());
    return Status::Ok();
}

StreamRangeSource::StreamRangeSource(StreamReader reader)
    : reader_(std::move(reader)), offset_(0), length_(reader_.size()) {}

Result<StreamRangeSource> StreamRangeSource::Make(StreamReader reader, uint64_t offset,
                                                  uint64_t length) {
    if (offset > reader.size() || length > reader.size() - offset) {
        return Status::InvalidArgument("range of " + std::to_string(length) + " bytes at " +
                                       std::to_string(offset) + " is outside a " +
                                       std::to_string(reader.size()) + "-byte stream");
    }
    return StreamRangeSource(std::move(reader), offset, length);
}

Status StreamRangeSource::Read(uint64_t offset, std::span<uint8_t> out) {
    Status s = CheckRange(length_, offset, out.size());
    if (!s.ok()) return s;
    return reader_.Read(offset_ + offset, out);
}

}  // namespace msi::storage
