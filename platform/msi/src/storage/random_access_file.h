// A file opened for reading at any offset with pread, closed on destruction.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "common/status.h"
#include "storage/folder.h"

namespace msi::storage {

class RandomAccessFile {
  public:
    static Result<std::unique_ptr<RandomAccessFile>> Open(const std::string& path);
    // `path` resolved in `folder`.
    static Result<std::unique_ptr<RandomAccessFile>> Open(const Folder& folder,
                                                          const std::string& path);
    ~RandomAccessFile();
    RandomAccessFile(const RandomAccessFile&) = delete;
    RandomAccessFile& operator=(const RandomAccessFile&) = delete;

    // The size when the file was opened.
    uint64_t size() const { return size_; }
    const std::string& path() const { return path_; }

    // Reads exactly out.size() bytes at offset. A range that runs past the end
    // of the file is reported as corrupt (the file was truncated), not as an
    // I/O error, so that callers can name the damaged part.
    Status ReadAt(uint64_t offset, std::span<uint8_t> out) const;

  private:
    RandomAccessFile(int fd, uint64_t size, std::string path)
        : fd_(fd), size_(size), path_(std::move(path)) {}
    int fd_;
    uint64_t size_;
    std::string path_;
};

}  // namespace msi::storage
