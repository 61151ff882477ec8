#include "format/unicode.h"

namespace msi::format {
namespace {

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}
bool IsHighSurrogate(char16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLowSurrogate(char16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

}  // namespace

bool NextUtf8CodePoint(std::string_view text, size_t& pos, char32_t& code_point) {
    if (pos >= text.size()) return false;
    const unsigned char lead = static_cast<unsigned char>(text[pos]);
    size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;  // smallest value this length may carry (no overlong forms)
    if (lead < 0x80) {
        code_point = lead;
        ++pos;
        return true;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return false;
    }
    if (text.size() - pos < length) return false;
    for (size_t i = 1; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[pos + i]);
        if (!IsContinuation(c)) return false;
        value = (value << 6) | (c & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
    code_point = value;
    pos += length;
    return true;
}

void AppendUtf8(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out.push_back(char(cp));
    } else if (cp < 0x800) {
        out.push_back(char(0xC0 | (cp >> 6)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(char(0xE0 | (cp >> 12)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (cp >> 18)));
        out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    }
}

void AppendUtf16(char32_t cp, std::u16string& out) {
    if (cp < 0x10000) {
        out.push_back(char16_t(cp));
        return;
    }
    cp -= 0x10000;
    out.push_back(char16_t(0xD800 | (cp >> 10)));
    out.push_back(char16_t(0xDC00 | (cp & 0x3FF)));
}

Result<std::u16string> Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (size_t pos = 0; pos < text.size();) {
        char32_t cp = 0;
        if (!NextUtf8CodePoint(text, pos, cp)) {
            return Status::InvalidArgument("name is not valid UTF-8 at byte " +
                                           std::to_string(pos));
        }
        AppendUtf16(cp, out);
    }
    return out;
}

Result<std::string> Utf16ToUtf8(std::u16string_view units) {
    std::string out;
    out.reserve(units.size());
    for (size_t i = 0; i < units.size(); ++i) {
        const char16_t u = units[i];
        if (IsHighSurrogate(u) && i + 1 < units.size() && IsLowSurrogate(units[i + 1])) {
            AppendUtf8(0x10000 + ((char32_t(u) - 0xD800) << 10) + (units[i + 1] - 0xDC00), out);
            ++i;
        } else if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
            return Status::Corrupt("name holds an unpaired UTF-16 surrogate at unit " +
                                   std::to_string(i));
        } else {
            AppendUtf8(u, out);
        }
    }
    return out;
}

}  // namespace msi::format
