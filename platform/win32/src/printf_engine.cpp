// The printf-style conversions of wsprintf.
#include "printf_engine.h"

#include <cstring>

#include "win32/codepage.h"

namespace win32 {
namespace {

// Stops a hostile width ("%99999999d") from asking for a huge string; the
// output is cut at 1024 bytes anyway.
constexpr int kMaxWidth = 4096;

int ReadNumber(std::string_view text, size_t& pos) {
    int value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        if (value < kMaxWidth) value = value * 10 + (text[pos] - '0');
        ++pos;
    }
    return value < kMaxWidth ? value : kMaxWidth;
}

void Pad(std::string& out, const Conversion& c, std::string_view body, char fill = ' ') {
    size_t width = static_cast<size_t>(c.width);
    if (body.size() >= width) {
        out.append(body);
    } else if (c.left_align) {
        out.append(body);
        out.append(width - body.size(), ' ');
    } else {
        out.append(width - body.size(), fill);
        out.append(body);
    }
}

// A UTF-16 string (WCHAR, two bytes, little-endian) in the process code page.
std::string NarrowWide(const uint16_t* text, int precision) {
    std::string bytes;
    for (size_t i = 0; text[i] != 0 && (precision < 0 || i < static_cast<size_t>(precision)); ++i) {
        bytes.push_back(static_cast<char>(text[i] & 0xFF));
        bytes.push_back(static_cast<char>(text[i] >> 8));
    }
    std::string narrow;
    // What cannot be converted is left out rather than guessed at.
    ConvertCodePage(bytes, 1200, 0, narrow);
    return narrow;
}

void AppendString(std::string& out, const Conversion& c, FormatArguments& args, bool wide) {
    const void* pointer = args.NextPointer();
    std::string body;
    if (pointer == nullptr) {
        body = "(null)";
        if (c.precision >= 0 && body.size() > static_cast<size_t>(c.precision)) {
            body.resize(static_cast<size_t>(c.precision));
        }
    } else if (wide) {
        body = NarrowWide(static_cast<const uint16_t*>(pointer), c.precision);
    } else {
        const char* text = static_cast<const char*>(pointer);
        // strnlen, so that a precision lets the caller pass text that has no
        // terminator within reach.
        size_t length =
            c.precision >= 0 ? strnlen(text, static_cast<size_t>(c.precision)) : std::strlen(text);
        body.assign(text, length);
    }
    Pad(out, c, body);
}

void AppendChar(std::string& out, const Conversion& c, FormatArguments& args, bool wide) {
    uint32_t value = args.NextInt32();
    std::string body;
    if (wide) {
        uint16_t text[2] = {static_cast<uint16_t>(value & 0xFFFF), 0};
        body = NarrowWide(text, -1);
    } else {
        body.assign(1, static_cast<char>(value & 0xFF));
    }
    Pad(out, c, body);
}

void AppendNumber(std::string& out, const Conversion& c, FormatArguments& args) {
    bool is_signed = c.type == 'd' || c.type == 'i';
    uint64_t magnitude = 0;
    bool negative = false;
    if (c.type == 'p') {
        magnitude = reinterpret_cast<uintptr_t>(args.NextPointer());
    } else if (c.size == Conversion::Size::kInt64) {
        uint64_t value = args.NextInt64();
        negative = is_signed && static_cast<int64_t>(value) < 0;
        magnitude = negative ? 0 - value : value;
    } else {
        uint32_t value = args.NextInt32();
        if (c.size == Conversion::Size::kShort) {
            value &= 0xFFFF;
            if (is_signed && (value & 0x8000)) value |= 0xFFFF0000u;
        }
        negative = is_signed && static_cast<int32_t>(value) < 0;
        magnitude = negative ? 0u - value : value;
    }

    unsigned base = (c.type == 'x' || c.type == 'X' || c.type == 'p') ? 16 : 10;
    const char* digits_of = c.type == 'x' ? "0123456789abcdef" : "0123456789ABCDEF";
    std::string digits;
    do {
        digits.insert(digits.begin(), digits_of[magnitude % base]);
        magnitude /= base;
    } while (magnitude != 0);
    // A pointer shows all its digits, as on Windows.
    size_t min_digits = c.type == 'p' ? sizeof(void*) * 2 : 0;
    if (c.precision >= 0) min_digits = static_cast<size_t>(c.precision);
    if (digits.size() < min_digits) digits.insert(0, min_digits - digits.size(), '0');

    std::string prefix;
    if (negative) prefix = "-";
    if (c.alternate && (c.type == 'x' || c.type == 'X')) prefix = c.type == 'x' ? "0x" : "0X";

    if (c.zero_pad && !c.left_align && c.precision < 0) {
        // Zeros go between the sign or "0x" and the digits.
        size_t width = static_cast<size_t>(c.width);
        size_t used = prefix.size() + digits.size();
        if (used < width) digits.insert(0, width - used, '0');
    }
    Pad(out, c, prefix + digits);
}

}  // namespace

