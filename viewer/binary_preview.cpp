#include "binary_preview.h"

#include <cstdio>

namespace viewer {

std::string HexPreview(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 4 + bytes.size() / 16 * 16);
    char hex[24];  // room for any offset a size_t holds
    for (std::size_t line = 0; line < bytes.size(); line += 16) {
        std::snprintf(hex, sizeof hex, "%08zx ", line);
        out += hex;
        std::string text;
        for (std::size_t i = line; i < line + 16; ++i) {
            if (i % 8 == 0) out += ' ';
            if (i < bytes.size()) {
                const auto byte = static_cast<unsigned char>(bytes[i]);
                std::snprintf(hex, sizeof hex, "%02x ", byte);
                out += hex;
                text += (byte >= 0x20 && byte < 0x7f) ? static_cast<char>(byte) : '.';
            } else {
                out += "   ";
            }
        }
        out += " |" + text + "|\n";
    }
    return out;
}

}  // namespace viewer
