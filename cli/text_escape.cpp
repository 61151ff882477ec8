#include "text_escape.h"

#include <algorithm>
#include <cstring>

namespace cli {

namespace {

constexpr char kHex[] = "0123456789abcdef";

// The length of the UTF-8 sequence that starts text[at], or 0 when the bytes
// there are not one (stray continuation byte, overlong form, surrogate,
// beyond U+10FFFF, or cut short).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // overlong
        if (lead == 0xED) high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;   // overlong
        if (lead == 0xF4) high = 0x8F;  // beyond U+10FFFF
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
    }
    return length;
}

// U+0080 to U+009F are C2 80 to C2 9F in UTF-8.
bool IsC1(std::string_view text, std::size_t at, std::size_t length) {
    return length == 2 && static_cast<unsigned char>(text[at]) == 0xC2 &&
           static_cast<unsigned char>(text[at + 1]) <= 0x9F;
}

void AppendHex(std::string& out, const char* prefix, unsigned value, int digits) {
    out += prefix;
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out += kHex[(value >> shift) & 0xF];
}

// Both text escapes, appended to `escaped`; `message` keeps line feeds, tabs
// and backslashes.
void AppendEscaped(std::string& escaped, std::string_view text, bool message) {
    // Printable ASCII but the backslash stays as it is: runs of it, most of
    // any text, are copied whole.
    const auto plain = [](unsigned char c) { return c >= 0x20 && c < 0x7F && c != '\\'; };
    escaped.reserve(escaped.size() + text.size());
    for (std::size_t at = 0; at < text.size();) {
        std::size_t run = at;
        while (run < text.size() && plain(static_cast<unsigned char>(text[run]))) ++run;
        escaped.append(text, at, run - at);
        if ((at = run) == text.size()) break;
        const auto c = static_cast<unsigned char>(text[at]);
        const std::size_t length = Utf8SequenceLength(text, at);
        if (length == 0) {
            AppendHex(escaped, "\\x", c, 2);
            ++at;
            continue;
        }
        if (IsC1(text, at, length)) {
            AppendHex(escaped, "\\u00", static_cast<unsigned char>(text[at + 1]), 2);
            at += 2;
            continue;
        }
        if (length > 1) {
            escaped.append(text, at, length);
            at += length;
            continue;
        }
        ++at;
        if (message && (c == '\n' || c == '\t' || c == '\\')) {
            escaped += static_cast<char>(c);
        } else if (c == '\t') {
            escaped += "\\t";
        } else if (c == '\n') {
            escaped += "\\n";
        } else if (c == '\r') {
            escaped += "\\r";
        } else if (c == '\\') {
            escaped += "\\\\";
        } else if (c < 0x20 || c == 0x7F) {
            AppendHex(escaped, "\\x", c, 2);
        } else {
            escaped += static_cast<char>(c);
        }
    }
}

}  // namespace

std::string EscapeCell(std::string_view text) {
    std::string escaped;
    AppendEscaped(escaped, text, false);
    return escaped;
}

void AppendEscapedCell(std::string& out, std::string_view text) {
    AppendEscaped(out, text, false);
}

bool UnescapeCell(std::string_view text, std::string& cell) {
    cell.clear();
    const auto hex = [&](std::size_t at, std::size_t digits, unsigned& value) {
        if (at + digits > text.size()) return false;
        value = 0;
        for (std::size_t i = at; i < at + digits; ++i) {
            const char* digit = std::strchr(kHex, text[i]);
            if (text[i] == '\0' || digit == nullptr) return false;
            value = value * 16 + static_cast<unsigned>(digit - kHex);
        }
        return true;
    };
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '\\') {
            cell += text[at];
            continue;
        }
        if (++at == text.size()) return false;
        unsigned value = 0;
        switch (text[at]) {
            case 't':
                cell += '\t';
                break;
            case 'n':
                cell += '\n';
                break;
            case 'r':
                cell += '\r';
                break;
            case '\\':
                cell += '\\';
                break;
            case 'x':  // a byte
                if (!hex(at + 1, 2, value)) return false;
                cell += static_cast<char>(value);
                at += 2;
                break;
            case 'u':  // a C1 control, in UTF-8
                if (!hex(at + 1, 4, value) || value < 0x80 || value > 0x9F) return false;
                cell += static_cast<char>(0xC2);
                cell += static_cast<char>(value);
                at += 4;
                break;
            default:
                return false;
        }
    }
    return true;
}

std::string EscapeMessage(std::string_view text) {
    std::string escaped;
    AppendEscaped(escaped, text, true);
    return escaped;
}

std::string JsonString(std::string_view text) {
    std::string json = "\"";
    json.reserve(text.size() + 2);
    for (std::size_t at = 0; at < text.size();) {
        const auto c = static_cast<unsigned char>(text[at]);
        const std::size_t length = Utf8SequenceLength(text, at);
        if (length == 0) {
            json += "\\ufffd";
            ++at;
        } else if (IsC1(text, at, length)) {
            AppendHex(json, "\\u00", static_cast<unsigned char>(text[at + 1]), 2);
            at += 2;
        } else if (length > 1) {
            json.append(text, at, length);
            at += length;
        } else {
            ++at;
            switch (c) {
                case '"':
                    json += "\\\"";
                    break;
                case '\\':
                    json += "\\\\";
                    break;
                case '\n':
                    json += "\\n";
                    break;
                case '\r':
                    json += "\\r";
                    break;
                case '\t':
                    json += "\\t";
                    break;
                default:
                    if (c < 0x20 || c == 0x7F)
                        AppendHex(json, "\\u00", c, 2);
                    else
                        json += static_cast<char>(c);
            }
        }
    }
    json += '"';
    return json;
}

std::size_t DisplayWidth(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

}  // namespace cli
