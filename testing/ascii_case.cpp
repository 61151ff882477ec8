#include "ascii_case.h"

namespace testing_support {
namespace {

bool IsUpper(char c) {
    return c >= 'A' && c <= 'Z';
}
bool IsLower(char c) {
    return c >= 'a' && c <= 'z';
}

std::string Shown(char c) {
    if (c >= 0x20 && c < 0x7F) return std::string("'") + c + "'";
    static const char kHex[] = "0123456789ABCDEF";
    const auto byte = static_cast<unsigned char>(c);
    return std::string("0x") + kHex[byte >> 4] + kHex[byte & 15];
}

}  // namespace

std::string AsciiCharacters() {
    std::string all;
    for (int c = 1; c < 0x80; ++c) all += static_cast<char>(c);
    return all;
}

std::string AlphabetEdges() {
    return "@AMZ[`amz{09_.";
}

bool SameIgnoringAsciiCase(char a, char b) {
    if (a == b) return true;
    if (IsUpper(a) && IsLower(b)) return a - 'A' == b - 'a';
    if (IsLower(a) && IsUpper(b)) return a - 'a' == b - 'A';
    return false;
}

std::string FirstCaseRuleBreak(const std::function<bool(char, char)>& same,
                               const std::string& characters) {
    for (char a : characters) {
        for (char b : characters) {
            const bool expected = SameIgnoringAsciiCase(a, b);
            if (same(a, b) != expected)
                return Shown(a) + " ~ " + Shown(b) + ": said " + (expected ? "different" : "same");
        }
    }
    return "";
}

}  // namespace testing_support
