// Progress of a long copy (a large cabinet leaving the package). The command
// line backs it with a line on a terminal; the dialog and the tests with
// nothing. The commands call it only for copies above its threshold.
#pragma once

#include <cstdint>
#include <string>

namespace tablesmith {

class CopyProgress {
  public:
    virtual ~CopyProgress() = default;
    // Copies of more than this many bytes report their progress; 50 MB
    // unless a caller (a test) wants it told for smaller ones.
    virtual std::uint64_t Threshold() const { return 50ull * 1024 * 1024; }
    // A copy of `total` bytes into `file_name` begins.
    virtual void Begin(const std::string& file_name, std::uint64_t total) = 0;
    // `done` of the total bytes are written.
    virtual void Advance(std::uint64_t done) = 0;
    // The copy ended (finished or failed).
    virtual void End() = 0;
};

}  // namespace tablesmith
