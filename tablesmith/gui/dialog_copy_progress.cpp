#include "dialog_copy_progress.h"

#include <filesystem>

namespace tablesmith::gui {

// The file's name only: its folder is the export folder, told when done.
void DialogCopyProgress::Begin(const std::string& file_name, std::uint64_t total) {
    const std::string name = std::filesystem::path(file_name).filename().string();
    window_.Begin("Writing CAB file " + name + " ...", total);
}

void DialogCopyProgress::Advance(std::uint64_t done) {
    window_.Advance(done);
}

void DialogCopyProgress::End() {
    window_.End();
}

}  // namespace tablesmith::gui
