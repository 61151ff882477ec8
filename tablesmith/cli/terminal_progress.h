// Progress of a large cabinet copy as one line on standard error, redrawn in
// place. Only worth it on a terminal: a log file would fill with lines.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "copy_progress.h"

namespace tablesmith::cli {

class TerminalProgress : public CopyProgress {
  public:
    explicit TerminalProgress(std::FILE* stream) : stream_(stream) {}
    void Begin(const std::string& file_name, std::uint64_t total) override;
    void Advance(std::uint64_t done) override;
    void End() override;

  private:
    std::FILE* stream_;
    std::string file_name_;
    std::uint64_t total_ = 0;
    int last_percent_ = -1;
};

}  // namespace tablesmith::cli
