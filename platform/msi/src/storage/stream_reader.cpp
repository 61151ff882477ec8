#include "storage/stream_reader.h"

#include "storage/entry_name.h"

namespace msi::storage {

StreamReader::StreamReader(const CompoundFile* file, EntryId id)
    : file_(file),
      id_(id),
      size_(file->entry(id).size),
      in_mini_stream_(file->entry(id).size < kMiniStreamCutoff) {}

void StreamReader::FollowChainOnce() {
    if (chain_followed_) return;
    chain_followed_ = true;
    const std::string what = "stream '" + NameForMessage(entry().name) + "'";
    if (in_mini_stream_) {
        const uint64_t count = (size_ + kMiniSectorSize - 1) / kMiniSectorSize;
        chain_ = SectorChain::Follow(file_->mini_fat_, entry().start_sector, count, what);
    } else {
        const uint64_t unit = file_->sector_size();
        chain_ =
            SectorChain::Follow(file_->fat_, entry().start_sector, (size_ + unit - 1) / unit, what);
    }
}

Status StreamReader::Read(uint64_t offset, std::span<uint8_t> out) {
    if (offset > size_ || out.size() > size_ - offset) {
        return Status::InvalidArgument("read of bytes " + std::to_string(offset) + " to " +
                                       std::to_string(offset + out.size()) + " of a " +
                                       std::to_string(size_) + "-byte stream");
    }
    FollowChainOnce();
    Status s;
    if (in_mini_stream_) {
        s = chain_.ForEachRun(kMiniSectorShift, offset, out,
                              [this](uint32_t first, uint64_t within, std::span<uint8_t> piece) {
                                  return file_->ReadMiniStream(
                                      (uint64_t(first) << kMiniSectorShift) + within, piece);
                              });
    } else {
        s = chain_.ForEachRun(file_->header_.sector_shift, offset, out,
                              [this](uint32_t first, uint64_t within, std::span<uint8_t> piece) {
                                  return file_->ReadSectorRun(first, within, piece);
                              });
    }
    if (s.ok()) return s;
    const std::string prefix = "stream '" + NameForMessage(entry().name) + "'";
    // Chain errors already name the stream; file and mini-stream errors do not.
    if (s.message().rfind(prefix, 0) == 0) return s;
    return Status(s.kind() == Status::Kind::kIo ? Status::Io(prefix + ": " + s.message())
                                                : Status::Corrupt(prefix + ": " + s.message()));
}

Result<std::vector<uint8_t>> StreamReader::ReadAll() {
    // OpenStream has checked the size against the file size, so this buffer
    // is never larger than the file.
    std::vector<uint8_t> bytes(static_cast<size_t>(size_));
    Status s = Read(0, bytes);
    if (!s.ok()) return s;
    return bytes;
}

}  // namespace msi::storage
