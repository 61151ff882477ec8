#include "format/column_type.h"

#include <cctype>

namespace msi::format {
namespace {

constexpr unsigned kMaxStringWidth = 255;

// Upper-case letter for nullable columns, lower-case otherwise.
std::string Letter(char lower, bool nullable) {
    return std::string(1, nullable ? char(std::toupper(static_cast<unsigned char>(lower))) : lower);
}

std::string_view TrimBlanks(std::string_view text) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

// The integer word for a byte width: 4 is a long integer, anything smaller a
// short one that keeps its written width.
uint16_t IntegerWord(unsigned width) {
    return width == 4 ? uint16_t(width) : uint16_t(ColumnType::kShort | width);
}

}  // namespace

unsigned ColumnType::CellSize(bool long_refs) const {
    if (IsBinary()) return kBinaryCellSize;
    if (IsString()) return long_refs ? kLongStringRefSize : kStringRefSize;
    return IsLongInteger() ? kLongCellSize : kShortCellSize;
}

std::string ColumnType::InfoString() const {
    const bool nullable = IsNullable();
    // The order of these tests decides between overlapping bit patterns:
    // binary before string (both have the object bit), localizable before the
    // temporary forms.
    if (IsBinary()) return IsTemporary() ? "O0" : Letter('v', nullable) + "0";
    const std::string width = std::to_string(Width());
    if (IsString()) {
        if (IsLocalizable()) return Letter('l', nullable) + width;
        return Letter(IsTemporary() ? 'g' : 's', nullable) + width;
    }
    return Letter(IsTemporary() ? 'j' : 'i', nullable) + width;
}

std::string ColumnType::ArchiveString() const {
    const bool nullable = IsNullable();
    if (IsBinary()) return Letter('v', nullable) + "0";
    const std::string width = std::to_string(Width());
    if (IsString()) return Letter(IsLocalizable() ? 'l' : 's', nullable) + width;
    return Letter('i', nullable) + width;
}

Result<ColumnType> ColumnType::ParseArchive(std::string_view raw) {
    const std::string_view text = TrimBlanks(raw);
    const std::string quoted = "\"" + std::string(raw) + "\"";
    if (text.empty()) return Status::InvalidArgument("empty column type");
    const char letter = text.front();
    const std::string_view digits = text.substr(1);
    if (digits.empty() || digits.size() > 3) {
        return Status::InvalidArgument("column type " + quoted + " needs a width of 1 to 3 digits");
    }
    unsigned width = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return Status::InvalidArgument("column type " + quoted + " has a non-digit width");
        }
        width = width * 10 + unsigned(c - '0');
    }
    const bool nullable = std::isupper(static_cast<unsigned char>(letter)) != 0;
    const uint16_t null_bit = nullable ? kNullable : 0;
    switch (std::tolower(static_cast<unsigned char>(letter))) {
        case 's':
        case 'l': {
            if (width > kMaxStringWidth) {
                return Status::InvalidArgument("column type " + quoted +
                                               ": a string width is at most 255");
            }
            const uint16_t localizable = (letter == 'l' || letter == 'L') ? kLocalizable : 0;
            return ColumnType(uint16_t(kString | kPersistent | localizable | null_bit | width));
        }
        case 'i':
            if (width == 3 || width > 4) {
                return Status::InvalidArgument("column type " + quoted +
                                               ": an integer is 2 or 4 bytes wide");
            }
            return ColumnType(uint16_t(IntegerWord(width) | kPersistent | null_bit));
        case 'v':
            // Streams have no width; some tools write one anyway.
            return ColumnType(uint16_t(kBinary | null_bit));
        default:
            return Status::InvalidArgument("column type " + quoted +
                                           " does not start with s, l, i or v");
    }
}

}  // namespace msi::format
