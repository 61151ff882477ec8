#include "format/windows_1252.h"

#include <array>

#include "format/unicode.h"

namespace msi::format {

namespace {

constexpr unsigned char kFirstSpecial = 0x80;
constexpr unsigned char kLastSpecial = 0x9F;

// Code points of the bytes 0x80-0x9F, in byte order. The undefined bytes
// stand for themselves (C1 controls), as Windows decodes them.
constexpr std::array<char16_t, kLastSpecial - kFirstSpecial + 1> kSpecials = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

char32_t Decode(unsigned char byte) {
    if (byte >= kFirstSpecial && byte <= kLastSpecial) return kSpecials[byte - kFirstSpecial];
    return byte;
}

// The byte for a code point, or -1 when the code page has none.
int Encode(char32_t code_point) {
    if (code_point < kFirstSpecial || (code_point > 0x9F && code_point <= 0xFF))
        return static_cast<int>(code_point);
    for (size_t i = 0; i < kSpecials.size(); ++i)
        if (kSpecials[i] == code_point) return static_cast<int>(kFirstSpecial + i);
    return -1;
}

}  // namespace

std::string Windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes) AppendUtf8(Decode(static_cast<unsigned char>(c)), out);
    return out;
}

Result<std::string> Utf8ToWindows1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t at = pos;
        char32_t code_point = 0;
        if (!NextUtf8CodePoint(text, pos, code_point))
            return Status::Unsupported("malformed UTF-8 at byte " + std::to_string(at));
        const int byte = Encode(code_point);
        if (byte < 0)
            return Status::Unsupported("character at byte " + std::to_string(at) +
                                       " has no form in code page 1252");
        out += static_cast<char>(byte);
    }
    return out;
}

}  // namespace msi::format
