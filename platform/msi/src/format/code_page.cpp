#include "format/code_page.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "format/unicode.h"
#include "win32/codepage.h"

namespace msi::format {
namespace {

// Sorted, for binary search. The list other implementations of the engine
// accept, so that a package made elsewhere opens here and ours open there.
constexpr uint32_t kValidCodePages[] = {
    0,     37,    424,   437,   500,   737,   775,   850,   852,   855,   856,   857,   860,
    861,   862,   863,   864,   865,   866,   869,   874,   875,   878,   932,   936,   949,
    950,   1006,  1026,  1250,  1251,  1252,  1253,  1254,  1255,  1256,  1257,  1258,  1361,
    10000, 10006, 10007, 10029, 10079, 10081, 20127, 20866, 20932, 21866, 28591, 28592, 28593,
    28594, 28595, 28596, 28597, 28598, 28599, 28600, 28603, 28604, 28605, 28606, 65000, 65001,
};

Result<std::string> Convert(std::string_view in, uint32_t from, uint32_t to, const char* what,
                            uint32_t code_page) {
    std::string out;
    if (!win32::ConvertCodePage(in, from, to, out)) {
        return Status::Unsupported(std::string(what) + " code page " + std::to_string(code_page) +
                                   ": text cannot be converted (unknown code page or a byte "
                                   "sequence without an equivalent)");
    }
    return out;
}

// Eight bytes at a time: every string of a package passes through here once.
bool IsAscii(std::string_view text) {
    constexpr uint64_t kHighBits = 0x8080808080808080ull;
    size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        if (word & kHighBits) return false;
    }
    for (; i < text.size(); ++i)
        if (static_cast<unsigned char>(text[i]) >= 0x80) return false;
    return true;
}

bool IsUtf8(std::string_view bytes) {
    size_t pos = 0;
    char32_t code_point = 0;
    while (pos < bytes.size())
        if (!NextUtf8CodePoint(bytes, pos, code_point)) return false;
    return true;
}

// The neutral rules of code_page.h: which bytes pass through unchanged.
bool NeutralPassesThrough(std::string_view bytes) {
    return IsAscii(bytes) || win32::ProcessCodePage() != CP_UTF8 || IsUtf8(bytes);
}

// Windows-1252 as the installer reads it, gaps included (win32/codepage.h),
// so every byte has a character and no neutral string fails to read.
constexpr uint32_t kNeutralReading = 1252;

std::string NeutralToProcess(std::string_view bytes) {
    if (NeutralPassesThrough(bytes)) return std::string(bytes);
    std::string text;
    if (!win32::ConvertCodePage(bytes, kNeutralReading, CP_UTF8, text)) return std::string(bytes);
    return text;
}

bool NeutralWritesAsItself(std::string_view text) {
    return IsAscii(text) || win32::ProcessCodePage() != CP_UTF8;
}

std::string ProcessToNeutral(std::string_view text) {
    if (NeutralWritesAsItself(text)) return std::string(text);
    std::string bytes;
    if (win32::ConvertCodePage(text, CP_UTF8, kNeutralReading, bytes) && !IsUtf8(bytes))
        return bytes;
    return std::string(text);
}

}  // namespace

bool IsValidDatabaseCodePage(uint32_t code_page) {
    static_assert(std::is_sorted(std::begin(kValidCodePages), std::end(kValidCodePages)));
    return std::binary_search(std::begin(kValidCodePages), std::end(kValidCodePages), code_page);
}

Result<std::string> DatabaseToProcess(std::string_view bytes, uint32_t code_page) {
    if (code_page == kNeutralCodePage) return NeutralToProcess(bytes);
    return Convert(bytes, code_page, CP_ACP, "from", code_page);
}

bool ReadsAsItself(std::string_view bytes, uint32_t code_page) {
    if (code_page == kNeutralCodePage) return NeutralPassesThrough(bytes);
    return IsAscii(bytes) && win32::CodePagesShareAscii(code_page, CP_ACP);
}

bool WritesAsItself(std::string_view text, uint32_t code_page) {
    if (code_page == kNeutralCodePage) return NeutralWritesAsItself(text);
    return IsAscii(text) && win32::CodePagesShareAscii(CP_ACP, code_page);
}

Result<std::string> ProcessToDatabase(std::string_view text, uint32_t code_page) {
    if (code_page == kNeutralCodePage) return ProcessToNeutral(text);
    return Convert(text, CP_ACP, code_page, "to", code_page);
}

}  // namespace msi::format
