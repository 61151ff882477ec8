#include "idt/binary_file_names.h"

namespace msi::idt {

namespace {

bool IsUnsafeByte(unsigned char c) {
    return c < 0x20 || c == 0x7F || c == '/' || c == '\\';
}

}  // namespace

bool IsPlainFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (char c : name)
        if (IsUnsafeByte(static_cast<unsigned char>(c))) return false;
    return true;
}

std::string BinaryFileNamer::NameFor(const std::vector<std::string>& keys) {
    std::string stem;
    for (size_t i = 0; i < keys.size(); ++i) {
        if (i > 0) stem += '.';
        stem += keys[i];
    }
    for (char& c : stem)
        if (IsUnsafeByte(static_cast<unsigned char>(c))) c = '_';
    if (stem.size() > kMaxStem) stem.resize(kMaxStem);
    std::string name = stem + kExtension;
    for (unsigned n = 2; used_.count(name) != 0; ++n)
        name = stem + "~" + std::to_string(n) + kExtension;
    used_.insert(name);
    return name;
}

}  // namespace msi::idt
