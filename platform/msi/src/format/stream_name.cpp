#include "format/stream_name.h"

#include <cstdio>

#include "format/unicode.h"

namespace msi::format {
namespace {

constexpr char16_t kPairBase = 0x3800;    // two characters: kPairBase + (idx2 << 6) + idx1
constexpr char16_t kSingleBase = 0x4800;  // one character: kSingleBase + idx
constexpr unsigned kAlphabetSize = 64;
constexpr unsigned kIndexBits = 6;
// The last unit a packed form can take: the table prefix, one past the singles.
constexpr char16_t kLastPackedUnit = kTableStreamPrefix;
constexpr char32_t kUncompressedMark = 0x0005;

constexpr char kAlphabet[kAlphabetSize + 1] =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz._";

// Index of a character in the alphabet, or -1.
int AlphabetIndex(char32_t c) {
    if (c >= '0' && c <= '9') return int(c - '0');
    if (c >= 'A' && c <= 'Z') return int(c - 'A') + 10;
    if (c >= 'a' && c <= 'z') return int(c - 'a') + 36;
    if (c == '.') return 62;
    if (c == '_') return 63;
    return -1;
}

std::string CodePointText(char32_t c) {
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", unsigned(c));
    return text;
}

}  // namespace

Result<std::u16string> EncodeStreamName(std::string_view name, bool is_table) {
    if (name.empty()) return Status::InvalidArgument("stream name is empty");
    // Names are short; decode them whole so that the packing loop can look ahead.
    std::u32string chars;
    for (size_t pos = 0; pos < name.size();) {
        char32_t c = 0;
        if (!NextUtf8CodePoint(name, pos, c)) {
            return Status::InvalidArgument("stream name is not valid UTF-8 at byte " +
                                           std::to_string(pos));
        }
        if (c == 0) return Status::InvalidArgument("stream name contains a NUL");
        // Such a character would read back as packed alphabet characters.
        if (c >= kPairBase && c <= kLastPackedUnit) {
            return Status::InvalidArgument("stream name contains " + CodePointText(c) +
                                           ", which cannot be stored unambiguously");
        }
        chars.push_back(c);
    }
    // The \005 names are written as plain UTF-16: other tools look them up
    // by their literal units.
    const bool packed = chars.front() != kUncompressedMark;
    if (!packed && is_table) {
        return Status::InvalidArgument("a table name cannot begin with U+0005");
    }

    std::u16string units;
    if (is_table) units.push_back(kTableStreamPrefix);
    for (size_t i = 0; i < chars.size(); ++i) {
        const int index = packed ? AlphabetIndex(chars[i]) : -1;
        const int next_index =
            (index >= 0 && i + 1 < chars.size()) ? AlphabetIndex(chars[i + 1]) : -1;
        if (index >= 0 && next_index >= 0) {
            units.push_back(char16_t(kPairBase + (next_index << kIndexBits) + index));
            ++i;
        } else if (index >= 0) {
            units.push_back(char16_t(kSingleBase + index));
        } else {
            AppendUtf16(chars[i], units);
        }
    }

    if (units.size() > kMaxStreamNameUnits) {
        return Status::InvalidArgument("stream name \"" + std::string(name) + "\" needs " +
                                       std::to_string(units.size()) + " code units; at most " +
                                       std::to_string(kMaxStreamNameUnits) + " fit");
    }
    return units;
}

Result<DecodedStreamName> DecodeStreamName(std::u16string_view units) {
    DecodedStreamName decoded;
    if (!units.empty() && units.front() == kTableStreamPrefix) {
        decoded.is_table = true;
        units.remove_prefix(1);
    }
    // Plain units are gathered and converted in runs, so that surrogate pairs
    // are checked by one function.
    std::u16string plain;
    auto flush_plain = [&]() -> Status {
        if (plain.empty()) return Status::Ok();
        Result<std::string> text = Utf16ToUtf8(plain);
        if (!text.ok()) return text.status();
        decoded.name += text.value();
        plain.clear();
        return Status::Ok();
    };
    for (char16_t u : units) {
        if (u == 0) return Status::Corrupt("stream name contains a NUL unit");
        if (u >= kPairBase && u < kSingleBase) {
            if (Status s = flush_plain(); !s.ok()) return s;
            const unsigned packed = u - kPairBase;
            decoded.name.push_back(kAlphabet[packed & (kAlphabetSize - 1)]);
            decoded.name.push_back(kAlphabet[packed >> kIndexBits]);
        } else if (u >= kSingleBase && u < kSingleBase + kAlphabetSize) {
            if (Status s = flush_plain(); !s.ok()) return s;
            decoded.name.push_back(kAlphabet[u - kSingleBase]);
        } else {
            plain.push_back(u);
        }
    }
    if (Status s = flush_plain(); !s.ok()) return s;
    return decoded;
}

std::string JoinStreamName(std::string_view table, std::span<const std::string> keys) {
    std::string joined(table);
    for (const std::string& key : keys) {
        joined.push_back('.');
        joined += key;
    }
    return joined;
}

}  // namespace msi::format
