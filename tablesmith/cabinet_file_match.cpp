#include "cabinet_file_match.h"

#include <filesystem>
#include <system_error>

#include "cabinet_export.h"

namespace tablesmith {

std::string FindCabinetFile(const std::string& folder, const std::string& name) {
    namespace fs = std::filesystem;
    // A name with a separator would look outside the folder.
    if (!IsPlainFileName(name)) return std::string();
    std::error_code error;
    if (fs::is_regular_file(fs::path(folder) / name, error)) return name;

    const std::string wanted = LowerAscii(name);
    std::string best;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (!it->is_regular_file(error)) continue;
        const std::string candidate = it->path().filename().string();
        if (LowerAscii(candidate) == wanted && (best.empty() || candidate < best)) best = candidate;
    }
    return best;
}

}  // namespace tablesmith
