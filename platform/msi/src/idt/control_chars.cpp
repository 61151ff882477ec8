#include "idt/control_chars.h"

#include <array>

namespace msi::idt {

namespace {

struct Translation {
    char in_value;
    char in_file;
};

constexpr std::array<Translation, 6> kTable = {{
    {'\0', '\x15'},
    {'\b', '\x1B'},
    {'\t', '\x10'},
    {'\n', '\x19'},
    {'\f', '\x18'},
    {'\r', '\x11'},
}};

// Byte -> replacement (or the byte itself), built once so the export loop
// is one table look-up per byte.
struct Maps {
    std::array<char, 256> escape{};
    std::array<char, 256> unescape{};
    Maps() {
        for (int b = 0; b < 256; ++b) escape[b] = unescape[b] = static_cast<char>(b);
        for (const auto& t : kTable) {
            escape[static_cast<unsigned char>(t.in_value)] = t.in_file;
            unescape[static_cast<unsigned char>(t.in_file)] = t.in_value;
        }
        // A raw NUL in a file reads as a line feed, as the installer's
        // import has it (its own export never writes one).
        unescape[0] = '\n';
    }
};

const Maps& TheMaps() {
    static const Maps maps;
    return maps;
}

}  // namespace

void AppendEscaped(std::string_view value, std::string& out) {
    const auto& escape = TheMaps().escape;
    const size_t start = out.size();
    out.append(value);
    for (size_t i = start; i < out.size(); ++i)
        if (static_cast<unsigned char>(out[i]) < 0x20)
            out[i] = escape[static_cast<unsigned char>(out[i])];
}

std::string Unescape(std::string_view field) {
    const auto& unescape = TheMaps().unescape;
    std::string out(field);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20) c = unescape[static_cast<unsigned char>(c)];
    return out;
}

}  // namespace msi::idt
