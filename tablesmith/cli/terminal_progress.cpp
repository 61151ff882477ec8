#include "terminal_progress.h"

namespace tablesmith::cli {

void TerminalProgress::Begin(const std::string& file_name, std::uint64_t total) {
    file_name_ = file_name;
    total_ = total;
    last_percent_ = -1;
    Advance(0);
}

void TerminalProgress::Advance(std::uint64_t done) {
    const int percent = total_ == 0 ? 100 : static_cast<int>(done * 100 / total_);
    if (percent == last_percent_) return;  // one redraw per percent is plenty
    last_percent_ = percent;
    std::fprintf(stream_, "\r%s: %3d%% of %llu MB", file_name_.c_str(), percent,
                 static_cast<unsigned long long>(total_ >> 20));
    std::fflush(stream_);
}

void TerminalProgress::End() {
    std::fputc('\n', stream_);
    std::fflush(stream_);
}

}  // namespace tablesmith::cli
