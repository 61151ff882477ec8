#include "db/file_stream_source.h"

#include <algorithm>

namespace msi::db {

CompoundStreamSource::CompoundStreamSource(std::shared_ptr<const storage::CompoundFile> file,
                                           storage::EntryId id)
    : file_(std::move(file)), id_(id), size_(file_->entry(id).size) {}

Result<size_t> CompoundStreamSource::ReadAt(uint64_t offset, std::span<std::byte> out) const {
    if (offset >= size_ || out.empty()) return size_t{0};
    std::lock_guard lock(mutex_);
    if (!reader_) {
        auto reader = file_->OpenStream(id_);
        if (!reader.ok()) return reader.status();
        reader_.emplace(std::move(reader).value());
    }
    const size_t n = static_cast<size_t>(std::min<uint64_t>(out.size(), size_ - offset));
    Status s = reader_->Read(offset, std::span<uint8_t>(reinterpret_cast<uint8_t*>(out.data()), n));
    if (!s.ok()) return s;
    return n;
}

}  // namespace msi::db