ArgumentKind Conversion::Kind() const {
    switch (type) {
        case 's':
        case 'S':
        case 'p':
            return ArgumentKind::kPointer;
        case 'c':
        case 'C':
            return ArgumentKind::kInt32;
        case 'd':
        case 'i':
        case 'u':
        case 'x':
        case 'X':
            return size == Size::kInt64 ? ArgumentKind::kInt64 : ArgumentKind::kInt32;
        default:
            return ArgumentKind::kNone;
    }
}

Conversion ParseConversion(std::string_view text) {
    Conversion c;
    size_t pos = 0;
    for (; pos < text.size(); ++pos) {
        if (text[pos] == '-') {
            c.left_align = true;
        } else if (text[pos] == '0') {
            c.zero_pad = true;
        } else if (text[pos] == '#') {
            c.alternate = true;
        } else {
            break;
        }
    }
    c.width = ReadNumber(text, pos);
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        c.precision = ReadNumber(text, pos);
    }
    if (text.substr(pos, 3) == "I64") {
        c.size = Conversion::Size::kInt64;
        pos += 3;
    } else if (text.substr(pos, 2) == "ll") {
        c.size = Conversion::Size::kInt64;
        pos += 2;
    } else if (pos < text.size() && (text[pos] == 'l' || text[pos] == 'w')) {
        c.size = Conversion::Size::kLong;
        ++pos;
    } else if (pos < text.size() && text[pos] == 'h') {
        c.size = Conversion::Size::kShort;
        ++pos;
    }
    if (pos < text.size()) c.type = text[pos++];
    c.length = pos;
    return c;
}

void AppendConversion(std::string& out, const Conversion& c, std::string_view text,
                      FormatArguments& args) {
    switch (c.type) {
        case 's':
        case 'S': {
            // In the ANSI functions "S" is the other width: a wide string;
            // "ls" is wide and "hs" narrow whatever the letter's case.
            bool wide = c.type == 'S';
            if (c.size == Conversion::Size::kLong) wide = true;
            if (c.size == Conversion::Size::kShort) wide = false;
            AppendString(out, c, args, wide);
            return;
        }
        case 'c':
        case 'C': {
            bool wide = c.type == 'C';
            if (c.size == Conversion::Size::kLong) wide = true;
            if (c.size == Conversion::Size::kShort) wide = false;
            AppendChar(out, c, args, wide);
            return;
        }
        case 'd':
        case 'i':
        case 'u':
        case 'x':
        case 'X':
        case 'p':
            AppendNumber(out, c, args);
            return;
        default:
            // Unknown (or floating point): shown as written, so the mistake is
            // visible, and no argument is taken, so the rest stays in step.
            out.push_back('%');
            out.append(text.substr(0, c.length));
            return;
    }
}

std::string FormatWsprintf(std::string_view format, FormatArguments& args) {
    std::string out;
    size_t pos = 0;
    while (pos < format.size()) {
        size_t percent = format.find('%', pos);
        if (percent == format.npos) {
            out.append(format.substr(pos));
            break;
        }
        out.append(format.substr(pos, percent - pos));
        pos = percent + 1;
        if (pos >= format.size()) break;  // a lone '%' at the end writes nothing
        if (format[pos] == '%') {
            out.push_back('%');
            ++pos;
            continue;
        }
        std::string_view rest = format.substr(pos);
        Conversion conversion = ParseConversion(rest);
        AppendConversion(out, conversion, rest, args);
        pos += conversion.length;
    }
    return out;
}

}  // namespace win32
