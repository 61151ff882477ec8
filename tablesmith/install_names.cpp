#include "install_names.h"

#include <array>
#include <cctype>

namespace tablesmith {

namespace {

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// Windows opens a device for these whatever extension follows, in any folder.
bool IsDeviceName(const std::string& name) {
    static constexpr std::array<const char*, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
    const std::string stem = Upper(name.substr(0, name.find('.')));
    for (const char* device : kPlain)
        if (stem == device) return true;
    return stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) &&
           stem[3] >= '1' && stem[3] <= '9';
}

}  // namespace

std::string TargetPart(const std::string& default_dir) {
    return default_dir.substr(0, default_dir.find(':'));
}

std::string SourcePart(const std::string& default_dir) {
    const std::size_t colon = default_dir.find(':');
    return colon == std::string::npos ? default_dir : default_dir.substr(colon + 1);
}

std::string LongName(const std::string& name_pair) {
    const std::size_t bar = name_pair.find('|');
    return bar == std::string::npos ? name_pair : name_pair.substr(bar + 1);
}

std::string ShortName(const std::string& name_pair) {
    return name_pair.substr(0, name_pair.find('|'));
}

std::optional<std::string> SafeName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return std::nullopt;
    std::string safe = name;
    for (char& c : safe) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7f) c = '_';
    }
    if (safe.size() >= 2 && safe[1] == ':' && std::isalpha(static_cast<unsigned char>(safe[0])))
        safe[1] = '_';
    if (IsDeviceName(safe)) safe = "_" + safe;
    return safe;
}

}  // namespace tablesmith
