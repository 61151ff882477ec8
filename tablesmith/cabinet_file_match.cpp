#include "cabinet_file_match.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "cabinet_export.h"

namespace tablesmith {

namespace fs = std::filesystem;

namespace {

// The first bytes of every cabinet file.
constexpr char kCabinetSignature[] = {'M', 'S', 'C', 'F'};

bool BeginsWithCabinetSignature(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    char head[sizeof kCabinetSignature] = {};
    return in.read(head, sizeof head) && std::equal(head, head + sizeof head, kCabinetSignature);
}

}  // namespace

std::map<std::string, std::string> CabinetFileNames(const std::vector<std::string>& stream_names) {
    std::map<std::string, std::string> lower_owner;  // lower-cased name -> stream that has it
    for (const std::string& stream : stream_names) {
        const std::string lower = LowerAscii(stream);
        auto [it, inserted] = lower_owner.emplace(lower, stream);
        if (!inserted && stream == lower) it->second = stream;
    }
    std::map<std::string, std::string> files;
    for (const std::string& stream : stream_names) {
        const std::string lower = LowerAscii(stream);
        files[stream] = lower_owner[lower] == stream ? lower : stream;
    }
    return files;
}

std::string FindCabinetFile(const std::string& folder, const std::string& name) {
    // A name with a separator would look outside the folder.
    if (!IsPlainFileName(name)) return std::string();
    std::error_code error;
    if (fs::is_regular_file(fs::path(folder) / name, error)) return name;
    const std::string wanted = LowerAscii(name);
    if (fs::is_regular_file(fs::path(folder) / wanted, error)) return wanted;

    std::string best;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (!it->is_regular_file(error)) continue;
        const std::string candidate = it->path().filename().string();
        if (LowerAscii(candidate) == wanted && (best.empty() || candidate < best)) best = candidate;
    }
    return best;
}

bool HoldsCabinetFile(const std::string& folder) {
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (!it->is_regular_file(error)) continue;
        if (IsCabinetStreamName(it->path().filename().string()) ||
            BeginsWithCabinetSignature(it->path()))
            return true;
    }
    return false;
}

}  // namespace tablesmith
